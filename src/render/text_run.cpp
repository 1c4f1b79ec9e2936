#include "render/text_run.h"

#include <algorithm>
#include <limits>

#include "platform/encoding.h"
#include "platform/font.h"
#include "shell/context.h"

namespace brinkmoor {

namespace {

// The cursor is 32-bit; a run far off the picture must not wrap it around.
int32_t saturate(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

int64_t italic_allowance(const Font& font, int64_t advance) {
  if (!font.spec().italic) return advance;
  return static_cast<int64_t>(static_cast<double>(advance) +
                              static_cast<double>(font.advance_width(std::u32string(U"W"))) / 1.2);
}

}  // namespace

int64_t text_run_width(const Font& font, const std::string& text) {
  return italic_allowance(font, font.advance_width(text));
}

void draw_text_run(AppContext& ctx, int32_t x, int32_t y, const std::string& text, uint32_t front,
                   uint32_t back, bool end_line) {
  // DrawFont exists from start-up to exit; should a run come outside that window, it is made.
  if (!text.empty() && !ctx.draw_font) reset_draw_font(ctx);
  if (!text.empty() && ctx.draw_font) {
    const Font& font = *ctx.draw_font;
    const std::u32string code_points = decode_text(text);
    const int64_t width = italic_allowance(font, font.advance_width(code_points));
    const int cell = font.cell_height();
    // Without a Canvas nothing is painted, but the layout goes on as if it were.
    if (ctx.canvas) {
      if (back == kNoBackColour) {
        draw_text(*ctx.canvas, font, x, y, code_points, front);
      } else {
        const TextBackground box{width, cell, back};
        draw_text(*ctx.canvas, font, x, y, code_points, front, &box);
      }
    }
    ctx.cursor.x = saturate(int64_t{x} + width);
    // The height of "J": the cell height, as for any non-empty text.
    if (ctx.cursor.line_height == 0) ctx.cursor.line_height = cell;
  }
  if (end_line) {
    ctx.cursor.y = saturate(int64_t{y} + ctx.cursor.line_height);
    ctx.cursor.line_height = 0;
  }
  ctx.cursor.pending_text.clear();
}

void select_draw_font(AppContext& ctx, const std::string& name, int32_t size, int style) {
  ctx.draw_font.reset();
  ctx.draw_font =
      Font::load(FontSpec{name, size, (style & kStyleBold) != 0, (style & kStyleItalic) != 0});
  if (!ctx.draw_font) ctx.draw_font = Font::load(FontSpec{"Arial", 10, false, false});
}

void reset_draw_font(AppContext& ctx) {
  ctx.draw_font.reset();
  ctx.draw_font = Font::load(FontSpec{"Arial", 8, false, false});
}

void free_draw_font(AppContext& ctx) {
  ctx.draw_font.reset();
}

}  // namespace brinkmoor
