#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "shell/context.h"
#include "stats/stats.h"

namespace brinkmoor {
namespace {

TEST(ProfileAddress, ProgramDomainsAndForms) {
  const Endpoints endpoints;  // the program's own domains
  EXPECT_EQ(profile_address(endpoints, "bw", "r7", 12, "ignored"),
            "http://r7.bloodwars.interia.pl/showmsg.php?a=profile&uid=12");
  EXPECT_EQ(profile_address(endpoints, "sc2", "eu", 3354437, "ClarkeKent"),
            "http://eu.battle.net/sc2/en/profile/3354437/1/ClarkeKent/");
  EXPECT_EQ(profile_address(endpoints, "bw", "s2", -5, ""),
            "http://s2.bloodwars.interia.pl/showmsg.php?a=profile&uid=-5");
  EXPECT_EQ(profile_address(endpoints, "sc2", "us", -7, "A"),
            "http://us.battle.net/sc2/en/profile/-7/1/A/");
  // Game codes are compared exactly.
  EXPECT_EQ(profile_address(endpoints, "BW", "r7", 12, ""), "");
  EXPECT_EQ(profile_address(endpoints, "sc", "eu", 12, ""), "");
  EXPECT_EQ(profile_address(endpoints, "", "eu", 12, ""), "");
}

TEST(StatsCacheFile, OneFilePerGameServerAndId) {
  EXPECT_EQ(stats_cache_file("/w/", "bw", "s2", 12), "/w/dane/bw_s2_12.html");
  EXPECT_EQ(stats_cache_file("/w/", "sc2", "eu", -3), "/w/dane/sc2_eu_-3.html");
  EXPECT_EQ(stats_cache_file("/w/", "bw", "r7", INT32_MIN), "/w/dane/bw_r7_-2147483648.html");
}

TEST(CacheNeedsDownload, FourHourRuleAsSigned32BitDifference) {
  struct Case {
    const char* what;
    int64_t file_time;
    int64_t now;
    bool expected;
  };
  const int64_t now = 1'800'000'000;  // a time in 2027
  const std::vector<Case> cases = {
      {"exactly 14400 s old is still fresh", now - 14400, now, false},
      {"14401 s old is stale", now - 14401, now, true},
      {"just written", now, now, false},
      {"from the future (clock set back)", now + 3600, now, false},
      {"missing file counts as time 0", 0, now, true},
      // After 2038 the age of a missing file does not fit 32 bits; it is still loaded.
      {"missing file after 2038", 0, int64_t{3'000'000'000}, true},
      // An age past 2^31 wraps to a negative difference, like a file from the future.
      {"ages past 2^31 wrap negative", 1000, 1000 + (int64_t{1} << 31) + 5, false},
      {"ages just below 2^31 are stale", 1000, 1000 + (int64_t{1} << 31) - 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(cache_needs_download(c.file_time, c.now), c.expected);
  }
}

TEST(SafeStatsLabel, OnlyLettersDigitsDotUnderscoreWithoutDoubleDot) {
  struct Case {
    std::string label;
    bool allow_empty;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"r7", false, true},        {"eu", false, true},
      {"sc2", false, true},       {"a.b_C9", false, true},
      {"", false, false},         {"", true, true},
      {"..", false, false},       {"a..b", false, false},
      {"../x", false, false},     {"r7/x", false, false},
      {"r7\\x", false, false},    {"r 7", false, false},
      {"r7:80", false, false},    {"r7@evil", false, false},
      {"r7?x", false, false},     {"r7#", false, false},
      {"r7%2e", false, false},    {"r7-x", false, false},
      {"r7\n", false, false},     {std::string("r7\0x", 4), false, false},
      {"\xc5\x81", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("label \"" + c.label + "\"");
    EXPECT_EQ(is_safe_stats_label(c.label, c.allow_empty), c.expected);
  }
}

}  // namespace
}  // namespace brinkmoor
