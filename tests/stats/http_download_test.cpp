#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/http.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

class HttpDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    site.write("page.html", "<html>page</html>\n");
    site.write("exact.bin", std::string(1000, 'e'));
    site.write("over.bin", std::string(1001, 'o'));
    site.write("empty.html", "");
    work.write("target.html", "old bytes");
    limits.stall_timeout_s = 1;
    limits.connect_timeout_s = 5;
    ASSERT_TRUE(server.ok());
  }
  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(server.port()) + path;
  }
  size_t files_in_work() const {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(work.path())) ++n;
    return n;
  }

  test::TempDir site;
  test::TempDir work;
  test::ServerProcess server{"http_server.py", {site.path().string()}};
  HttpLimits limits;
};

TEST_F(HttpDownload, SuccessReplacesTheFile) {
  struct Case {
    const char* what;
    std::string path;
    std::string body;
  };
  const std::vector<Case> cases = {
      {"plain page", "/page.html", "<html>page</html>\n"},
      {"one redirect", "/__redirect/page.html", "<html>page</html>\n"},
      {"five redirects", "/__hops/5/page.html", "<html>page</html>\n"},
      {"empty body", "/empty.html", ""},
      {"body exactly at the limit", "/exact.bin", std::string(1000, 'e')},
  };
  limits.max_body_bytes = 1000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    work.write("target.html", "old bytes");
    EXPECT_TRUE(http_get_to_file(url(c.path), work.file("target.html"), limits));
    EXPECT_EQ(work.read("target.html"), c.body);
    EXPECT_EQ(files_in_work(), 1u);
  }
}

TEST_F(HttpDownload, FailureLeavesTheFileUntouched) {
  int dead_port = 0;
  {
    test::ServerProcess gone("http_server.py", {site.path().string()});
    dead_port = gone.port();
  }
  struct Case {
    const char* what;
    std::string address;
  };
  const std::vector<Case> cases = {
      {"not found", url("/missing.html")},
      {"forbidden", url("/__status/403/page.html")},
      {"server error", url("/__status/503/page.html")},
      {"redirect status without a target", url("/__status/302/page.html")},
      {"six redirects", url("/__hops/6/page.html")},
      {"stall after ten bytes", url("/__stall/page.html")},
      {"no answer", url("/__hang/page.html")},
      {"connection closed early", url("/__short/page.html")},
      {"length over the limit", url("/over.bin")},
      {"endless body over the limit", url("/__big/page.html")},
      {"refused connection", "http://127.0.0.1:" + std::to_string(dead_port) + "/page.html"},
      {"empty address", ""},
      {"other protocols are refused", "file://" + site.file("page.html")},
  };
  limits.max_body_bytes = 1000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(http_get_to_file(c.address, work.file("target.html"), limits));
    EXPECT_EQ(work.read("target.html"), "old bytes");
    EXPECT_EQ(files_in_work(), 1u);  // the temporary file is gone
  }
}

TEST_F(HttpDownload, DefaultLimitRefusesSeventeenMegabytes) {
  EXPECT_FALSE(http_get_to_file(url("/__big/x"), work.file("target.html"), limits));
  EXPECT_EQ(work.read("target.html"), "old bytes");
}

TEST_F(HttpDownload, MissingFolderFailsWithoutCreatingIt) {
  EXPECT_FALSE(http_get_to_file(url("/page.html"), work.file("nope/target.html"), limits));
  EXPECT_FALSE(std::filesystem::exists(work.path() / "nope"));
}

}  // namespace
}  // namespace brinkmoor
