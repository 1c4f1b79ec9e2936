#pragma once
// The text and number routines that the scrapers, the script interpreter, the settings file and
// the updater are built on. Text is bytes, one byte a character; positions count from 1.
// None of them fails: unsuitable arguments give empty text, 0, or the text unchanged.
#include <cstdint>
#include <string>
#include <string_view>

namespace brinkmoor {

int64_t text_length(std::string_view text);
bool text_equals(std::string_view a, std::string_view b);
// Position of the first occurrence of pattern at or after start (a start below 1 counts as 1);
// 0 when there is none, when either text is empty, or when start lies past the end.
int64_t find_text(std::string_view text, std::string_view pattern, int64_t start);
// At most length characters from start (a start of 1 or below starts at the first character,
// and the length is not shortened for it; a negative length counts as 0).
std::string mid_text(std::string_view text, int64_t start, int64_t length);
std::string mid_text(std::string_view text, int64_t start);
std::string left_text(std::string_view text, int64_t count);
// Removes the spaces (character 32 only) at the beginning.
std::string strip_leading_spaces(std::string_view text);
// Lowers ASCII letters and, in valid UTF-8, the upper-case Latin letters with diacritics;
// text that is not valid UTF-8 is lowered as Windows-1250.
std::string lower_text(std::string_view text);
// Replaces every non-overlapping occurrence, scanning left to right; an empty find changes
// nothing.
std::string replace_text(std::string_view text, std::string_view find,
                         std::string_view replacement);
// Blanks, one sign, then "$" hex, "%" binary or decimal digits; stops at the first other
// character; wraps around past the 64-bit range.
int64_t parse_int(std::string_view text);
// A decimal number with point and exponent, rounded to single precision; 0 when none.
float parse_float(std::string_view text);
// Drops the fraction toward zero; values outside the 32-bit range are clamped to it, NaN is 0.
int32_t truncate_to_int(double value);
std::string format_int(int64_t value);
// The working directory, always ending in the path separator.
std::string current_directory();

}  // namespace brinkmoor
