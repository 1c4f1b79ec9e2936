#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/memory_ui.h"
#include "shell/context.h"
#include "shell/main_window.h"
#include "stats/stats.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

// Keeps every text the status line is given, in order (MemoryUi itself keeps only the last).
class StatusRecordingUi : public MemoryUi {
 public:
  void set_text(int gadget, const std::string& text) override {
    if (gadget == StatusText) statuses.push_back(text);
    MemoryUi::set_text(gadget, text);
  }
  std::vector<std::string> statuses;
};

const std::string kOldPage =
    "<div class=\"profile-hdr\">Profil wampira Cached </div>\r\n"
    "<tr><td><b>PUNKTY</b></td><td>111</td></tr>\r\n";
const std::string kNewPage =
    "<div class=\"profile-hdr\">Profil wampira Fresh </div>\r\n"
    "<tr><td><b>PUNKTY</b></td><td>222</td></tr>\r\n";
const std::string kSc2Page =
    "<h2><a href=\"/sc2/en/profile/42/1/Tester/\">Tester</a></h2>\r\n<h3>3600</h3>\r\n";

using Texts = std::vector<std::string>;

class FetchStats : public ::testing::Test {
 protected:
  void SetUp() override {
    work.mkdir("dane");
    site.write("showmsg.php", kNewPage);
    site.write("sc2/en/profile/42/1/Tester/index.html", kSc2Page);
    ctx.ui = &ui;
    ctx.work_dir = work.dir();
    ctx.pause_ms = [this](int ms) { pauses.push_back(ms); };
    ctx.endpoints.http.stall_timeout_s = 1;
    ctx.endpoints.http.connect_timeout_s = 5;
    ASSERT_TRUE(server.ok());
    serve_under("");
  }

  // Points both games' domains at the loopback server; a path prefix selects one of the
  // server's special behaviours for every address built from them.
  void serve_under(const std::string& prefix) { serve_at(server.port(), prefix); }
  void serve_at(int port, const std::string& prefix) {
    const std::string domain = "localhost:" + std::to_string(port) + prefix;
    ctx.endpoints.bw_profile_domain = domain;
    ctx.endpoints.sc2_profile_domain = domain;
  }

  // A cache file of the given age in seconds.
  void cache(const std::string& name, const std::string& bytes, int64_t age) {
    work.write("dane/" + name, bytes);
    ASSERT_TRUE(set_file_mtime(work.file("dane/" + name), now_seconds() - age));
  }

  std::vector<std::string> cache_folder() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(work.path() / "dane"))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempDir work;
  test::TempDir site;
  test::ServerProcess server{"http_server.py", {site.path().string()}};
  StatusRecordingUi ui;
  AppContext ctx;
  std::vector<int> pauses;
};

TEST_F(FetchStats, FreshCacheFileIsNotDownloaded) {
  cache("bw_r7_12.html", kOldPage, 14000);
  fetch_stats(ctx, "bw", "r7", 12, "");
  EXPECT_TRUE(server.requests().empty());
  EXPECT_EQ(ui.statuses, Texts({kStatsDownloaded}));
  EXPECT_EQ(ctx.stats.id, 12);
  EXPECT_EQ(ctx.stats.nick, "Cached");
  EXPECT_EQ(ctx.stats.points, 111);
  EXPECT_TRUE(pauses.empty());
}

TEST_F(FetchStats, CacheFileFromTheFutureIsNotDownloaded) {
  cache("bw_r7_12.html", kOldPage, -7200);
  fetch_stats(ctx, "bw", "r7", 12, "");
  EXPECT_TRUE(server.requests().empty());
  EXPECT_EQ(ctx.stats.points, 111);
}

TEST_F(FetchStats, StaleCacheFileIsDownloadedAndParsed) {
  cache("bw_r7_12.html", kOldPage, 14401);
  fetch_stats(ctx, "bw", "r7", 12, "");
  EXPECT_EQ(server.requests(), Texts({"GET /showmsg.php?a=profile&uid=12"}));
  EXPECT_EQ(work.read("dane/bw_r7_12.html"), kNewPage);
  EXPECT_EQ(ui.statuses, Texts({kStatsDownloadStart, kStatsDownloaded}));
  EXPECT_EQ(ctx.stats.nick, "Fresh");
  EXPECT_EQ(ctx.stats.points, 222);
  EXPECT_TRUE(pauses.empty());
  // The download renews the file's time.
  EXPECT_GE(file_mtime(work.file("dane/bw_r7_12.html")), now_seconds() - 60);
  EXPECT_EQ(cache_folder(), Texts({"bw_r7_12.html"}));
}

TEST_F(FetchStats, SamePlayerTwiceInOneRunLoadsThePageOnce) {
  fetch_stats(ctx, "bw", "r7", 12, "");
  fetch_stats(ctx, "bw", "r7", 12, "");
  EXPECT_EQ(server.requests(), Texts({"GET /showmsg.php?a=profile&uid=12"}));
  EXPECT_EQ(ui.statuses, Texts({kStatsDownloadStart, kStatsDownloaded, kStatsDownloaded}));
  EXPECT_EQ(ctx.stats.points, 222);
}

TEST_F(FetchStats, NegativeIdInAddressAndFileName) {
  fetch_stats(ctx, "bw", "s2", -5, "");
  EXPECT_EQ(server.requests(), Texts({"GET /showmsg.php?a=profile&uid=-5"}));
  EXPECT_EQ(cache_folder(), Texts({"bw_s2_-5.html"}));
  EXPECT_EQ(ctx.stats.id, -5);
}

TEST_F(FetchStats, StarCraftProfile) {
  ctx.stats.clan = "kept";
  fetch_stats(ctx, "sc2", "eu", 42, "Tester");
  EXPECT_EQ(server.requests(), Texts({"GET /sc2/en/profile/42/1/Tester/"}));
  EXPECT_EQ(work.read("dane/sc2_eu_42.html"), kSc2Page);
  EXPECT_EQ(ctx.stats.nick, "Tester");
  EXPECT_EQ(ctx.stats.points, 3600);
  EXPECT_EQ(ctx.stats.clan, "kept");
  EXPECT_EQ(ui.statuses, Texts({kStatsDownloadStart, kStatsDownloaded}));
}

TEST_F(FetchStats, Sc2NameWithLineBreakCannotReachTheRequest) {
  // The name goes into the address as it is; the HTTP layer refuses control characters instead
  // of sending them, so the download fails like any other.
  fetch_stats(ctx, "sc2", "eu", 42, "Tester\r\nX-Injected: 1");
  EXPECT_TRUE(server.requests().empty());
  EXPECT_EQ(ui.statuses,
            Texts({kStatsDownloadStart, kStatsDownloadError, kStatsDownloaded, kStatsUnreadable}));
  EXPECT_EQ(ctx.stats.nick, "Tester\r\nX-Injected: 1");
}

TEST_F(FetchStats, FailedDownloadsKeepTheOldCacheFile) {
  int dead_port = 0;
  {
    // Nothing listens on this server's port once it is gone.
    test::ServerProcess gone("http_server.py", {site.path().string()});
    dead_port = gone.port();
  }

  struct Case {
    const char* what;
    int port;
    std::string prefix;
  };
  const std::vector<Case> cases = {
      {"not found", server.port(), "/__status/404"},
      {"server error", server.port(), "/__status/500"},
      {"refused connection", dead_port, ""},
      {"stall after the headers", server.port(), "/__stall"},
      {"no answer at all", server.port(), "/__hang"},
      {"body cut short", server.port(), "/__short"},
      {"body over 16 MiB", server.port(), "/__big"},
      {"too many redirects", server.port(), "/__hops/6"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int64_t old_time = now_seconds() - 20000;
    work.write("dane/bw_r7_12.html", kOldPage);
    ASSERT_TRUE(set_file_mtime(work.file("dane/bw_r7_12.html"), old_time));
    ui.statuses.clear();
    pauses.clear();
    ctx.stats = PlayerStats{};
    serve_at(c.port, c.prefix);

    fetch_stats(ctx, "bw", "r7", 12, "");

    EXPECT_EQ(work.read("dane/bw_r7_12.html"), kOldPage);
    EXPECT_EQ(file_mtime(work.file("dane/bw_r7_12.html")), old_time);
    EXPECT_EQ(cache_folder(), Texts({"bw_r7_12.html"}));  // no temporary file left behind
    EXPECT_EQ(ui.statuses, Texts({kStatsDownloadStart, kStatsDownloadError, kStatsDownloaded}));
    EXPECT_EQ(pauses, std::vector<int>({500}));
    EXPECT_EQ(ctx.stats.id, 12);
    EXPECT_EQ(ctx.stats.points, 111);  // the old page is parsed
  }
}

TEST_F(FetchStats, FailedDownloadWithoutCacheFile) {
  serve_under("/__status/404");
  fetch_stats(ctx, "bw", "r7", 12, "");
  EXPECT_EQ(ui.statuses,
            Texts({kStatsDownloadStart, kStatsDownloadError, kStatsDownloaded, kStatsUnreadable}));
  EXPECT_TRUE(cache_folder().empty());

  ui.statuses.clear();
  fetch_stats(ctx, "sc2", "eu", 42, "Nobody");
  EXPECT_EQ(ui.statuses,
            Texts({kStatsDownloadStart, kStatsDownloadError, kStatsDownloaded, kStatsUnreadable}));
  EXPECT_EQ(ctx.stats.nick, "Nobody");
}

TEST_F(FetchStats, MissingCacheFolder) {
  std::filesystem::remove(work.path() / "dane");
  fetch_stats(ctx, "bw", "r7", 12, "");
  EXPECT_EQ(ui.statuses,
            Texts({kStatsDownloadStart, kStatsDownloadError, kStatsDownloaded, kStatsUnreadable}));
  EXPECT_FALSE(std::filesystem::exists(work.path() / "dane"));
}

TEST_F(FetchStats, OtherGameCode) {
  ctx.stats.nick = "kept";
  fetch_stats(ctx, "wow", "eu", 3, "X");
  // The empty address cannot be loaded; no parser runs.
  EXPECT_TRUE(server.requests().empty());
  EXPECT_EQ(ui.statuses, Texts({kStatsDownloadStart, kStatsDownloadError, kStatsDownloaded}));
  EXPECT_EQ(pauses, std::vector<int>({500}));
  EXPECT_EQ(ctx.stats.id, 3);
  EXPECT_EQ(ctx.stats.nick, "kept");
}

TEST_F(FetchStats, UnsafeGameCodeOrServerLabelActsAsFailedDownload) {
  // A page that a path escaping "dane/" would reach.
  work.write("bw_r7_12.html", kOldPage);
  struct Case {
    std::string game, server;
  };
  const std::vector<Case> cases = {
      {"bw", "../r7"},
      {"bw", ".."},
      {"bw", "a..b"},
      {"bw", "r7/.."},
      {"bw", ""},
      {"bw", "r 7"},
      {"bw", "r7:80"},
      {"bw", "r7@x"},
      {"../bw", "r7"},
      {"b/w", "r7"},
      {"sc2", "eu#"},
      {"sc2", "eu\\x"},
      {"bw", std::string("r7\0", 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.game + " " + c.server);
    ui.statuses.clear();
    pauses.clear();
    ctx.stats = PlayerStats{};
    ctx.stats.nick = "kept";
    fetch_stats(ctx, c.game, c.server, 12, "Tester");
    EXPECT_EQ(ui.statuses, Texts({kStatsDownloadError, kStatsDownloaded}));
    EXPECT_EQ(pauses, std::vector<int>({500}));
    EXPECT_EQ(ctx.stats.id, 12);
    EXPECT_EQ(ctx.stats.nick, "kept");
    EXPECT_EQ(ctx.stats.points, 0);
  }
  EXPECT_TRUE(server.requests().empty());
  EXPECT_TRUE(cache_folder().empty());
  EXPECT_EQ(work.read("bw_r7_12.html"), kOldPage);
}

}  // namespace
}  // namespace brinkmoor
