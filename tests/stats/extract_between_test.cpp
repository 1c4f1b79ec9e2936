#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stats/stats.h"

namespace brinkmoor {
namespace {

struct Case {
  const char* what;
  std::string text;
  std::string anchor;
  std::string start_marker;
  std::string end_marker;
  int max_length;
  std::string expected;
};

TEST(ExtractBetween, Table) {
  const std::string cell17 = "<td>17</td>";
  const std::vector<Case> cases = {
      {"points row", "<td><b>PUNKTY</b></td><td>987</td></tr>", "PUNKTY", "</td><td>", "</td></tr>",
       30, "987"},
      // The start marker ">" is the anchor's own closing character.
      {"cell shares the anchor's last character", cell17, "<td>", ">", "</td>", 15, "17"},
      {"16 digits do not fit the window with the end marker", "<td>1234567890123456</td>", "<td>",
       ">", "</td>", 15, ""},
      {"10 digits are the most a 15 window holds", "<td>1234567890</td>", "<td>", ">", "</td>", 15,
       "1234567890"},
      {"11 digits are one too many", "<td>12345678901</td>", "<td>", ">", "</td>", 15, ""},
      {"empty cell", "<td></td>", "<td>", ">", "</td>", 15, ""},
      {"window 256 is empty", cell17, "<td>", ">", "</td>", 256, ""},
      {"window 271 is window 15", cell17, "<td>", ">", "</td>", 271, "17"},
      {"window 0 is empty", cell17, "<td>", ">", "</td>", 0, ""},
      {"a negative window keeps its low 8 bits (-1 is 255)", cell17, "<td>", ">", "</td>", -1,
       "17"},
      {"spaces inside the window stay", "<td> 4 2 </td>", "<td>", ">", "</td>", 15, " 4 2 "},
      {"end marker right behind the start marker", "a:|b|", "a", ":", "|", 15, ""},
      {"empty text", "", "<td>", ">", "</td>", 15, ""},
      // No anchor: the start marker is searched from position length(anchor) - 1 = 5, so the
      // ">" at position 4 is skipped and the one at 10 is found.
      {"absent anchor skips an early start marker", "<td>1</td>2</b>", "PUNKTY", ">", "</", 15,
       "2"},
      // No anchor of length 1: the search starts at position 1 (0 counts as 1).
      {"absent one-character anchor searches from the start", "x>5</", "#", ">", "</", 15, "5"},
      // No start marker: the window starts at position length(start_marker) of the line.
      {"absent start marker counts from the line's start", "abcdef|", "a", "@@@", "|", 15, "cdef"},
      {"absent one-character start marker starts at the first character", "abc|", "a", "@", "|", 15,
       "abc"},
      {"absent end marker", "<td>17", "<td>", ">", "</td>", 15, ""},
      {"first end marker wins", "<td>1</td>2</td>", "<td>", ">", "</td>", 15, "1"},
      {"markers are case-sensitive", "<TD>17</TD>", "<td>", ">", "</td>", 15, ""},
      {"start marker after a later anchor", "x=1 PUNKTY x=2;", "PUNKTY", "=", ";", 15, "2"},
      {"bytes above 127 are kept", "<td>\xa3\xf3</td>", "<td>", ">", "</td>", 15, "\xa3\xf3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(extract_between(c.text, c.anchor, c.start_marker, c.end_marker, c.max_length),
              c.expected);
  }
}

}  // namespace
}  // namespace brinkmoor
