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

PlayerStats parse_lines(const std::vector<std::string>& lines, const std::string& name = "Tester") {
  test::TempDir dir;
  std::string page;
  for (const auto& line : lines) page += line + "\r\n";
  dir.write("page.html", page);
  PlayerStats stats = marked_stats();
  EXPECT_TRUE(parse_sc2_page(dir.file("page.html"), name, stats));
  return stats;
}

TEST(Sc2Parser, SyntheticProfilePage) {
  PlayerStats s = marked_stats();
  ASSERT_TRUE(parse_sc2_page(test::test_data_path("stats/sc2_eu_42.html"), "Tester", s));
  EXPECT_EQ(s.nick, "Tester");
  EXPECT_EQ(s.points, 2500);
  EXPECT_EQ(s.race, "Zerg");
  std::array<int32_t, 20> fights;
  fights.fill(-44);
  fights[0] = 57;        // the line after "League Wins"
  fights[1] = 120;       // "League Games" with its own <span>
  fights[2] = 33;        // "Custom Games" from the <span> line before it
  fights[3] = 12;        // "Co-Op vs AI": 12.7 cut toward zero
  fights[4] = 7;         // "FFA" inside longer text
  fights[5] = 1234;      // 1v1 primary, thousands comma removed
  fights[6] = 56;        // 1v1 secondary
  fights[8] = 9;         // 2v2 while the secondary bar still holds: 2*2+2+2
  fights[7] = 10;        // 2v2 primary
  fights[12] = 2000001;  // 4v4 secondary, all three markers on one line
  // The totals line before any division (777) is ignored; 9 to 11 and 13 to 19 stay.
  EXPECT_EQ(s.fights, fights);
  // The StarCraft II page never writes the Bloodwars-only fields.
  EXPECT_EQ(s.ranking, -22);
  EXPECT_EQ(s.clan, "old clan");
  EXPECT_EQ(s.arena, marked_stats().arena);
}

// The early-2012 page of the real site, player ClarkeKent (id 3354437). Worked out by hand:
// - nick is the name given to the fetch: "ClarkeKent".
// - The page has no "Most Played Race:" line: race stays as it was.
// - Line 184 holds ">ClarkeKent</a></h2>"; the next line, "<h3>35</h3>", gives points 35.
// - Line 257 holds "<h4>League Wins</h4>"; the next line, "<h2>0</h2>", gives fights[0] = 0.
// - No division, graph-bars or totals markers: fights 5 to 12 stay.
// - No line holds "League Games": fights[1] stays.
// - "<span>0</span>" precedes each of "Custom Games" (line 266), "FFA" (270) and "Co-Op vs AI"
//   (274): fights[2], fights[4] and fights[3] become 0. No other line holds those labels.
TEST(Sc2Parser, RealNoLadderPage2012) {
  PlayerStats s = marked_stats();
  ASSERT_TRUE(
      parse_sc2_page(test::test_data_path("stats/sc2_us_3354437_noladder.html"), "ClarkeKent", s));
  EXPECT_EQ(s.nick, "ClarkeKent");
  EXPECT_EQ(s.points, 35);
  EXPECT_EQ(s.race, "old race");
  std::array<int32_t, 20> fights;
  fights.fill(-44);
  fights[0] = 0;
  fights[2] = 0;
  fights[3] = 0;
  fights[4] = 0;
  EXPECT_EQ(s.fights, fights);
  EXPECT_EQ(s.id, 5);
}

// The later real layout (player Demon, id 2377239) keeps only the name heading: the line after
// it, "<h3>3660</h3>", gives the points; nothing else is found.
TEST(Sc2Parser, RealLaterLayoutPage2012) {
  PlayerStats s = marked_stats();
  ASSERT_TRUE(parse_sc2_page(test::test_data_path("stats/sc2_eu_2377239_demon.html"), "Demon", s));
  EXPECT_EQ(s.nick, "Demon");
  EXPECT_EQ(s.points, 3660);
  EXPECT_EQ(s.race, "old race");
  EXPECT_EQ(s.fights, marked_stats().fights);
}

TEST(Sc2Parser, NameHeading) {
  {
    SCOPED_TRACE("the name is matched case-sensitively");
    const PlayerStats s =
        parse_lines({"<h2><a href=\"x\">Tester</a></h2>", "<h3>99</h3>"}, "tester");
    EXPECT_EQ(s.points, -11);
    EXPECT_EQ(s.nick, "tester");
  }
  {
    SCOPED_TRACE("a name heading on the last line gives 0");
    const PlayerStats s = parse_lines({"<h2><a href=\"x\">Tester</a></h2>"});
    EXPECT_EQ(s.points, 0);
  }
  {
    SCOPED_TRACE("the line read for the points is tested further down the table");
    const PlayerStats s = parse_lines(
        {"<h2><a href=\"x\">Tester</a></h2>", "<h3>4</h3><span>6</span> FFA", "<h3>5</h3>"});
    EXPECT_EQ(s.points, 4);
    EXPECT_EQ(s.fights[4], 6);
  }
  {
    SCOPED_TRACE("League Wins on the last line gives 0");
    const PlayerStats s = parse_lines({"<h4>League Wins</h4>"});
    EXPECT_EQ(s.fights[0], 0);
  }
  {
    SCOPED_TRACE("values above 2^24 lose precision in single precision");
    const PlayerStats s = parse_lines({"<h2><a>Tester</a></h2>", "<h3>16777217</h3>"});
    EXPECT_EQ(s.points, 16777216);
  }
}

TEST(Sc2Parser, TotalsSlotByDivisionAndBar) {
  struct Case {
    const char* division;  // nullptr: no division marker
    const char* bar;       // nullptr: no graph-bars marker
    int slot;              // -1: ignored
  };
  const std::vector<Case> cases = {
      {nullptr, nullptr, -1}, {nullptr, "primary", -1}, {"1v1", nullptr, 4},
      {"1v1", "primary", 5},  {"1v1", "secondary", 6},  {"2v2", nullptr, 6},
      {"2v2", "primary", 7},  {"2v2", "secondary", 8},  {"3v3", nullptr, 8},
      {"3v3", "primary", 9},  {"3v3", "secondary", 10}, {"4v4", nullptr, 10},
      {"4v4", "primary", 11}, {"4v4", "secondary", 12},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines;
    if (c.division)
      lines.push_back(std::string("<div class=\"division\">") + c.division + "</div>");
    if (c.bar) lines.push_back(std::string("<div class=\"graph-bars ") + c.bar + "\">");
    lines.push_back("<span class=\"totals\">1,234</span>");
    SCOPED_TRACE(std::string(c.division ? c.division : "-") + " " + (c.bar ? c.bar : "-"));
    const PlayerStats s = parse_lines(lines);
    std::array<int32_t, 20> fights;
    fights.fill(-44);
    if (c.slot >= 0) fights[static_cast<size_t>(c.slot)] = 1234;
    EXPECT_EQ(s.fights, fights);
  }
}

TEST(Sc2Parser, MarkersOnOneLine) {
  {
    SCOPED_TRACE("the last division marker of a line wins");
    const PlayerStats s =
        parse_lines({"<div class=\"division\">4v4</div><div class=\"division\">1v1</div>",
                     "<span class=\"totals\">3</span>"});
    EXPECT_EQ(s.fights[10], 3);  // 4v4 is tested last, so it wins: 2*4+0+2
  }
  {
    SCOPED_TRACE("secondary wins over primary");
    const PlayerStats s = parse_lines({"<div class=\"division\">1v1</div>",
                                       "<div class=\"graph-bars secondary\"><div "
                                       "class=\"graph-bars primary\">",
                                       "<span class=\"totals\">3</span>"});
    EXPECT_EQ(s.fights[6], 3);
  }
  {
    SCOPED_TRACE("bar and division persist across lines");
    const PlayerStats s =
        parse_lines({"<div class=\"graph-bars primary\">", "<div class=\"division\">3v3</div>",
                     "<p>", "<span class=\"totals\">8</span>", "<span class=\"totals\">9</span>"});
    EXPECT_EQ(s.fights[9], 9);
  }
  {
    SCOPED_TRACE("a totals value that is not a number gives 0");
    const PlayerStats s =
        parse_lines({"<div class=\"division\">1v1</div>", "<span class=\"totals\">n/a</span>"});
    EXPECT_EQ(s.fights[4], 0);
  }
}

TEST(Sc2Parser, GameCountsFromTheLastSpan) {
  {
    SCOPED_TRACE("a label without any span before it gives 0");
    const PlayerStats s = parse_lines({"FFA"});
    EXPECT_EQ(s.fights[4], 0);
  }
  {
    SCOPED_TRACE("a label line with its own span uses it");
    const PlayerStats s = parse_lines({"<span>3</span>", "<span>4</span> Custom Games"});
    EXPECT_EQ(s.fights[2], 4);
  }
  {
    SCOPED_TRACE("labels use the last span line before them, even far back");
    const PlayerStats s = parse_lines(
        {"<span>8</span>", "<p>", "League Games", "Co-Op vs AI", "Custom Games", "noFFAno"});
    EXPECT_EQ(s.fights[1], 8);
    EXPECT_EQ(s.fights[2], 8);
    EXPECT_EQ(s.fights[3], 8);
    EXPECT_EQ(s.fights[4], 8);
  }
  {
    SCOPED_TRACE("a span too long for the window is empty");
    const PlayerStats s = parse_lines({"<span>1234567890</span>", "FFA"});
    EXPECT_EQ(s.fights[4], 0);
  }
  {
    SCOPED_TRACE("race from the Most Played Race link");
    const PlayerStats s =
        parse_lines({"Most Played Race: <a href=\"/r\" class=\"race-protoss\">Protoss</a>"});
    EXPECT_EQ(s.race, "Protoss");
  }
}

TEST(Sc2Parser, MissingFileSetsOnlyTheNick) {
  test::TempDir dir;
  PlayerStats s = marked_stats();
  EXPECT_FALSE(parse_sc2_page(dir.file("none.html"), "Somebody", s));
  EXPECT_EQ(s.nick, "Somebody");
  EXPECT_EQ(s.points, -11);
  EXPECT_EQ(s.race, "old race");
  EXPECT_EQ(s.fights, marked_stats().fights);
}

}  // namespace
}  // namespace brinkmoor
