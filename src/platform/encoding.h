#pragma once
// Text inside the program is bytes. Where bytes become glyphs or toolkit strings they are read
// as UTF-8 when they are valid UTF-8, otherwise as Windows-1250 (older pages and settings files).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brinkmoor {

bool is_valid_utf8(std::string_view bytes);

// The Unicode code point of a Windows-1250 byte (bytes that the code page leaves undefined map
// to U+FFFD).
char32_t cp1250_to_unicode(unsigned char byte);

// The code points of the text: its UTF-8 sequences when valid, otherwise its Windows-1250 bytes.
std::u32string decode_text(std::string_view bytes);

// The text as UTF-8: unchanged when it already is valid UTF-8, otherwise converted from
// Windows-1250.
std::string to_utf8(std::string_view bytes);

// The text with every line end (CR LF, CR or LF) written as LF: the editors' one line break.
std::string normalise_line_breaks(std::string_view text);

// Appends the UTF-8 encoding of a code point.
void append_utf8(std::string& out, char32_t cp);

}  // namespace brinkmoor
