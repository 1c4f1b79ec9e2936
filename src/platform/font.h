#pragma once
// Fonts by face name, size in points and style, over fontconfig and FreeType.
//
// Every font is made at 96 dots per inch whatever the display, so that a signature drawn without
// a display equals one drawn in the window: the em height is round(size × 96 / 72) pixels
// (8 points give 11 pixels, 10 points give 13). A face name that fontconfig does not know gets
// fontconfig's substitute ("Arial" gives Liberation Sans). Loaded faces are kept in a small cache
// for the run, so switching back and forth between a few fonts costs nothing.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace brinkmoor {

struct Image;

struct FontSpec {
  std::string name = "Arial";
  int size_pt = 10;
  bool bold = false;
  bool italic = false;
};

// Sizes the font layer makes. Size 0 (what a missing or non-numeric size reads as) gives the
// default size; a negative size is taken by its magnitude; the em height is kept within
// kMinEmPx..kMaxEmPx so that absurd sizes cost no more than a large one.
inline constexpr int kDefaultSizePt = 10;
inline constexpr int kMinEmPx = 1;
inline constexpr int kMaxEmPx = 1000;

// The em height in pixels for a size in points, with the rules above.
int em_pixels_for_size(int64_t size_pt);

// A loaded face at one size and style.
class Font {
 public:
  // nullptr when no font can be made for the requested face, size and style.
  static std::unique_ptr<Font> load(const FontSpec& spec);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  const FontSpec& spec() const;

  // The face file fontconfig chose, and the em height the face is set to.
  const std::string& file() const;
  int em_px() const;
  // Whole pixels above and below the baseline; their sum is the cell height, the height of
  // any non-empty text.
  int ascent() const;
  int descent() const;
  int cell_height() const { return ascent() + descent(); }

  // The sum of the glyphs' advance widths in whole pixels, no kerning. Bytes are read as UTF-8
  // when valid, else as Windows-1250.
  int64_t advance_width(std::string_view text) const;
  int64_t advance_width(std::u32string_view text) const;

  struct Impl;
  const Impl& impl() const { return *impl_; }

 private:
  explicit Font(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// A filled box under a text: from the text's top-left corner, width × height pixels.
struct TextBackground {
  int64_t width = 0;
  int64_t height = 0;
  uint32_t colour = 0;  // 0x00BBGGRR, the top byte plays no part
};

// Paints text on an RGB or RGBA picture with its top-left corner at (x, y): the baseline lies
// ascent() below y, and each glyph pixel is blended from its old colour towards front
// (0x00BBGGRR) by the glyph's coverage. With a background the box is painted first. Pixels
// outside the picture are left alone, and glyphs are rasterised only where they touch it.
// On RGBA pictures painted pixels become opaque in proportion to the coverage.
void draw_text(Image& picture, const Font& font, int64_t x, int64_t y, std::u32string_view text,
               uint32_t front, const TextBackground* background = nullptr);

// Empties the cache of loaded faces (fonts still in use keep their face).
void clear_font_cache();

}  // namespace brinkmoor
