#include <gtest/gtest.h>

#include <random>
#include <string>

#include "shell/context.h"
#include "stats/stats.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

constexpr size_t kPageBytes = 10u * 1024u * 1024u;

// Random bytes, NULs among them, but no CR or LF: one endless line as far as line ends go.
std::string random_page(bool with_nuls) {
  std::mt19937 random(20120701);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string page;
  page.reserve(kPageBytes);
  while (page.size() < kPageBytes) {
    const char c = static_cast<char>(byte(random));
    if (c == '\r' || c == '\n' || (!with_nuls && c == '\0')) continue;
    page.push_back(c);
  }
  return page;
}

// One line made of markers repeated over and over, so that every extraction is attempted on a
// 10 MB line.
std::string marker_page() {
  const std::string pattern =
      "<div class=\"profile-hdr\"><td><b>PUNKTY<b>RASA</b></td><td><b>Miejsce w rankingu"
      "<b>KLAN</b></td><b>ARENA - BESTIE</b>>Remisy</td>Most Played Race:race-\">"
      ">X</a></h2><h4>League Wins</h4><div class=\"division\">4v4</div><div class=\"graph-bars "
      "secondary<span class=\"totals<span>League GamesCustom GamesCo-Op vs AIFFA";
  std::string page;
  page.reserve(kPageBytes + pattern.size());
  while (page.size() < kPageBytes) page += pattern;
  return page;
}

TEST(GarbagePage, BothParsersSurviveTenMegabytesWithoutLineEnds) {
  test::TempDir dir;
  dir.write("random_nul.html", random_page(true));
  dir.write("random.html", random_page(false));
  dir.write("markers.html", marker_page());
  for (const char* name : {"random_nul.html", "random.html", "markers.html"}) {
    SCOPED_TRACE(name);
    PlayerStats stats;
    EXPECT_TRUE(parse_bloodwars_page(dir.file(name), stats));
    EXPECT_TRUE(parse_sc2_page(dir.file(name), "X", stats));
    EXPECT_EQ(stats.nick, "X");
  }
}

}  // namespace
}  // namespace brinkmoor
