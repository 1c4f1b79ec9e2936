#pragma once
// Text runs: painting text on the Canvas at the TextCursor, and DrawFont.
#include <cstdint>
#include <string>
namespace brinkmoor {
struct AppContext;
class Font;

// Colours are 0x00BBGGRR; the top byte plays no part in painting.
inline constexpr uint32_t kNoBackColour = 0xFF00FF;
inline constexpr int kStyleBold = 0x100;
inline constexpr int kStyleItalic = 0x200;

// Paints text with its top-left corner at (x, y) in DrawFont, transparent when back is exactly
// kNoBackColour, else on a box of back colour as wide as the advance and as high as the cell.
// Moves the cursor's x past the text, takes the line height from the line's first non-empty
// run and, with end_line, moves y down by it. Empties the cursor's pending text.
void draw_text_run(AppContext& ctx, int32_t x, int32_t y, const std::string& text, uint32_t front,
                   uint32_t back, bool end_line);
// Replaces DrawFont; a font that cannot be made gives "Arial" 10 plain.
void select_draw_font(AppContext& ctx, const std::string& name, int32_t size, int style);
// DrawFont becomes "Arial" 8 plain.
void reset_draw_font(AppContext& ctx);
void free_draw_font(AppContext& ctx);

// The width a run of text takes in a font: the advance width of the whole text, plus, for an
// italic font, the advance of "W" divided by 1.2, truncated.
int64_t text_run_width(const Font& font, const std::string& text);
}  // namespace brinkmoor
