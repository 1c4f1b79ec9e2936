#pragma once
// In-memory pictures and the picture codecs (PNG through libpng, JPEG through libjpeg, BMP).
#include <cstdint>
#include <string>
#include <vector>

namespace brinkmoor {

// 8 bits a channel, rows top to bottom, no padding: RGB (3 channels) or RGBA (4).
struct Image {
  int width = 0;
  int height = 0;
  int channels = 3;
  std::vector<uint8_t> pixels;

  uint8_t* at(int x, int y) {
    return pixels.data() + (static_cast<size_t>(y) * width + x) * channels;
  }
  const uint8_t* at(int x, int y) const {
    return pixels.data() + (static_cast<size_t>(y) * width + x) * channels;
  }
};

}  // namespace brinkmoor
