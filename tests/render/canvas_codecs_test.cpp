// The picture codecs and picture operations under the Canvas: decoding every format and depth
// we accept, refusing damaged and hostile files, the size limit read from the header, flood fill,
// and JPEG output that matches the reference encoder byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/image.h"
#include "platform/process.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

namespace fs = std::filesystem;

struct ManifestLine {
  std::string file;
  std::string second;
  int tolerance = 0;
};

std::vector<ManifestLine> manifest(const std::string& folder) {
  std::istringstream in(test::test_data(folder + "/manifest.txt"));
  std::vector<ManifestLine> lines;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    ManifestLine m;
    if (fields >> m.file >> m.second) {
      fields >> m.tolerance;
      lines.push_back(m);
    }
  }
  return lines;
}

// The truth files are PAM (P7) with DEPTH 3 or 4 and MAXVAL 255.
Image read_pam(const std::string& bytes) {
  Image image;
  const size_t end = bytes.find("ENDHDR\n");
  std::istringstream head(bytes.substr(0, end));
  std::string key;
  while (head >> key) {
    if (key == "WIDTH") head >> image.width;
    if (key == "HEIGHT") head >> image.height;
    if (key == "DEPTH") head >> image.channels;
  }
  image.pixels.assign(bytes.begin() + static_cast<long>(end + 7), bytes.end());
  return image;
}

std::string status_name(LoadStatus s) {
  switch (s) {
    case LoadStatus::Ok:
      return "Ok";
    case LoadStatus::TooLarge:
      return "TooLarge";
    case LoadStatus::Failed:
      return "Failed";
  }
  return "?";
}

// A picture whose every pixel differs from its neighbours, so that the encoder's output depends
// on all of its settings.
Image test_pattern(int width, int height) {
  Image image = make_image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = image.at(x, y);
      p[0] = static_cast<uint8_t>(x * 7 + y * 3);
      p[1] = static_cast<uint8_t>((x * y) ^ 0x5A);
      p[2] = static_cast<uint8_t>(255 - x * 5 + y * 11);
    }
  return image;
}

std::string ppm(const Image& image) {
  std::string out =
      "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
  out.append(image.pixels.begin(), image.pixels.end());
  return out;
}

// What cjpeg writes for the picture at quality q.
std::string reference_jpeg(const test::TempDir& dir, const Image& image, int quality) {
  const std::string cjpeg = "/usr/bin/cjpeg";
  EXPECT_TRUE(fs::exists(cjpeg)) << "libjpeg-turbo-progs is needed (scripts/install-deps)";
  dir.write("in.ppm", ppm(image));
  ChildProcess child;
  EXPECT_TRUE(child.start(cjpeg, {"-quality", std::to_string(quality), "-outfile",
                                  dir.file("ref.jpg"), dir.file("in.ppm")}));
  EXPECT_EQ(child.wait(60000), 0);
  return dir.read("ref.jpg");
}

// --- decoding ----------------------------------------------------------------------------------

TEST(ImageDecode, EveryGoodPictureGivesItsTruth) {
  const auto lines = manifest("images");
  ASSERT_GE(lines.size(), 30u);
  for (const auto& m : lines) {
    SCOPED_TRACE(m.file);
    Image image;
    ASSERT_EQ(load_image(test::test_data_path("images/" + m.file), 1000, 1000, &image),
              LoadStatus::Ok);
    const Image truth = read_pam(test::test_data("images/" + m.second));
    ASSERT_EQ(image.width, truth.width);
    ASSERT_EQ(image.height, truth.height);
    ASSERT_EQ(image.channels, truth.channels);
    ASSERT_EQ(image.pixels.size(), truth.pixels.size());
    int worst = 0;
    for (size_t i = 0; i < truth.pixels.size(); ++i)
      worst = std::max(worst, std::abs(int{image.pixels[i]} - int{truth.pixels[i]}));
    EXPECT_LE(worst, m.tolerance);
  }
}

TEST(ImageDecode, FormatComesFromTheContentNotTheName) {
  test::TempDir dir;
  const struct {
    const char* source;
    const char* copy;
  } cases[] = {
      {"rgb8.png", "looks_like.bmp"},  {"rgb8.png", "no_extension"},
      {"rgb24.bmp", "looks_like.jpg"}, {"rgb.jpg", "looks_like.png"},
      {"palette4.bmp", "UPPER.PNG"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.copy);
    dir.write(c.copy, test::test_data(std::string("images/") + c.source));
    Image from_copy;
    Image from_source;
    ASSERT_EQ(load_image(dir.file(c.copy), 350, 100, &from_copy), LoadStatus::Ok);
    ASSERT_EQ(
        load_image(test::test_data_path(std::string("images/") + c.source), 350, 100, &from_source),
        LoadStatus::Ok);
    EXPECT_EQ(from_copy.pixels, from_source.pixels);
  }
  EXPECT_EQ(sniff_image_format("BM"), ImageFormat::Bmp);
  EXPECT_EQ(sniff_image_format("bm"), ImageFormat::Unknown);
  EXPECT_EQ(sniff_image_format(""), ImageFormat::Unknown);
}

TEST(ImageDecode, MissingFileAndFolderFail) {
  test::TempDir dir;
  Image image = make_image(2, 2);
  EXPECT_EQ(load_image(dir.file("nothing.png"), 350, 100, &image), LoadStatus::Failed);
  EXPECT_EQ(load_image(dir.dir(), 350, 100, &image), LoadStatus::Failed);
  EXPECT_EQ(image.width, 2);  // untouched
}

TEST(ImageDecode, SizeLimitIsInclusiveAndCheckedBeforeDecoding) {
  const struct {
    const char* file;
    int width;
    int height;
    LoadStatus expected;
  } cases[] = {
      {"size_350x100.png", 350, 100, LoadStatus::Ok},
      {"size_350x100.bmp", 350, 100, LoadStatus::Ok},
      {"size_351x100.png", 351, 100, LoadStatus::TooLarge},
      {"size_350x101.jpg", 350, 101, LoadStatus::TooLarge},
      {"size_100x101.jpg", 100, 101, LoadStatus::TooLarge},
      {"size_100x101.bmp", 100, 101, LoadStatus::TooLarge},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string bytes = test::test_data(std::string("images/") + c.file);
    int w = 0;
    int h = 0;
    ASSERT_TRUE(read_image_size(bytes, &w, &h));
    EXPECT_EQ(w, c.width);
    EXPECT_EQ(h, c.height);
    Image image;
    EXPECT_EQ(status_name(decode_image(bytes, 350, 100, &image)), status_name(c.expected));
    if (c.expected == LoadStatus::Ok) {
      EXPECT_EQ(image.width, c.width);
      EXPECT_EQ(image.height, c.height);
    } else {
      EXPECT_TRUE(image.pixels.empty());
      // The same file is fine under a larger limit.
      EXPECT_EQ(decode_image(bytes, 1000, 1000, &image), LoadStatus::Ok);
    }
  }
}

TEST(ImageDecode, EveryBadFileHasItsDefinedOutcome) {
  const auto lines = manifest("bad_images");
  ASSERT_GE(lines.size(), 40u);
  for (const auto& m : lines) {
    SCOPED_TRACE(m.file);
    Image image = make_image(1, 1);
    const LoadStatus status =
        load_image(test::test_data_path("bad_images/" + m.file), 350, 100, &image);
    if (m.second == "Any") {
      if (status == LoadStatus::Ok) {
        EXPECT_EQ(image.pixels.size(),
                  static_cast<size_t>(image.width) * image.height * image.channels);
      }
      continue;
    }
    EXPECT_EQ(status_name(status), m.second);
    // Nothing of a failed picture reaches the caller.
    EXPECT_EQ(image.width, 1);
    EXPECT_EQ(image.pixels.size(), 3u);
  }
}

TEST(ImageDecode, HardCapsHoldWhateverTheCallerAllows) {
  const std::string huge = test::test_data("bad_images/png_huge.png");
  Image image;
  EXPECT_EQ(decode_image(huge, 1 << 30, 1 << 30, &image), LoadStatus::TooLarge);
  EXPECT_EQ(decode_image(test::test_data("bad_images/bmp_huge.bmp"), 1 << 30, 1 << 30, &image),
            LoadStatus::TooLarge);
  EXPECT_EQ(decode_image(test::test_data("bad_images/jpeg_huge.jpg"), 1 << 30, 1 << 30, &image),
            LoadStatus::TooLarge);
}

// Mutated copies of every test file: each decode must end in one of the three outcomes with a
// consistent picture, and (under the sanitizer build) without a single bad memory access.
TEST(ImageDecode, MutatedFilesNeverBreakTheDecoder) {
  std::vector<std::string> seeds;
  for (const auto& m : manifest("images")) seeds.push_back(test::test_data("images/" + m.file));
  for (const auto& m : manifest("bad_images"))
    seeds.push_back(test::test_data("bad_images/" + m.file));
  std::mt19937 rng(20261211);
  int decoded = 0;
  constexpr int kRounds = 200;
  for (int round = 0; round < kRounds; ++round) {
    for (const std::string& seed : seeds) {
      std::string bytes = seed;
      if (bytes.empty()) bytes = "BM";
      const int edits = 1 + static_cast<int>(rng() % 4);
      for (int e = 0; e < edits && !bytes.empty(); ++e) {
        const size_t at = rng() % bytes.size();
        switch (rng() % 6) {
          case 0:
            bytes[at] = static_cast<char>(rng());
            break;
          case 1:
            bytes[at] = static_cast<char>(bytes[at] ^ (1 << (rng() % 8)));
            break;
          case 2:
            bytes.resize(at + 1);
            break;
          case 3:
            bytes.insert(at, 1 + rng() % 8, static_cast<char>(rng()));
            break;
          case 4:
            bytes[at] = static_cast<char>((rng() & 1) ? 0xFF : 0x00);
            break;
          default:
            bytes.erase(at, 1 + rng() % 16);
            break;
        }
      }
      for (const int limit : {100, 350}) {
        Image image;
        const LoadStatus status = decode_image(bytes, limit, limit, &image);
        if (status == LoadStatus::Ok) {
          ++decoded;
          ASSERT_GT(image.width, 0);
          ASSERT_LE(image.width, limit);
          ASSERT_LE(image.height, limit);
          ASSERT_TRUE(image.channels == 3 || image.channels == 4);
          ASSERT_EQ(image.pixels.size(),
                    static_cast<size_t>(image.width) * image.height * image.channels);
        }
      }
    }
  }
  // Many mutations leave a decodable picture; if none did, the loop tested nothing.
  EXPECT_GT(decoded, 100);
}

// --- pictures and flood fill -------------------------------------------------------------------

TEST(ImageOps, MakeImageIsBlackRgb) {
  const Image image = make_image(300, 100);
  EXPECT_EQ(image.width, 300);
  EXPECT_EQ(image.height, 100);
  EXPECT_EQ(image.channels, 3);
  ASSERT_EQ(image.pixels.size(), 300u * 100u * 3u);
  EXPECT_TRUE(
      std::all_of(image.pixels.begin(), image.pixels.end(), [](uint8_t v) { return v == 0; }));
  EXPECT_TRUE(make_image(0, 5).pixels.empty());
  EXPECT_TRUE(make_image(5, -1).pixels.empty());
}

// Rows of a small picture: '.' black, '#' white; filled pixels become 'o'.
std::vector<std::string> fill_case(std::vector<std::string> rows, int x, int y) {
  Image image = make_image(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int py = 0; py < image.height; ++py)
    for (int px = 0; px < image.width; ++px)
      if (rows[py][px] == '#') std::fill_n(image.at(px, py), 3, uint8_t{255});
  flood_fill(image, x, y, 120, 120, 120);
  for (int py = 0; py < image.height; ++py)
    for (int px = 0; px < image.width; ++px) {
      const uint8_t v = image.at(px, py)[0];
      rows[py][px] = v == 120 ? 'o' : v == 255 ? '#' : '.';
    }
  return rows;
}

TEST(ImageOps, FloodFillTakesTheFourConnectedRegionOfTheStartColour) {
  const struct {
    std::vector<std::string> before;
    int x, y;
    std::vector<std::string> after;
  } cases[] = {
      // The whole uniform picture.
      {{"....", "...."}, 1, 1, {"oooo", "oooo"}},
      // A wall stops the fill; a diagonal gap does not let it through.
      {{"..#..", "..#..", "..#.."}, 0, 0, {"oo#..", "oo#..", "oo#.."}},
      {{".#...", "#....", "....."}, 0, 0, {"o#...", "#....", "....."}},
      // The region winds around: every connected pixel is reached.
      {{".....", "####.", ".....", ".####", "....."},
       0,
       0,
       {"ooooo", "####o", "ooooo", "o####", "ooooo"}},
      // Starting on white fills white.
      {{"#.#", "###"}, 0, 0, {"o.o", "ooo"}},
      // A start point outside the picture changes nothing.
      {{"..", ".."}, -1, 0, {"..", ".."}},
      {{"..", ".."}, 2, 1, {"..", ".."}},
  };
  for (const auto& c : cases) EXPECT_EQ(fill_case(c.before, c.x, c.y), c.after);
}

TEST(ImageOps, FloodFillOnLargePicturesAndRgba) {
  // A comb of one-pixel teeth makes the most separate runs; no recursion, no stack to overflow.
  Image comb = make_image(350, 100);
  for (int y = 0; y < 99; ++y)
    for (int x = 1; x < 350; x += 2) std::fill_n(comb.at(x, y), 3, uint8_t{255});
  flood_fill(comb, 0, 0, 120, 120, 120);
  for (int x = 0; x < 350; x += 2) EXPECT_EQ(comb.at(x, 0)[0], 120) << x;
  EXPECT_EQ(comb.at(1, 0)[0], 255);
  EXPECT_EQ(comb.at(349, 99)[0], 120);

  Image rgba;
  rgba.width = 2;
  rgba.height = 1;
  rgba.channels = 4;
  rgba.pixels = {0, 0, 0, 0, 0, 0, 0, 10};
  flood_fill(rgba, 0, 0, 1, 2, 3);
  // Only the exact start value counts (alpha included); filled pixels become opaque.
  EXPECT_EQ(rgba.pixels, (std::vector<uint8_t>{1, 2, 3, 255, 0, 0, 0, 10}));
}

// --- JPEG output -------------------------------------------------------------------------------

TEST(JpegOutput, MatchesTheReferenceEncoderByteForByte) {
  test::TempDir dir;
  const Image image = test_pattern(37, 23);
  for (const int quality : {10, 50, 100, 75, 1}) {
    SCOPED_TRACE(quality);
    const std::string reference = reference_jpeg(dir, image, quality);
    ASSERT_FALSE(reference.empty());
    std::string ours;
    ASSERT_TRUE(encode_jpeg(image, quality, &ours));
    EXPECT_TRUE(ours == reference);
    ASSERT_TRUE(save_jpeg(image, dir.file("out.jpg"), quality));
    EXPECT_TRUE(dir.read("out.jpg") == reference);
  }
}

TEST(JpegOutput, AlphaIsComposedOverWhite) {
  Image rgba;
  rgba.width = 16;
  rgba.height = 16;
  rgba.channels = 4;
  rgba.pixels.assign(16 * 16 * 4, 0);
  for (int i = 0; i < 16 * 16; ++i) {
    rgba.pixels[i * 4] = 200;  // red, fully transparent on the left half...
    rgba.pixels[i * 4 + 3] = (i % 16) < 8 ? 0 : 255;
  }
  Image expected = make_image(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      uint8_t* p = expected.at(x, y);
      if (x < 8) {
        p[0] = p[1] = p[2] = 255;  // ...which comes out white
      } else {
        p[0] = 200;
      }
    }
  std::string from_rgba;
  std::string from_rgb;
  ASSERT_TRUE(encode_jpeg(rgba, 80, &from_rgba));
  ASSERT_TRUE(encode_jpeg(expected, 80, &from_rgb));
  EXPECT_TRUE(from_rgba == from_rgb);

  rgba.pixels[3] = 128;  // half transparent over white
  const Image flat = flatten_over_white(rgba);
  EXPECT_EQ(flat.at(0, 0)[0], (200 * 128 + 255 * 127 + 127) / 255);
  EXPECT_EQ(flat.at(0, 0)[1], (255 * 127 + 127) / 255);
}

TEST(JpegOutput, QualityIsClampedToTheLibraryScale) {
  const Image image = test_pattern(9, 9);
  std::string low, zero, high, hundred;
  ASSERT_TRUE(encode_jpeg(image, -5, &low));
  ASSERT_TRUE(encode_jpeg(image, 0, &zero));
  ASSERT_TRUE(encode_jpeg(image, 500, &high));
  ASSERT_TRUE(encode_jpeg(image, 100, &hundred));
  EXPECT_TRUE(low == zero);
  EXPECT_TRUE(high == hundred);
}

TEST(JpegOutput, FailedWriteLeavesThePreviousFileAndNoLitter) {
  test::TempDir dir;
  const Image image = test_pattern(8, 8);
  dir.write("grafika/brinkmoortest.jpg", "previous picture");
  // No picture to write: false, and the old file stays whole.
  EXPECT_FALSE(save_jpeg(Image{}, dir.file("grafika/brinkmoortest.jpg"), 50));
  EXPECT_EQ(dir.read("grafika/brinkmoortest.jpg"), "previous picture");
  // A missing folder is not created.
  EXPECT_FALSE(save_jpeg(image, dir.file("missing/brinkmoortest.jpg"), 50));
  EXPECT_FALSE(fs::exists(dir.file("missing")));
  // A folder in the way of the rename: false, and the temporary file is gone.
  dir.mkdir("grafika/blocked.jpg/inside");
  EXPECT_FALSE(save_jpeg(image, dir.file("grafika/blocked.jpg"), 50));
  // A good write replaces the file and leaves nothing else behind.
  EXPECT_TRUE(save_jpeg(image, dir.file("grafika/brinkmoortest.jpg"), 50));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir.file("grafika")))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"blocked.jpg", "brinkmoortest.jpg"}));
  Image back;
  EXPECT_EQ(load_image(dir.file("grafika/brinkmoortest.jpg"), 350, 100, &back), LoadStatus::Ok);
  EXPECT_EQ(back.width, 8);
}

}  // namespace
}  // namespace brinkmoor
