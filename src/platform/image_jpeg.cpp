// JPEG through libjpeg's 6b interface. libjpeg reports fatal errors through error_exit, which
// by default ends the process; ours jumps back to the decode or encode call instead. Those
// calls hold no C++ objects with destructors between setjmp and the library calls, so the jump
// skips nothing that needs cleaning up.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/image.h"
#include "platform/image_codecs.h"

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace brinkmoor {
namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void on_error_exit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

// Warnings that mean the picture data is damaged or cut short: such a file is a load failure,
// not a picture with a grey tail. Other warnings (unknown JFIF revision, stray bytes between
// markers) leave the picture intact.
bool is_corruption_warning(int code) {
  switch (code) {
    case JWRN_ARITH_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
      return true;
    default:
      return false;
  }
}

void on_emit_message(j_common_ptr cinfo, int level) {
  if (level < 0 && is_corruption_warning(cinfo->err->msg_code)) on_error_exit(cinfo);
}

void on_output_message(j_common_ptr /*cinfo*/) {}  // silent: nothing goes to stderr

void install_error_manager(ErrorManager* err) {
  jpeg_std_error(&err->pub);
  err->pub.error_exit = on_error_exit;
  err->pub.emit_message = on_emit_message;
  err->pub.output_message = on_output_message;
}

// A progressive file may hold any number of scans, each a pass over the whole picture; a
// hostile one could keep the decoder busy for minutes. Real encoders write about ten.
constexpr int kMaxScans = 500;

void on_progress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) ERREXIT(cinfo, JERR_NOT_COMPILED);
  }
}

// --- source: the bytes in memory -------------------------------------------------------------

void src_init(j_decompress_ptr /*cinfo*/) {}
boolean src_fill(j_decompress_ptr cinfo) {
  // Everything was handed over at the start; asking for more means the file is cut short.
  ERREXIT(cinfo, JERR_INPUT_EOF);
  return FALSE;
}
void src_skip(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  if (static_cast<size_t>(count) > src->bytes_in_buffer) ERREXIT(cinfo, JERR_INPUT_EOF);
  src->next_input_byte += count;
  src->bytes_in_buffer -= static_cast<size_t>(count);
}
void src_term(j_decompress_ptr /*cinfo*/) {}

// --- destination: a std::string -----------------------------------------------------------------

struct Destination {
  jpeg_destination_mgr pub;
  std::string* out;
  JOCTET buffer[4096];
};

void dst_init(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<Destination*>(cinfo->dest);
  dst->pub.next_output_byte = dst->buffer;
  dst->pub.free_in_buffer = sizeof dst->buffer;
}
boolean dst_empty(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<Destination*>(cinfo->dest);
  dst->out->append(reinterpret_cast<const char*>(dst->buffer), sizeof dst->buffer);
  dst->pub.next_output_byte = dst->buffer;
  dst->pub.free_in_buffer = sizeof dst->buffer;
  return TRUE;
}
void dst_term(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<Destination*>(cinfo->dest);
  dst->out->append(reinterpret_cast<const char*>(dst->buffer),
                   sizeof dst->buffer - dst->pub.free_in_buffer);
}

// Converts one decoded row into out's row y.
void store_row(const JSAMPLE* row, J_COLOR_SPACE space, bool adobe_inverted, int width,
               uint8_t* dst) {
  for (int x = 0; x < width; ++x) {
    switch (space) {
      case JCS_GRAYSCALE:
        dst[0] = dst[1] = dst[2] = row[x];
        break;
      case JCS_CMYK: {
        // Adobe writes CMYK inverted (0 is full ink); others write it straight.
        unsigned c = row[x * 4], m = row[x * 4 + 1], yl = row[x * 4 + 2], k = row[x * 4 + 3];
        if (!adobe_inverted) {
          c = 255 - c;
          m = 255 - m;
          yl = 255 - yl;
          k = 255 - k;
        }
        dst[0] = static_cast<uint8_t>((c * k + 127) / 255);
        dst[1] = static_cast<uint8_t>((m * k + 127) / 255);
        dst[2] = static_cast<uint8_t>((yl * k + 127) / 255);
        break;
      }
      default:
        std::memcpy(dst, row + x * 3, 3);
        break;
    }
    dst += 3;
  }
}

LoadStatus run_decoder(const uint8_t* data, size_t size, const codec::SizeLimit* limit,
                       Image* out) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  jpeg_source_mgr src;
  jpeg_progress_mgr progress;
  std::memset(&cinfo, 0, sizeof cinfo);
  install_error_manager(&err);
  cinfo.err = &err.pub;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return LoadStatus::Failed;
  }
  jpeg_create_decompress(&cinfo);
  src.init_source = src_init;
  src.fill_input_buffer = src_fill;
  src.skip_input_data = src_skip;
  src.resync_to_restart = jpeg_resync_to_restart;
  src.term_source = src_term;
  src.next_input_byte = data;
  src.bytes_in_buffer = size;
  cinfo.src = &src;
  progress.progress_monitor = on_progress;
  cinfo.progress = &progress;
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.image_width == 0 || cinfo.image_height == 0) {
    jpeg_destroy_decompress(&cinfo);
    return LoadStatus::Failed;
  }
  if (!limit->allows(cinfo.image_width, cinfo.image_height)) {
    jpeg_destroy_decompress(&cinfo);
    return LoadStatus::TooLarge;
  }
  switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
      cinfo.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo.out_color_space = JCS_CMYK;
      break;
    default:
      cinfo.out_color_space = JCS_RGB;
      break;
  }
  jpeg_start_decompress(&cinfo);
  const int expected = cinfo.out_color_space == JCS_GRAYSCALE ? 1
                       : cinfo.out_color_space == JCS_CMYK    ? 4
                                                              : 3;
  if (cinfo.output_components != expected) ERREXIT(&cinfo, JERR_BAD_J_COLORSPACE);
  out->width = static_cast<int>(cinfo.output_width);
  out->height = static_cast<int>(cinfo.output_height);
  out->channels = 3;
  out->pixels.resize(static_cast<size_t>(out->width) * out->height * 3);
  JSAMPARRAY rows = (*cinfo.mem->alloc_sarray)(
      reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
      cinfo.output_width * static_cast<JDIMENSION>(cinfo.output_components), 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    const JDIMENSION y = cinfo.output_scanline;
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) ERREXIT(&cinfo, JERR_INPUT_EOF);
    store_row(rows[0], cinfo.out_color_space, cinfo.saw_Adobe_marker != 0, out->width,
              out->at(0, static_cast<int>(y)));
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return LoadStatus::Ok;
}

bool run_encoder(const uint8_t* rgb, int width, int height, int quality, std::string* out) {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  Destination dst;
  std::memset(&cinfo, 0, sizeof cinfo);
  install_error_manager(&err);
  cinfo.err = &err.pub;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  dst.pub.init_destination = dst_init;
  dst.pub.empty_output_buffer = dst_empty;
  dst.pub.term_destination = dst_term;
  dst.out = out;
  cinfo.dest = &dst.pub;
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, FALSE);
  jpeg_start_compress(&cinfo, TRUE);
  const size_t stride = static_cast<size_t>(width) * 3;
  while (cinfo.next_scanline < cinfo.image_height) {
    // libjpeg takes non-const rows but only reads them.
    JSAMPROW row = const_cast<JSAMPLE*>(rgb + stride * cinfo.next_scanline);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

namespace codec {

// The size in the first frame header (SOFn), found by walking the marker segments; false when
// the bytes end or a scan starts before one.
bool jpeg_size(const uint8_t* data, size_t size, int* width, int* height) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
  size_t at = 2;
  while (at + 1 < size) {
    if (data[at] != 0xFF) return false;
    const uint8_t marker = data[at + 1];
    at += 2;
    if (marker == 0xFF) {  // fill byte before a marker
      --at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no segment
    if (marker == 0xD9 || marker == 0xDA || at + 2 > size) return false;
    const size_t length = (size_t{data[at]} << 8) | data[at + 1];
    if (length < 2 || at + length > size) return false;
    const bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (length < 7) return false;
      *height = (data[at + 3] << 8) | data[at + 4];
      *width = (data[at + 5] << 8) | data[at + 6];
      return true;
    }
    at += length;
  }
  return false;
}

LoadStatus decode_jpeg(const uint8_t* data, size_t size, const SizeLimit& limit, Image* out) {
  // The frame header's claim decides the size path before libjpeg sees the file, so that a
  // claim beyond libjpeg's own maximum is still "too large" rather than "broken".
  int width = 0;
  int height = 0;
  if (jpeg_size(data, size, &width, &height) && width > 0 && height > 0 &&
      !limit.allows(width, height))
    return LoadStatus::TooLarge;
  return run_decoder(data, size, &limit, out);
}

}  // namespace codec

bool encode_jpeg(const Image& image, int quality, std::string* out) {
  if (out == nullptr || image.width < 1 || image.height < 1 || image.width > 65500 ||
      image.height > 65500 || (image.channels != 3 && image.channels != 4) ||
      image.pixels.size() < static_cast<size_t>(image.width) * image.height * image.channels)
    return false;
  if (quality < 0) quality = 0;
  if (quality > 100) quality = 100;
  const Image flat = flatten_over_white(image);
  std::string bytes;
  if (!run_encoder(flat.pixels.data(), flat.width, flat.height, quality, &bytes)) return false;
  *out = std::move(bytes);
  return true;
}

}  // namespace brinkmoor
