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

// A new picture of 3 channels, every pixel black. Sizes below 1 give an empty picture.
Image make_image(int width, int height);

// Gives every pixel that is 4-connected to (x, y) through pixels of the start pixel's exact
// value the colour (r, g, b); on an RGBA picture the filled pixels become opaque. A start point
// outside the picture changes nothing.
void flood_fill(Image& image, int x, int y, uint8_t r, uint8_t g, uint8_t b);

// Hard limits against hostile files, whatever limit the caller asks for: no picture side over
// kMaxImageSide pixels, no picture over kMaxImagePixels pixels, no file over kMaxImageFileBytes.
inline constexpr int kMaxImageSide = 16384;
inline constexpr int64_t kMaxImagePixels = int64_t{4096} * 4096;
inline constexpr int64_t kMaxImageFileBytes = int64_t{64} * 1024 * 1024;

enum class ImageFormat { Unknown, Png, Jpeg, Bmp };

// The format the bytes start like ("\x89PNG", "\xFF\xD8\xFF", "BM"); names are never consulted.
ImageFormat sniff_image_format(const std::string& bytes);

enum class LoadStatus {
  Ok,        // *out holds the picture
  TooLarge,  // the header claims more than the limit (or the hard caps); nothing was decoded
  Failed,    // missing, unreadable, truncated, corrupt or not a picture we understand
};

// Reads a PNG, JPEG or BMP file, recognised by its content. The size in the header is checked
// first: a picture wider than max_width or higher than max_height is never decoded. The result
// has 3 channels, or 4 when the file carries transparency. *out is only written on Ok.
LoadStatus load_image(const std::string& path, int max_width, int max_height, Image* out);
LoadStatus decode_image(const std::string& bytes, int max_width, int max_height, Image* out);

// Just the size the header claims; false when the bytes are not a picture header we understand.
bool read_image_size(const std::string& bytes, int* width, int* height);

// JPEG with the library's defaults for a 3-component RGB source and jpeg_set_quality(quality,
// FALSE) (quality clamped to 0..100); alpha is composed over white. encode_jpeg gives the bytes;
// save_jpeg writes them through a temporary file renamed over path, so a failed write leaves
// any previous file intact.
bool encode_jpeg(const Image& image, int quality, std::string* out);
bool save_jpeg(const Image& image, const std::string& path, int quality);

// 3-channel copy; RGBA pixels composed over white.
Image flatten_over_white(const Image& image);

}  // namespace brinkmoor
