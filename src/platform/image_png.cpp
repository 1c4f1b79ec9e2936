// PNG through libpng. libpng reports errors by longjmp back to the setjmp in run_decoder; that
// function holds no C++ objects with destructors, and the picture's buffer lives in the caller.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "platform/image.h"
#include "platform/image_codecs.h"

namespace brinkmoor {
namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

void read_bytes(png_structp png, png_bytep dst, size_t count) {
  auto* r = static_cast<Reader*>(png_get_io_ptr(png));
  if (count > r->size - r->pos) png_error(png, "truncated");
  std::memcpy(dst, r->data + r->pos, count);
  r->pos += count;
}

[[noreturn]] void on_error(png_structp png, png_const_charp /*message*/) {
  png_longjmp(png, 1);
}
void on_warning(png_structp /*png*/, png_const_charp /*message*/) {}

uint32_t be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

LoadStatus run_decoder(const uint8_t* data, size_t size, const codec::SizeLimit& limit,
                       Image* out) {
  Reader reader{data, size, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
  if (png == nullptr) return LoadStatus::Failed;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return LoadStatus::Failed;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return LoadStatus::Failed;
  }
  png_set_read_fn(png, &reader, read_bytes);
  // Ancillary chunks of a hostile file must not grow without bound.
  png_set_chunk_malloc_max(png, 1024 * 1024);
  png_set_chunk_cache_max(png, 128);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (!limit.allows(width, height)) {
    png_destroy_read_struct(&png, &info, nullptr);
    return LoadStatus::TooLarge;
  }
  const int color_type = png_get_color_type(png, info);
  const int bit_depth = png_get_bit_depth(png, info);
  if (bit_depth == 16) png_set_scale_16(png);
  if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (color_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const int channels = png_get_channels(png, info);
  if ((channels != 3 && channels != 4) || png_get_bit_depth(png, info) != 8 ||
      png_get_rowbytes(png, info) != static_cast<size_t>(width) * channels)
    png_error(png, "unexpected layout");
  out->width = static_cast<int>(width);
  out->height = static_cast<int>(height);
  out->channels = channels;
  out->pixels.assign(static_cast<size_t>(width) * height * channels, 0);
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y)
      png_read_row(png, out->at(0, static_cast<int>(y)), nullptr);
  }
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return LoadStatus::Ok;
}

}  // namespace

namespace codec {

LoadStatus decode_png(const uint8_t* data, size_t size, const SizeLimit& limit, Image* out) {
  // The header's claim decides the size path before libpng sees the file, so that a claim
  // beyond libpng's own limits is still "too large" rather than "broken".
  int width = 0;
  int height = 0;
  if (!png_size(data, size, &width, &height)) return LoadStatus::Failed;
  if (width > 0 && height > 0 && !limit.allows(width, height)) return LoadStatus::TooLarge;
  return run_decoder(data, size, limit, out);
}

bool png_size(const uint8_t* data, size_t size, int* width, int* height) {
  // Signature, then the IHDR chunk: length, "IHDR", width, height (big-endian).
  if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return false;
  const uint32_t w = be32(data + 16);
  const uint32_t h = be32(data + 20);
  if (w > 0x7FFFFFFFu || h > 0x7FFFFFFFu) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

}  // namespace codec
}  // namespace brinkmoor
