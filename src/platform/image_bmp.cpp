// BMP by hand: "BM", then a core (12-byte) or info (40-byte and longer) header; 1, 4 and 8 bits
// through a palette, 16 and 32 bits through bit masks (given or default), 24 bits as BGR; rows
// bottom-up for a positive height, top-down for a negative one. Every offset and size comes from
// the file, so each one is checked against the file's length before it is used.
#include <bit>
#include <cstring>
#include <vector>

#include "platform/image.h"
#include "platform/image_codecs.h"

namespace brinkmoor::codec {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

uint16_t le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

struct Header {
  uint32_t pixel_offset = 0;
  uint32_t header_size = 0;
  int64_t width = 0;
  int64_t height = 0;  // positive; top_down tells the row order
  bool top_down = false;
  int bits = 0;
  uint32_t compression = kBiRgb;
  uint32_t colours_used = 0;
};

// Fills h from the two headers; false when they are cut short or make no sense.
bool parse_header(const uint8_t* data, size_t size, Header* h) {
  if (size < 26 || data[0] != 'B' || data[1] != 'M') return false;
  h->pixel_offset = le32(data + 10);
  h->header_size = le32(data + 14);
  if (h->header_size == 12) {
    h->width = le16(data + 18);
    h->height = le16(data + 20);
    h->bits = le16(data + 24);
    return true;
  }
  if (h->header_size < 40 || h->header_size > 4096 || size < 14 + size_t{h->header_size})
    return false;
  h->width = static_cast<int32_t>(le32(data + 18));
  const int32_t height = static_cast<int32_t>(le32(data + 22));
  h->top_down = height < 0;
  h->height = height < 0 ? -static_cast<int64_t>(height) : height;
  h->bits = le16(data + 28);
  h->compression = le32(data + 30);
  h->colours_used = le32(data + 46);
  return true;
}

struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  uint8_t get(uint32_t pixel) const {
    if (max == 0) return 0;
    // 64-bit arithmetic: a mask may be 32 bits wide.
    const uint64_t value = (pixel & mask) >> shift;
    return static_cast<uint8_t>((value * 255 + max / 2) / max);
  }
};

Channel make_channel(uint32_t mask) {
  Channel c;
  c.mask = mask;
  if (mask == 0) return c;
  c.shift = std::countr_zero(mask);
  c.max = mask >> c.shift;
  return c;
}

}  // namespace

bool bmp_size(const uint8_t* data, size_t size, int* width, int* height) {
  Header h;
  if (!parse_header(data, size, &h) || h.width > 0x7FFFFFFF || h.height > 0x7FFFFFFF) return false;
  *width = static_cast<int>(h.width);
  *height = static_cast<int>(h.height);
  return true;
}

LoadStatus decode_bmp(const uint8_t* data, size_t size, const SizeLimit& limit, Image* out) {
  Header h;
  if (!parse_header(data, size, &h)) return LoadStatus::Failed;
  if (h.width <= 0 || h.height <= 0) return LoadStatus::Failed;
  if (!limit.allows(h.width, h.height)) return LoadStatus::TooLarge;

  const int bits = h.bits;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return LoadStatus::Failed;
  const bool masked = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
  // Run-length, embedded JPEG/PNG and other compressions are not understood.
  if (h.compression != kBiRgb && !(masked && (bits == 16 || bits == 32))) return LoadStatus::Failed;

  // Bit masks: inside a V2+ header, or right after a 40-byte header.
  size_t after_header = 14 + size_t{h.header_size};
  uint32_t masks[4] = {0, 0, 0, 0};
  if (bits == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  } else if (bits == 32) {
    masks[0] = 0x00FF0000;
    masks[1] = 0x0000FF00;
    masks[2] = 0x000000FF;
  }
  if (masked) {
    const int count = h.compression == kBiAlphaBitfields ? 4 : 3;
    size_t at = 54;
    if (h.header_size == 40) {
      if (size < after_header + 4u * count) return LoadStatus::Failed;
      after_header += 4u * count;
    } else if (h.header_size < 52) {
      return LoadStatus::Failed;
    }
    for (int i = 0; i < count; ++i) masks[i] = le32(data + at + 4 * i);
    if (h.header_size >= 56 && count == 3) masks[3] = le32(data + 54 + 12);
    if ((masks[0] | masks[1] | masks[2]) == 0) return LoadStatus::Failed;
    if (bits == 16 && ((masks[0] | masks[1] | masks[2] | masks[3]) >> 16) != 0)
      return LoadStatus::Failed;
  }
  // Plain (unmasked) 32-bit rows carry a fourth byte of padding, not alpha.
  const Channel channels[4] = {make_channel(masks[0]), make_channel(masks[1]),
                               make_channel(masks[2]), make_channel(masks[3])};

  // The palette, for 1, 4 and 8 bits: BGR triples after a core header, BGRX quads otherwise.
  std::vector<uint8_t> palette;  // RGB triples
  if (bits <= 8) {
    const uint32_t max_colours = 1u << bits;
    uint32_t colours = h.colours_used == 0 ? max_colours : h.colours_used;
    if (colours > max_colours) colours = max_colours;
    const size_t entry = h.header_size == 12 ? 3 : 4;
    // A core header has no colour count: its palette runs up to the pixels, which some writers
    // place before the full 2^bits entries.
    if (h.header_size == 12 && h.pixel_offset > after_header &&
        (h.pixel_offset - after_header) / entry < colours)
      colours = static_cast<uint32_t>((h.pixel_offset - after_header) / entry);
    if (after_header > size || (size - after_header) / entry < colours) return LoadStatus::Failed;
    palette.resize(size_t{colours} * 3);
    for (uint32_t i = 0; i < colours; ++i) {
      const uint8_t* p = data + after_header + i * entry;
      palette[i * 3] = p[2];
      palette[i * 3 + 1] = p[1];
      palette[i * 3 + 2] = p[0];
    }
  }

  const uint64_t width = static_cast<uint64_t>(h.width);
  const uint64_t height = static_cast<uint64_t>(h.height);
  const uint64_t stride = ((width * static_cast<uint64_t>(bits) + 31) / 32) * 4;
  if (h.pixel_offset > size || (size - h.pixel_offset) / stride < height) return LoadStatus::Failed;

  const bool has_alpha_mask = masks[3] != 0;
  Image image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.channels = has_alpha_mask ? 4 : 3;
  image.pixels.assign(width * height * static_cast<uint64_t>(image.channels), 0);
  bool any_alpha = false;
  const size_t colours = palette.size() / 3;
  for (uint64_t row = 0; row < height; ++row) {
    const uint8_t* src = data + h.pixel_offset + row * stride;
    const int y = static_cast<int>(h.top_down ? row : height - 1 - row);
    uint8_t* dst = image.at(0, y);
    for (uint64_t x = 0; x < width; ++x, dst += image.channels) {
      if (bits <= 8) {
        const uint64_t bit = x * static_cast<uint64_t>(bits);
        const unsigned byte = src[bit / 8];
        const unsigned index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        // An index past the palette's end is a damaged file, not black.
        if (index >= colours) return LoadStatus::Failed;
        std::memcpy(dst, &palette[index * 3], 3);
      } else if (bits == 24) {
        const uint8_t* p = src + x * 3;
        dst[0] = p[2];
        dst[1] = p[1];
        dst[2] = p[0];
      } else {
        const uint32_t pixel = bits == 16 ? le16(src + x * 2) : le32(src + x * 4);
        for (int c = 0; c < 3; ++c) dst[c] = channels[c].get(pixel);
        if (has_alpha_mask) {
          dst[3] = channels[3].get(pixel);
          any_alpha = any_alpha || dst[3] != 0;
        }
      }
    }
  }
  if (has_alpha_mask && !any_alpha) {
    // An alpha mask over all-zero alpha is a writer that never filled it in: the picture is
    // opaque, not invisible.
    Image rgb;
    rgb.width = image.width;
    rgb.height = image.height;
    rgb.channels = 3;
    rgb.pixels.resize(width * height * 3);
    for (uint64_t i = 0; i < width * height; ++i)
      std::memcpy(&rgb.pixels[i * 3], &image.pixels[i * 4], 3);
    image = std::move(rgb);
  }
  *out = std::move(image);
  return LoadStatus::Ok;
}

}  // namespace brinkmoor::codec
