#include "shell/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace brinkmoor {
namespace {

TEST(FindText, EdgeCases) {
  struct Case {
    const char* text;
    const char* pattern;
    int64_t start;
    int64_t expected;
  };
  const Case cases[] = {
      {"abcabc", "", 1, 0},    // empty pattern
      {"", "a", 1, 0},         // empty text
      {"abcabc", "b", 0, 2},   // start 0 searches from the first character
      {"abcabc", "b", -5, 2},  // so does a negative start
      {"abcabc", "b", 7, 0},   // one past the last character
      {"abcabc", "a", 2, 4},   // the second occurrence, after the first
      {"abcabc", "c", 6, 6},   // at the last character
      {"xxab", "a", 4, 0},     // found only before start
      {"abc", "bcd", 1, 0},    // a pattern that would run past the end
      {"abcabc", "abc", 1, 1}, {"a\xC4\x85z", "z", 1, 4},  // bytes, not letters
  };
  for (const auto& c : cases)
    EXPECT_EQ(find_text(c.text, c.pattern, c.start), c.expected)
        << c.text << " / " << c.pattern << " from " << c.start;
}

TEST(MidLeftText, Bounds) {
  const std::string ten = "0123456789";
  EXPECT_EQ(mid_text(ten, 0, 3), "012");  // start 0 does not shorten the length
  EXPECT_EQ(mid_text(ten, -4, 3), "012");
  EXPECT_EQ(mid_text(ten, 2, 3), "123");
  EXPECT_EQ(mid_text(ten, 9, 5), "89");
  EXPECT_EQ(mid_text(ten, 3, -1), "");
  EXPECT_EQ(mid_text(ten, 3, 0), "");
  EXPECT_EQ(mid_text(ten, 11, 2), "");
  EXPECT_EQ(mid_text(ten, 11), "");
  EXPECT_EQ(mid_text(ten, 10), "9");
  EXPECT_EQ(mid_text(ten, 0), ten);
  EXPECT_EQ(mid_text(ten, 4), "3456789");
  EXPECT_EQ(left_text(ten, 0), "");
  EXPECT_EQ(left_text(ten, -2), "");
  EXPECT_EQ(left_text(ten, 3), "012");
  EXPECT_EQ(left_text(ten, 25), ten);
}

TEST(TextRoutines, StripEqualsReplace) {
  EXPECT_EQ(strip_leading_spaces("  word  "), "word  ");
  EXPECT_EQ(strip_leading_spaces("\tword"), "\tword");
  EXPECT_EQ(strip_leading_spaces("   "), "");
  EXPECT_FALSE(text_equals("Auto", "auto"));
  EXPECT_TRUE(text_equals("", std::string()));
  EXPECT_FALSE(text_equals("ab", "ab "));
  EXPECT_EQ(replace_text("ababab", "ab", "X"), "XXX");
  EXPECT_EQ(replace_text("whole", "whole", "R"), "R");
  EXPECT_EQ(replace_text("aaa", "aa", "b"), "ba");  // no overlapping matches
  EXPECT_EQ(replace_text("1,234,567", ",", ""), "1234567");
  EXPECT_EQ(replace_text("abc", "", "X"), "abc");
  EXPECT_EQ(replace_text("aXa", "a", "aa"), "aaXaa");  // replacement is not scanned again
}

TEST(LowerText, AsciiUtf8AndWindows1250) {
  EXPECT_EQ(lower_text("PNG.JpG"), "png.jpg");
  // UTF-8: Polish capitals with diacritics, and a multi-byte letter left whole.
  EXPECT_EQ(lower_text("\xC5\x81\xC3\x93\xC5\xBB\xC4\x84 \xC5\x9A\xC4\x86"),
            "\xC5\x82\xC3\xB3\xC5\xBC\xC4\x85 \xC5\x9B\xC4\x87");
  EXPECT_EQ(lower_text("\xE2\x82\xAC"
                       "A"),
            "\xE2\x82\xAC"
            "a");  // the euro sign stays
  // Windows-1250 (not valid UTF-8): Ł Ś Ż Ą Ó.
  EXPECT_EQ(lower_text("\xA3\x8C\xAF\xA5\xD3"), "\xB3\x9C\xBF\xB9\xF3");
  EXPECT_EQ(lower_text("\xD7"), "\xD7");  // the multiplication sign is no letter
}

TEST(ParseInt, Table) {
  struct Case {
    const char* text;
    int64_t expected;
  };
  const Case cases[] = {
      {"  -12ab", -12},
      {"$1F", 31},
      {"$ff", 255},
      {"%101", 5},
      {"%102", 2},
      {"0x1F", 0},
      {"+", 0},
      {"", 0},
      {"+7", 7},
      {"- 7", 0},  // no blank after the sign
      {"12 34", 12},
      {"\t 42", 42},
      {"$FFFFFFFF", 4294967295},
      {"-$10", -16},
      {"9223372036854775807", INT64_MAX},
      {"9223372036854775808", INT64_MIN},  // wraps around
      {"18446744073709551617", 1},
      {"abc", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_int(c.text), c.expected) << c.text;
}

TEST(ParseFloat, Table) {
  struct Case {
    const char* text;
    float expected;
  };
  const Case cases[] = {
      {"3,75", 3.0f},     {"abc", 0.0f},
      {"0.1", 0.1f},      {"  17.9</td>", 17.9f},
      {"-2.5", -2.5f},    {"+4", 4.0f},
      {"1e3", 1000.0f},   {"1e", 1.0f},
      {"2.5E-1x", 0.25f}, {".5", 0.5f},
      {"7.", 7.0f},       {".", 0.0f},
      {"0.51\r", 0.51f},  {"16777217", 16777216.0f},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_float(c.text), c.expected) << c.text;
  EXPECT_TRUE(std::isinf(parse_float("1e999")));
  EXPECT_EQ(parse_float("1e-999"), 0.0f);
}

TEST(Numbers, TruncateAndFormat) {
  EXPECT_EQ(truncate_to_int(2.9), 2);
  EXPECT_EQ(truncate_to_int(-2.9), -2);
  EXPECT_EQ(truncate_to_int(1e20), INT32_MAX);
  EXPECT_EQ(truncate_to_int(-1e20), INT32_MIN);
  EXPECT_EQ(truncate_to_int(std::nan("")), 0);
  EXPECT_EQ(format_int(-7), "-7");
  EXPECT_EQ(format_int(0), "0");
  EXPECT_EQ(format_int(INT64_MIN), "-9223372036854775808");
}

TEST(CurrentDirectory, EndsInSeparator) {
  const std::string dir = current_directory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
}

}  // namespace
}  // namespace brinkmoor
