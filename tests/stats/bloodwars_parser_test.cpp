#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/context.h"
#include "stats/marked_stats.h"
#include "stats/stats.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

using test::marked_stats;

// Parses a page given as its lines (joined with CR LF, the sites' line end).
PlayerStats parse_lines(const std::vector<std::string>& lines, PlayerStats stats = marked_stats()) {
  test::TempDir dir;
  std::string page;
  for (const auto& line : lines) page += line + "\r\n";
  dir.write("page.html", page);
  EXPECT_TRUE(parse_bloodwars_page(dir.file("page.html"), stats));
  return stats;
}

TEST(BloodwarsParser, FullProfilePage) {
  PlayerStats s = marked_stats();
  ASSERT_TRUE(parse_bloodwars_page(test::test_data_path("stats/bw_r7_12.html"), s));
  // The page's bytes are kept: the nick and the clan are Windows-1250 text.
  EXPECT_EQ(s.nick, "Krwawy \xa3ukasz");
  EXPECT_EQ(s.points, 12345);
  EXPECT_EQ(s.race, "KULTYSTA");
  EXPECT_EQ(s.ranking, 77);
  EXPECT_EQ(s.clan, "Nocni \xa3owcy");
  // Beasts: 17.9, 5, 3 in the 4th to 6th line after "Remisy"; the 7th (999) is not taken.
  // Players: 40, 2.5, 11; the 888 behind them is not taken. Slots 3 and 7 are never touched.
  const std::array<int32_t, 8> arena = {17, 5, 3, -33, 40, 2, 11, -33};
  EXPECT_EQ(s.arena, arena);
  EXPECT_EQ(s.id, 5);  // the fetch stores the id, not the parser
  EXPECT_EQ(s.fights, marked_stats().fights);
}

TEST(BloodwarsParser, RaceNameByFirstCharacter) {
  struct Case {
    std::string race_text;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"Potępiony", "POTĘPIONY"},
      {"Władca Krwi", "WŁADCA KRWI"},
      {"Ssak", "SSAK"},
      {"Kultysta", "KULTYSTA"},
      {"władca krwi", "ŁAPACZ MYŚLI"},
      {"", "ŁAPACZ MYŚLI"},
      {"Łapacz", "ŁAPACZ MYŚLI"},
      {" Ssak", "ŁAPACZ MYŚLI"},
      // Too long for the window: the race text is empty, which names the last race.
      {"Ssak ssak ssak ssak ssak ssak", "ŁAPACZ MYŚLI"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.race_text);
    const PlayerStats s =
        parse_lines({"<tr><td><b>RASA</b></td><td>" + c.race_text + "</td></tr>"});
    EXPECT_EQ(s.race, c.expected);
  }
}

TEST(BloodwarsParser, RowValues) {
  struct Case {
    const char* what;
    std::string line;
    int32_t points, ranking;
    std::string nick, clan;
  };
  const PlayerStats m = marked_stats();
  const std::vector<Case> cases = {
      {"points stop at the space", "<tr><td><b>PUNKTY</b></td><td>12 345</td></tr>", 12, m.ranking,
       m.nick, m.clan},
      {"points too long for the window give 0",
       "<tr><td><b>PUNKTY</b></td><td>123456789012345678901234567</td></tr>", 0, m.ranking, m.nick,
       m.clan},
      {"points keep their low 32 bits", "<tr><td><b>PUNKTY</b></td><td>4294967297</td></tr>", 1,
       m.ranking, m.nick, m.clan},
      {"ranking needs its space before </td></tr>",
       "<tr><td><b>Miejsce w rankingu</b></td><td>3</td></tr>", m.points, 0, m.nick, m.clan},
      {"ranking", "<tr><td><b>Miejsce w rankingu</b></td><td>1024 </td></tr>", m.points, 1024,
       m.nick, m.clan},
      {"empty nick when the end marker is missing",
       "<div class=\"profile-hdr\">Profil wampira Jan</div>", m.points, m.ranking, "", m.clan},
      {"clan without its <br /> is empty", "<tr><td><b>KLAN</b></td><td>Nocni</td></tr>", m.points,
       m.ranking, m.nick, ""},
      {"several markers on one line",
       "<td><b>PUNKTY</b></td><td>5</td></tr><b>KLAN</b></td><td>K<br />", 5, m.ranking, m.nick,
       "K"},
      {"markers are case-sensitive", "<td><b>punkty</b></td><td>5</td></tr>", m.points, m.ranking,
       m.nick, m.clan},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const PlayerStats s = parse_lines({c.line});
    EXPECT_EQ(s.points, c.points);
    EXPECT_EQ(s.ranking, c.ranking);
    EXPECT_EQ(s.nick, c.nick);
    EXPECT_EQ(s.clan, c.clan);
  }
}

std::vector<std::string> arena_table(const std::string& heading, const std::string& a,
                                     const std::string& b, const std::string& c) {
  return {heading,
          "<tr><td>Wygrane</td><td>Remisy</td></tr>",
          "<tr>",
          "<td class=\"x\">-</td>",
          "<td>x</td>",
          "<td>" + a + "</td>",
          "<td>" + b + "</td>",
          "<td>" + c + "</td>",
          "<td>1000</td>"};
}

TEST(BloodwarsParser, ArenaTables) {
  const PlayerStats m = marked_stats();
  {
    SCOPED_TRACE("beasts fill slots 0 to 2, an arena cell is cut toward zero");
    const PlayerStats s = parse_lines(arena_table("<b>ARENA - BESTIE</b>", "17.9", "-2.7", "8"));
    const std::array<int32_t, 8> expected = {17, -2, 8, -33, -33, -33, -33, -33};
    EXPECT_EQ(s.arena, expected);
  }
  {
    SCOPED_TRACE("players fill slots 4 to 6");
    const PlayerStats s = parse_lines(arena_table("<b>ARENA - GRACZE</b>", "1", "2", "3"));
    const std::array<int32_t, 8> expected = {-33, -33, -33, -33, 1, 2, 3, -33};
    EXPECT_EQ(s.arena, expected);
  }
  {
    SCOPED_TRACE("a line with both headings counts as players");
    const PlayerStats s =
        parse_lines(arena_table("<b>ARENA - BESTIE</b><b>ARENA - GRACZE</b>", "4", "5", "6"));
    const std::array<int32_t, 8> expected = {-33, -33, -33, -33, 4, 5, 6, -33};
    EXPECT_EQ(s.arena, expected);
  }
  {
    SCOPED_TRACE("no arena tables leave every slot");
    const PlayerStats s = parse_lines({"<html>", "<td>1</td>", "<td>2</td>", "</html>"});
    EXPECT_EQ(s.arena, m.arena);
  }
  {
    SCOPED_TRACE("a heading without a Remisy line takes nothing");
    const PlayerStats s = parse_lines({"<b>ARENA - BESTIE</b>", "<tr>", "<td>x</td>", "<td>x</td>",
                                       "<td>1</td>", "<td>2</td>", "<td>3</td>"});
    EXPECT_EQ(s.arena, m.arena);
  }
  {
    SCOPED_TRACE("a Remisy line before any heading takes nothing");
    const PlayerStats s = parse_lines(
        {"<td>Remisy</td>", "<tr>", "<td>x</td>", "<td>x</td>", "<td>1</td>", "<td>2</td>"});
    EXPECT_EQ(s.arena, m.arena);
  }
  {
    SCOPED_TRACE("cells without a value, or too long for the window, give 0");
    const PlayerStats s =
        parse_lines(arena_table("<b>ARENA - BESTIE</b>", "", "abc", "12345678901"));
    const std::array<int32_t, 8> expected = {0, 0, 0, -33, -33, -33, -33, -33};
    EXPECT_EQ(s.arena, expected);
  }
  {
    SCOPED_TRACE("a heading does not restart the count: the rows still follow Remisy");
    // Remisy at row 0 under beasts; the players heading comes at row 2, so rows 4 to 6 fill
    // the players' slots.
    const PlayerStats s =
        parse_lines({"<b>ARENA - BESTIE</b>", "<td>Remisy</td>", "<tr>", "<b>ARENA - GRACZE</b>",
                     "<td>x</td>", "<td>7</td>", "<td>8</td>", "<td>9</td>"});
    const std::array<int32_t, 8> expected = {-33, -33, -33, -33, 7, 8, 9, -33};
    EXPECT_EQ(s.arena, expected);
  }
}

TEST(BloodwarsParser, LineEndsAndLeadingSpaces) {
  test::TempDir dir;
  // CR only, LF only and CR LF; leading spaces are stripped, tabs are not (the markers are
  // found anywhere in the line anyway).
  dir.write("page.html",
            "   <tr><td><b>PUNKTY</b></td><td>1</td></tr>\r"
            "\t<tr><td><b>KLAN</b></td><td>C<br />\n"
            "<tr><td><b>Miejsce w rankingu</b></td><td>9 </td></tr>\r\n"
            "<div class=\"profile-hdr\">Profil wampira Ann </div>");
  PlayerStats s = marked_stats();
  ASSERT_TRUE(parse_bloodwars_page(dir.file("page.html"), s));
  EXPECT_EQ(s.points, 1);
  EXPECT_EQ(s.clan, "C");
  EXPECT_EQ(s.ranking, 9);
  EXPECT_EQ(s.nick, "Ann");
}

TEST(BloodwarsParser, MissingFileChangesNothing) {
  test::TempDir dir;
  dir.mkdir("folder.html");
  for (const std::string& path : {dir.file("none.html"), dir.file("folder.html")}) {
    SCOPED_TRACE(path);
    PlayerStats s = marked_stats();
    EXPECT_FALSE(parse_bloodwars_page(path, s));
    EXPECT_EQ(s.nick, "old nick");
    EXPECT_EQ(s.points, -11);
    EXPECT_EQ(s.arena, marked_stats().arena);
  }
}

TEST(BloodwarsParser, PageWithoutClanRowKeepsClan) {
  const PlayerStats s = parse_lines({"<tr><td><b>PUNKTY</b></td><td>3</td></tr>"});
  EXPECT_EQ(s.clan, "old clan");
  EXPECT_EQ(s.points, 3);
}

}  // namespace
}  // namespace brinkmoor
