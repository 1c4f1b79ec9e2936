#pragma once
// Text runs: painting text on the Canvas at the TextCursor, and DrawFont.
#include <cstdint>
#include <string>
namespace brinkmoor {
struct AppContext;

// Colours are 0x00BBGGRR; the top byte plays no part in painting.
inline constexpr uint32_t kNoBackColour = 0xFF00FF;
inline constexpr int kStyleBold = 0x100;
inline constexpr int kStyleItalic = 0x200;

void draw_text_run(AppContext& ctx, int32_t x, int32_t y, const std::string& text,
                   uint32_t front, uint32_t back, bool end_line);
void select_draw_font(AppContext& ctx, const std::string& name, int32_t size, int style);
void reset_draw_font(AppContext& ctx);
void free_draw_font(AppContext& ctx);
}  // namespace brinkmoor
