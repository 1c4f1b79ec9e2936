#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/curl_api.h"
#include "platform/ftp.h"
#include "platform/http.h"
#include "support/network_library.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

using test::network_library_mapped;

// The test runs with a library path whose "libcurl.so.4" has none of the functions. Both
// servers are up, so only the missing library can make the transfers fail.
TEST(NetworkWithoutLibrary, TransfersFailLikeANetworkFailure) {
  const char* library_path = std::getenv("LD_LIBRARY_PATH");
  ASSERT_NE(library_path, nullptr);
  ASSERT_TRUE(std::filesystem::exists(std::string(library_path) + "/libcurl.so.4"));

  test::TempDir site;
  test::TempDir work;
  test::TempDir home;
  site.write("page.html", "<html>page</html>\n");
  test::ServerProcess http{"http_server.py", {site.path().string()}};
  test::ServerProcess ftp{"ftp_server.py", {home.path().string(), "user", "secret"}};
  ASSERT_TRUE(http.ok());
  ASSERT_TRUE(ftp.ok());
  const std::string address = "http://127.0.0.1:" + std::to_string(http.port()) + "/page.html";

  network_start();
  // Twice: a second attempt after the failed load must fail the same way.
  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    work.write("target.html", "old bytes");
    EXPECT_FALSE(http_get_to_file(address, work.file("target.html")));
    EXPECT_EQ(work.read("target.html"), "old bytes");
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(work.path())) ++files;
    EXPECT_EQ(files, 1u);

    FtpSession session;
    EXPECT_FALSE(session.open("127.0.0.1", "user", "secret", ftp.port(), true));
    EXPECT_FALSE(session.is_open());
    EXPECT_FALSE(session.send_file(test::test_data_path("upload/signature.jpg"), "sig.jpg"));
    session.close();
  }
  network_stop();

  EXPECT_FALSE(curl_api_loaded());
  EXPECT_FALSE(network_library_mapped());
  EXPECT_TRUE(http.requests().empty());
  EXPECT_TRUE(ftp.requests().empty());
  EXPECT_FALSE(std::filesystem::exists(home.path() / "sig.jpg"));
}

}  // namespace
}  // namespace brinkmoor
