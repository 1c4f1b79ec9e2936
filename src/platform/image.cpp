#include "platform/image.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/files.h"
#include "platform/image_codecs.h"

namespace brinkmoor {

Image make_image(int width, int height) {
  Image image;
  if (width < 1 || height < 1) return image;
  image.width = width;
  image.height = height;
  image.channels = 3;
  image.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0);
  return image;
}

void flood_fill(Image& image, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
  const int ch = image.channels;
  if (ch != 3 && ch != 4) return;
  if (image.pixels.size() < static_cast<size_t>(image.width) * image.height * ch) return;
  uint8_t start[4] = {0, 0, 0, 0};
  std::copy_n(image.at(x, y), ch, start);
  const uint8_t fill[4] = {r, g, b, 255};
  // Filling with the start pixel's own value would never end on a naive visit; it changes
  // nothing anyway.
  if (std::equal(start, start + ch, fill)) return;
  auto matches = [&](int px, int py) { return std::equal(start, start + ch, image.at(px, py)); };
  // Scanline fill with an explicit stack: no recursion, so a large region cannot overflow the
  // call stack.
  std::vector<std::pair<int, int>> stack;
  stack.emplace_back(x, y);
  while (!stack.empty()) {
    auto [sx, sy] = stack.back();
    stack.pop_back();
    if (!matches(sx, sy)) continue;
    int left = sx;
    while (left > 0 && matches(left - 1, sy)) --left;
    int right = sx;
    while (right + 1 < image.width && matches(right + 1, sy)) ++right;
    for (int px = left; px <= right; ++px) std::copy_n(fill, ch, image.at(px, sy));
    for (int ny : {sy - 1, sy + 1}) {
      if (ny < 0 || ny >= image.height) continue;
      bool in_run = false;
      for (int px = left; px <= right; ++px) {
        const bool m = matches(px, ny);
        if (m && !in_run) stack.emplace_back(px, ny);
        in_run = m;
      }
    }
  }
}

ImageFormat sniff_image_format(const std::string& bytes) {
  if (bytes.size() >= 8 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) return ImageFormat::Png;
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xFF\xD8\xFF") == 0) return ImageFormat::Jpeg;
  if (bytes.size() >= 2 && bytes.compare(0, 2, "BM") == 0) return ImageFormat::Bmp;
  return ImageFormat::Unknown;
}

bool read_image_size(const std::string& bytes, int* width, int* height) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  switch (sniff_image_format(bytes)) {
    case ImageFormat::Png:
      return codec::png_size(data, bytes.size(), width, height);
    case ImageFormat::Jpeg:
      return codec::jpeg_size(data, bytes.size(), width, height);
    case ImageFormat::Bmp:
      return codec::bmp_size(data, bytes.size(), width, height);
    case ImageFormat::Unknown:
      break;
  }
  return false;
}

LoadStatus decode_image(const std::string& bytes, int max_width, int max_height, Image* out) {
  if (out == nullptr) return LoadStatus::Failed;
  const codec::SizeLimit limit{max_width, max_height};
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  Image image;
  LoadStatus status = LoadStatus::Failed;
  switch (sniff_image_format(bytes)) {
    case ImageFormat::Png:
      status = codec::decode_png(data, bytes.size(), limit, &image);
      break;
    case ImageFormat::Jpeg:
      status = codec::decode_jpeg(data, bytes.size(), limit, &image);
      break;
    case ImageFormat::Bmp:
      status = codec::decode_bmp(data, bytes.size(), limit, &image);
      break;
    case ImageFormat::Unknown:
      break;
  }
  if (status == LoadStatus::Ok) *out = std::move(image);
  return status;
}

namespace {

// The whole file, or false when it cannot be read or is over the size cap (checked before
// anything is allocated for it).
bool read_capped(const std::string& path, std::string* bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(f) : -1;
  ok = ok && size >= 0 && size <= kMaxImageFileBytes && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    bytes->resize(static_cast<size_t>(size));
    ok = size == 0 || std::fread(bytes->data(), 1, bytes->size(), f) == bytes->size();
  }
  std::fclose(f);
  return ok;
}

}  // namespace

LoadStatus load_image(const std::string& path, int max_width, int max_height, Image* out) {
  std::string bytes;
  if (!read_capped(path, &bytes)) return LoadStatus::Failed;
  return decode_image(bytes, max_width, max_height, out);
}

Image flatten_over_white(const Image& image) {
  if (image.channels == 3) return image;
  Image flat = make_image(image.width, image.height);
  if (image.channels != 4 ||
      image.pixels.size() < static_cast<size_t>(image.width) * image.height * 4)
    return flat;
  const size_t n = static_cast<size_t>(image.width) * image.height;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* s = &image.pixels[i * 4];
    uint8_t* d = &flat.pixels[i * 3];
    const unsigned a = s[3];
    for (int c = 0; c < 3; ++c)
      d[c] = static_cast<uint8_t>((s[c] * a + 255u * (255u - a) + 127u) / 255u);
  }
  return flat;
}

bool save_jpeg(const Image& image, const std::string& path, int quality) {
  std::string bytes;
  if (!encode_jpeg(image, quality, &bytes)) return false;
  AtomicFileWriter writer(path, 0644, AtomicFileWriter::Durability::Unsynced);
  if (writer.file() == nullptr) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), writer.file()) != bytes.size()) return false;
  return writer.commit();
}

}  // namespace brinkmoor
