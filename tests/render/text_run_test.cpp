#include "render/text_run.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/font.h"
#include "platform/image.h"
#include "shell/context.h"

namespace brinkmoor {
namespace {

Image grey_picture(int width = 300, int height = 100) {
  Image image;
  image.width = width;
  image.height = height;
  image.channels = 3;
  image.pixels.assign(static_cast<size_t>(width) * height * 3, 120);
  return image;
}

std::unique_ptr<Font> load(int size, bool bold = false, bool italic = false) {
  auto font = Font::load(FontSpec{"Arial", size, bold, italic});
  EXPECT_TRUE(font);
  return font;
}

class TextRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx.canvas = std::make_unique<Image>(grey_picture());
    reset_draw_font(ctx);
  }
  AppContext ctx;
};

TEST_F(TextRunTest, DrawFontLifecycle) {
  ASSERT_TRUE(ctx.draw_font);
  EXPECT_EQ(ctx.draw_font->spec().name, "Arial");
  EXPECT_EQ(ctx.draw_font->spec().size_pt, 8);
  EXPECT_EQ(ctx.draw_font->em_px(), 11);
  select_draw_font(ctx, "Arial", 10, kStyleBold | kStyleItalic);
  EXPECT_EQ(ctx.draw_font->em_px(), 13);
  EXPECT_TRUE(ctx.draw_font->spec().bold);
  EXPECT_TRUE(ctx.draw_font->spec().italic);
  select_draw_font(ctx, "Arial", 12, 0x400);  // no flag but bold and italic counts
  EXPECT_FALSE(ctx.draw_font->spec().bold);
  EXPECT_FALSE(ctx.draw_font->spec().italic);
  free_draw_font(ctx);
  EXPECT_FALSE(ctx.draw_font);
  free_draw_font(ctx);
}

TEST_F(TextRunTest, CursorArithmeticFollowsTheFontsOwnMetrics) {
  struct Case {
    int size;
    bool bold, italic;
    const char* text;
  };
  const Case cases[] = {
      {8, false, false, "Hello"}, {10, true, false, "Total 1234"},
      {10, false, true, "Wave"},  {10, true, true, "x"},
      {24, false, true, "iiii"},  {9, false, false, "\xA3\xF3\xB3ko"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ctx.cursor = TextCursor{};
    select_draw_font(ctx, "Arial", c.size,
                     (c.bold ? kStyleBold : 0) | (c.italic ? kStyleItalic : 0));
    auto font = load(c.size, c.bold, c.italic);
    const int64_t advance = font->advance_width(std::string(c.text));
    // Italic: the advance of "W" divided by 1.2 is added, and the sum truncated.
    const int64_t expected =
        c.italic ? static_cast<int64_t>(advance + font->advance_width(std::string("W")) / 1.2)
                 : advance;
    draw_text_run(ctx, 7, 3, c.text, 0, kNoBackColour, false);
    EXPECT_EQ(ctx.cursor.x, 7 + expected);
    EXPECT_EQ(ctx.cursor.y, 0);  // y moves only at a line end
    EXPECT_EQ(ctx.cursor.line_height, font->cell_height());
    if (c.italic) {
      EXPECT_GT(ctx.cursor.x, 7 + advance);
    }
    draw_text_run(ctx, ctx.cursor.x, 3, "", 0, kNoBackColour, true);
    EXPECT_EQ(ctx.cursor.y, 3 + font->cell_height());
    EXPECT_EQ(ctx.cursor.line_height, 0);
  }
}

TEST_F(TextRunTest, LineHeightComesFromTheFirstNonEmptyRun) {
  const int small = load(8)->cell_height();
  draw_text_run(ctx, 0, 10, "", 0, kNoBackColour, false);
  EXPECT_EQ(ctx.cursor.line_height, 0);
  draw_text_run(ctx, 0, 10, "a", 0, kNoBackColour, false);
  select_draw_font(ctx, "Arial", 30, 0);
  draw_text_run(ctx, ctx.cursor.x, 10, "B", 0, kNoBackColour, false);
  EXPECT_EQ(ctx.cursor.line_height, small);
  draw_text_run(ctx, ctx.cursor.x, 10, "", 0, kNoBackColour, true);
  EXPECT_EQ(ctx.cursor.y, 10 + small);
  // A line on which nothing was drawn adds no space.
  draw_text_run(ctx, 0, ctx.cursor.y, "", 0, kNoBackColour, true);
  EXPECT_EQ(ctx.cursor.y, 10 + small);
}

TEST_F(TextRunTest, EmptyRunChangesNothingButThePendingText) {
  ctx.cursor.x = 42;
  ctx.cursor.y = 17;
  ctx.cursor.pending_text = "";
  draw_text_run(ctx, 5, 6, "", 0, 0, false);
  EXPECT_EQ(ctx.cursor.x, 42);
  EXPECT_EQ(ctx.cursor.y, 17);
  EXPECT_EQ(ctx.canvas->pixels, grey_picture().pixels);
}

TEST_F(TextRunTest, PendingTextIsDrawnAndEmptied) {
  ctx.cursor.pending_text = "pending";
  draw_text_run(ctx, ctx.cursor.x, ctx.cursor.y, ctx.cursor.pending_text, 0, kNoBackColour, true);
  EXPECT_TRUE(ctx.cursor.pending_text.empty());
  EXPECT_EQ(ctx.cursor.x, load(8)->advance_width(std::string("pending")));
  EXPECT_NE(ctx.canvas->pixels, grey_picture().pixels);
}

TEST_F(TextRunTest, OpaqueBoxIsTheAdvanceByTheCellHeight) {
  for (bool italic : {false, true}) {
    SCOPED_TRACE(italic);
    SetUp();
    select_draw_font(ctx, "Arial", 10, italic ? kStyleItalic : 0);
    draw_text_run(ctx, 20, 30, "Box", 0x00FF00, 0x000000, false);
    const int width = ctx.cursor.x - 20;
    const int height = ctx.draw_font->cell_height();
    EXPECT_EQ(height, ctx.cursor.line_height);
    // Every pixel of the box is black or blended towards green; the pixels around it are not.
    for (int y = 25; y < 30 + height + 5; ++y)
      for (int x = 15; x < 20 + width + 5; ++x) {
        const uint8_t* p = ctx.canvas->at(x, y);
        const bool inside = x >= 20 && x < 20 + width && y >= 30 && y < 30 + height;
        if (inside) {
          EXPECT_TRUE(p[0] == 0 && p[2] == 0) << x << "," << y;
        } else if (!italic) {
          EXPECT_EQ(p[0], 120) << x << "," << y;
        }
      }
  }
}

TEST_F(TextRunTest, NegativeXClipsButAdvancesFully) {
  const int64_t advance = load(8)->advance_width(std::string("Wide text"));
  draw_text_run(ctx, -1, 0, "Wide text", 0, kNoBackColour, false);
  EXPECT_EQ(ctx.cursor.x, -1 + advance);
  draw_text_run(ctx, -100000, 20, "Wide text", 0, 0, false);
  EXPECT_EQ(ctx.cursor.x, -100000 + advance);
}

TEST_F(TextRunTest, CursorSaturatesInsteadOfWrapping) {
  const std::string long_text(1000, 'W');
  draw_text_run(ctx, INT32_MAX - 10, INT32_MAX - 3, long_text, 0, kNoBackColour, true);
  EXPECT_EQ(ctx.cursor.x, INT32_MAX);
  EXPECT_EQ(ctx.cursor.y, INT32_MAX);
  EXPECT_EQ(ctx.canvas->pixels, grey_picture().pixels);
}

TEST_F(TextRunTest, WithoutACanvasTheLayoutGoesOnAndNothingIsPainted) {
  ctx.canvas.reset();
  draw_text_run(ctx, 3, 4, "abc", 0, 0, true);
  EXPECT_EQ(ctx.cursor.x, 3 + load(8)->advance_width(std::string("abc")));
  EXPECT_EQ(ctx.cursor.y, 4 + load(8)->cell_height());
}

TEST_F(TextRunTest, WithoutADrawFontArial8IsMade) {
  free_draw_font(ctx);
  draw_text_run(ctx, 0, 0, "abc", 0, kNoBackColour, false);
  EXPECT_EQ(ctx.cursor.x, load(8)->advance_width(std::string("abc")));
}

}  // namespace
}  // namespace brinkmoor
