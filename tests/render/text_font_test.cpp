#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/font.h"
#include "platform/image.h"

namespace brinkmoor {
namespace {

Image grey_picture(int width, int height, int channels = 3, uint8_t level = 120) {
  Image image;
  image.width = width;
  image.height = height;
  image.channels = channels;
  image.pixels.assign(static_cast<size_t>(width) * height * channels, level);
  return image;
}

// Liberation Sans opened straight with FreeType, at the same em height, as the reference for
// the font layer's layout figures.
class ReferenceFace {
 public:
  ReferenceFace(const std::string& path, int em) {
    EXPECT_EQ(FT_Init_FreeType(&library_), 0);
    EXPECT_EQ(FT_New_Face(library_, path.c_str(), 0, &face_), 0);
    EXPECT_EQ(FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(em)), 0);
  }
  ~ReferenceFace() {
    FT_Done_Face(face_);
    FT_Done_FreeType(library_);
  }
  int ascent() const { return static_cast<int>((face_->size->metrics.ascender + 63) >> 6); }
  int descent() const { return static_cast<int>((-face_->size->metrics.descender + 63) >> 6); }
  // Hinted advances in whole pixels, no kerning.
  int64_t advance(const std::u32string& text) const {
    int64_t sum = 0;
    for (char32_t cp : text) {
      EXPECT_EQ(FT_Load_Char(face_, cp, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL), 0);
      sum += (face_->glyph->advance.x + 32) >> 6;
    }
    return sum;
  }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

TEST(FontSize, EmHeightAt96Dpi) {
  struct Case {
    int64_t size;
    int em;
  };
  const Case cases[] = {
      {8, 11},
      {10, 13},
      {9, 12},
      {12, 16},
      {1, 1},
      {0, 13},    // a missing size reads 0: the default 10 points
      {-10, 13},  // a negative size is taken by its magnitude
      {-1, 1},
      {100000, kMaxEmPx},
      {INT_MAX, kMaxEmPx},
      {INT_MIN, kMaxEmPx},
      {INT64_MIN, kMaxEmPx},
  };
  for (const auto& c : cases) EXPECT_EQ(em_pixels_for_size(c.size), c.em) << c.size;
}

TEST(FontLoad, ArialResolvesToLiberationSansInEachStyle) {
  struct Case {
    bool bold, italic;
    const char* file;
  };
  const Case cases[] = {{false, false, "LiberationSans-Regular.ttf"},
                        {true, false, "LiberationSans-Bold.ttf"},
                        {false, true, "LiberationSans-Italic.ttf"},
                        {true, true, "LiberationSans-BoldItalic.ttf"}};
  for (const auto& c : cases) {
    auto font = Font::load(FontSpec{"Arial", 8, c.bold, c.italic});
    ASSERT_TRUE(font);
    EXPECT_EQ(std::filesystem::path(font->file()).filename(), c.file);
    EXPECT_EQ(font->em_px(), 11);
    EXPECT_EQ(font->spec().bold, c.bold);
    EXPECT_EQ(font->spec().italic, c.italic);
  }
}

TEST(FontLoad, MetricsAreFreeTypesOwn) {
  for (int size : {8, 10, 24}) {
    auto font = Font::load(FontSpec{"Arial", size, false, false});
    ASSERT_TRUE(font);
    ReferenceFace reference(font->file(), em_pixels_for_size(size));
    EXPECT_EQ(font->ascent(), reference.ascent()) << size;
    EXPECT_EQ(font->descent(), reference.descent()) << size;
    EXPECT_EQ(font->cell_height(), reference.ascent() + reference.descent());
    for (const char* text : {"Hello", "W", "J", "Total 1234 ", "AVAVA"}) {
      const std::string bytes = text;
      EXPECT_EQ(font->advance_width(bytes),
                reference.advance(std::u32string(bytes.begin(), bytes.end())))
          << size << " " << text;
    }
  }
}

TEST(FontLoad, BytesAreUtf8WhenValidElseWindows1250) {
  auto font = Font::load(FontSpec{"Arial", 10, false, false});
  ASSERT_TRUE(font);
  // "ł" as UTF-8 (C5 82) and as Windows-1250 (B3) is the same glyph.
  EXPECT_EQ(font->advance_width(std::string("\xC5\x82")), font->advance_width(std::string("\xB3")));
  EXPECT_EQ(font->advance_width(std::u32string(U"\u0142")),
            font->advance_width(std::string("\xB3")));
  EXPECT_EQ(font->advance_width(std::string()), 0);
}

TEST(FontLoad, OddFaceNamesStillGiveAFont) {
  const std::string names[] = {
      "",
      "NoSuchFaceAnywhere",
      std::string("Ar\0ial", 6),
      "\xFF\xFE\x80\x81",
      ":bold:italic=1",
      "Arial-Bold,Times",
      std::string(1 << 20, 'A'),
  };
  for (const auto& name : names) {
    auto font = Font::load(FontSpec{name, 10, true, true});
    ASSERT_TRUE(font) << name.size();
    EXPECT_GT(font->cell_height(), 0);
    EXPECT_GT(font->advance_width(std::string("abc")), 0);
  }
}

TEST(DrawText, TransparentChangesOnlyInkAndReachesFrontColour) {
  auto font = Font::load(FontSpec{"Arial", 24, true, false});
  ASSERT_TRUE(font);
  Image picture = grey_picture(120, 40);
  const Image before = picture;
  draw_text(picture, *font, 2, 1, U"Hi", 0x0000FF);
  bool full_red = false;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* p = picture.at(x, y);
      // Blends run from grey 120 towards red: green and blue only fall, red only rises.
      EXPECT_GE(p[0], 120);
      EXPECT_EQ(p[1], p[2]);
      EXPECT_LE(p[1], 120);
      if (p[0] == 255 && p[1] == 0) full_red = true;
      // Nothing right of the text's advance or below its cell.
      if (x >= 2 + font->advance_width(std::string("Hi")) + 2 || y >= 1 + font->cell_height()) {
        EXPECT_EQ(0, std::memcmp(p, before.at(x, y), 3)) << x << "," << y;
      }
    }
  }
  EXPECT_TRUE(full_red);
}

TEST(DrawText, ClippingAtEveryEdgeShiftsTheSamePixels) {
  auto font = Font::load(FontSpec{"Arial", 20, false, true});
  ASSERT_TRUE(font);
  Image whole = grey_picture(200, 60);
  draw_text(whole, *font, 20, 10, U"Wobble", 0xFFFFFF);
  struct Shift {
    int dx, dy;
  };
  for (const Shift s :
       {Shift{-25, 0}, Shift{0, -17}, Shift{-23, -15}, Shift{130, 30}, Shift{-1, 0}}) {
    Image moved = grey_picture(200, 60);
    draw_text(moved, *font, 20 + s.dx, 10 + s.dy, U"Wobble", 0xFFFFFF);
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 200; ++x) {
        const int sx = x - s.dx, sy = y - s.dy;
        if (sx < 0 || sy < 0 || sx >= 200 || sy >= 60) continue;
        ASSERT_EQ(0, std::memcmp(moved.at(x, y), whole.at(sx, sy), 3))
            << s.dx << "," << s.dy << " at " << x << "," << y;
      }
  }
}

TEST(DrawText, OpaqueBoxCoversExactlyItsRectangle) {
  auto font = Font::load(FontSpec{"Arial", 10, false, false});
  ASSERT_TRUE(font);
  Image picture = grey_picture(100, 30);
  const TextBackground box{font->advance_width(std::string("box")), font->cell_height(), 0};
  draw_text(picture, *font, -3, 4, U"box", 0xFFFFFF, &box);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 100; ++x) {
      const uint8_t* p = picture.at(x, y);
      const bool inside = x < -3 + box.width && y >= 4 && y < 4 + box.height;
      if (inside) {
        EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
      } else {
        EXPECT_EQ(p[0], 120) << x << "," << y;
      }
    }
  EXPECT_EQ(picture.at(0, 4)[0], 0);  // the box's top-left visible pixel is bare background
}

TEST(DrawText, RgbaPicturesBecomeOpaqueUnderInk) {
  auto font = Font::load(FontSpec{"Arial", 16, true, false});
  ASSERT_TRUE(font);
  Image picture = grey_picture(60, 30, 4, 0);  // black and fully transparent
  draw_text(picture, *font, 1, 1, U"T", 0x00FF00);
  bool opaque_green = false;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) {
      const uint8_t* p = picture.at(x, y);
      EXPECT_EQ(p[1], p[3]);  // green and alpha rise together from 0
      if (p[1] == 255 && p[3] == 255) opaque_green = true;
    }
  EXPECT_TRUE(opaque_green);
}

TEST(DrawText, HugeGlyphsAreClippedNotRasterisedWhole) {
  // 1000-pixel glyphs on a 350 × 100 picture, partly above and left of it.
  auto font = Font::load(FontSpec{"Arial", 100000, true, false});
  ASSERT_TRUE(font);
  EXPECT_EQ(font->em_px(), kMaxEmPx);
  Image picture = grey_picture(350, 100);
  draw_text(picture, *font, -200, -500, U"WMW", 0);
  int dark = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 350; ++x) dark += picture.at(x, y)[0] == 0;
  EXPECT_GT(dark, 1000);
  // Far off the picture nothing happens.
  const Image before = picture;
  draw_text(picture, *font, INT32_MIN, INT32_MAX, U"WMW", 0xFFFFFF);
  EXPECT_EQ(picture.pixels, before.pixels);
}

TEST(DrawText, PicturesThatCannotBePaintedAreLeftAlone) {
  auto font = Font::load(FontSpec{"Arial", 10, false, false});
  ASSERT_TRUE(font);
  Image empty;
  draw_text(empty, *font, 0, 0, U"x", 0);
  Image grey = grey_picture(10, 10, 1);
  const Image before = grey;
  draw_text(grey, *font, 0, 0, U"x", 0);
  EXPECT_EQ(grey.pixels, before.pixels);
}

}  // namespace
}  // namespace brinkmoor
