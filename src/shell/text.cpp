#include "shell/text.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/encoding.h"
#include "platform/files.h"

namespace brinkmoor {

int64_t text_length(std::string_view text) {
  return static_cast<int64_t>(text.size());
}

bool text_equals(std::string_view a, std::string_view b) {
  return a == b;
}

int64_t find_text(std::string_view text, std::string_view pattern, int64_t start) {
  if (text.empty() || pattern.empty()) return 0;
  if (start < 1) start = 1;
  if (start > text_length(text)) return 0;
  const auto pos = text.find(pattern, static_cast<size_t>(start - 1));
  return pos == std::string_view::npos ? 0 : static_cast<int64_t>(pos) + 1;
}

std::string mid_text(std::string_view text, int64_t start, int64_t length) {
  if (length <= 0) return {};
  const int64_t skip = start <= 1 ? 0 : start - 1;
  if (skip >= text_length(text)) return {};
  return std::string(text.substr(static_cast<size_t>(skip), static_cast<size_t>(length)));
}

std::string mid_text(std::string_view text, int64_t start) {
  const int64_t skip = start <= 1 ? 0 : start - 1;
  if (skip >= text_length(text)) return {};
  return std::string(text.substr(static_cast<size_t>(skip)));
}

std::string left_text(std::string_view text, int64_t count) {
  if (count <= 0) return {};
  return std::string(text.substr(0, static_cast<size_t>(count)));
}

std::string strip_leading_spaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

namespace {

char32_t lower_code_point(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c == 0x178) return 0xFF;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return (c % 2 == 0) ? c + 1 : c;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? c + 1 : c;
  return c;
}

unsigned char lower_cp1250(unsigned char b) {
  if (b >= 'A' && b <= 'Z') return static_cast<unsigned char>(b + 32);
  switch (b) {
    case 0x8A:
    case 0x8C:
    case 0x8D:
    case 0x8E:
    case 0x8F:
      return static_cast<unsigned char>(b + 0x10);
    case 0xA3:
      return 0xB3;
    case 0xA5:
      return 0xB9;
    case 0xAA:
      return 0xBA;
    case 0xAF:
      return 0xBF;
    case 0xBC:
      return 0xBE;
    default:
      break;
  }
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<unsigned char>(b + 0x20);
  return b;
}

}  // namespace

std::string lower_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  if (is_valid_utf8(text)) {
    // Each lowered letter keeps the length of its UTF-8 sequence.
    for (char32_t c : decode_text(text)) append_utf8(out, lower_code_point(c));
  } else {
    for (unsigned char b : text) out.push_back(static_cast<char>(lower_cp1250(b)));
  }
  return out;
}

std::string replace_text(std::string_view text, std::string_view find,
                         std::string_view replacement) {
  if (find.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  for (;;) {
    const auto hit = text.find(find, pos);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(replacement);
    pos = hit + find.size();
  }
  out.append(text.substr(pos));
  return out;
}

int64_t parse_int(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  unsigned base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i < text.size() && text[i] == '%') {
    base = 2;
    ++i;
  }
  uint64_t value = 0;  // unsigned, so that overflow wraps instead of being undefined
  for (; i < text.size(); ++i) {
    const char c = text[i];
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      break;
    }
    if (digit >= base) break;
    value = value * base + digit;
  }
  if (negative) value = ~value + 1;
  return static_cast<int64_t>(value);
}

float parse_float(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                             text[i] == '\r' || text[i] == '\v' || text[i] == '\f'))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  const size_t begin = i;
  auto is_digit = [&](size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
  size_t digits = 0;
  while (is_digit(i)) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (is_digit(i)) ++i, ++digits;
  }
  if (digits == 0) return 0.0f;
  // An exponent counts only when digits follow it.
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t k = i + 1;
    if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
    if (is_digit(k)) {
      while (is_digit(k)) ++k;
      i = k;
    }
  }
  // from_chars ignores the locale (the toolkit may set a decimal comma) and rounds straight to
  // single precision.
  float value = 0.0f;
  const auto result = std::from_chars(text.data() + begin, text.data() + i, value);
  if (result.ec == std::errc::result_out_of_range) {
    // Past the float range: infinity or zero, decided in the wider double range.
    double wide = 0.0;
    const auto r2 = std::from_chars(text.data() + begin, text.data() + i, wide);
    const std::string_view number = text.substr(begin, i - begin);
    const bool tiny = number.find("e-") != number.npos || number.find("E-") != number.npos;
    value = r2.ec == std::errc() ? static_cast<float>(wide)
            : tiny               ? 0.0f
                                 : std::numeric_limits<float>::infinity();
  }
  return negative ? -value : value;
}

int32_t truncate_to_int(double value) {
  if (std::isnan(value)) return 0;
  const double t = std::trunc(value);
  if (t <= static_cast<double>(std::numeric_limits<int32_t>::min()))
    return std::numeric_limits<int32_t>::min();
  if (t >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(t);
}

std::string format_int(int64_t value) {
  return std::to_string(value);
}

std::string current_directory() {
  std::string dir = working_directory();
  if (dir.empty() || dir.back() != path_separator()) dir.push_back(path_separator());
  return dir;
}

}  // namespace brinkmoor
