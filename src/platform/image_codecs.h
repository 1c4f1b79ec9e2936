#pragma once
// The decoders behind load_image. Each one reads the size from the header first and returns
// TooLarge before it allocates any pixels when the size is over the limit.
#include <cstddef>
#include <cstdint>

#include "platform/image.h"

namespace brinkmoor::codec {

// The limits one decode runs under: the caller's, tightened by the hard caps.
struct SizeLimit {
  int max_width = 0;
  int max_height = 0;
  bool allows(int64_t width, int64_t height) const {
    return width <= max_width && height <= max_height && width <= kMaxImageSide &&
           height <= kMaxImageSide && width * height <= kMaxImagePixels;
  }
};

LoadStatus decode_png(const uint8_t* data, size_t size, const SizeLimit& limit, Image* out);
LoadStatus decode_jpeg(const uint8_t* data, size_t size, const SizeLimit& limit, Image* out);
LoadStatus decode_bmp(const uint8_t* data, size_t size, const SizeLimit& limit, Image* out);

bool png_size(const uint8_t* data, size_t size, int* width, int* height);
bool jpeg_size(const uint8_t* data, size_t size, int* width, int* height);
bool bmp_size(const uint8_t* data, size_t size, int* width, int* height);

}  // namespace brinkmoor::codec
