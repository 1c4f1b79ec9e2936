#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/curl_api.h"
#include "platform/ftp.h"
#include "platform/http.h"
#include "support/network_library.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

using test::network_library_mapped;

// One process, in order: what must not load the library, then what must.
TEST(NetworkLoading, OnlyATransferLoadsTheLibrary) {
  test::TempDir work;
  network_start();

  struct Refused {
    const char* what;
    std::string host;
    std::string user;
    std::string password;
    int port;
  };
  const std::vector<Refused> refused = {
      {"empty host", "", "user", "secret", 21},
      {"host with a port", "127.0.0.1:21", "user", "secret", 21},
      {"host with a path", "example.org/x", "user", "secret", 21},
      {"user with a line break", "127.0.0.1", "user\r\nDELE x", "secret", 21},
      {"password with a line break", "127.0.0.1", "user", "secret\nQUIT", 21},
      {"port zero", "127.0.0.1", "user", "secret", 0},
      {"port too high", "127.0.0.1", "user", "secret", 65536},
  };
  for (const Refused& c : refused) {
    SCOPED_TRACE(c.what);
    FtpSession session;
    EXPECT_FALSE(session.open(c.host, c.user, c.password, c.port, true));
    EXPECT_FALSE(session.is_open());
    EXPECT_FALSE(session.send_file(test::test_data_path("upload/signature.jpg"), "sig.jpg"));
  }
  EXPECT_FALSE(http_get_to_file("", work.file("page.html")));
  network_stop();
  EXPECT_FALSE(curl_api_loaded());
  EXPECT_FALSE(network_library_mapped());

  // An FTP login loads it.
  test::TempDir home;
  test::ServerProcess ftp{"ftp_server.py", {home.path().string(), "user", "secret"}};
  ASSERT_TRUE(ftp.ok());
  network_start();
  {
    FtpSession session;
    ASSERT_TRUE(session.open("127.0.0.1", "user", "secret", ftp.port(), true));
    EXPECT_TRUE(session.send_file(test::test_data_path("upload/signature.jpg"), "sig.jpg"));
  }
  EXPECT_TRUE(curl_api_loaded());
  EXPECT_TRUE(network_library_mapped());
  EXPECT_EQ(home.read("sig.jpg"), test::test_data("upload/signature.jpg"));
  network_stop();

  // After the network was stopped, the next run of transfers brings it up again.
  test::TempDir site;
  site.write("page.html", "<html>page</html>\n");
  test::ServerProcess http{"http_server.py", {site.path().string()}};
  ASSERT_TRUE(http.ok());
  const std::string address = "http://127.0.0.1:" + std::to_string(http.port()) + "/page.html";
  network_start();
  EXPECT_TRUE(http_get_to_file(address, work.file("page.html")));
  EXPECT_EQ(work.read("page.html"), "<html>page</html>\n");
  network_stop();
  network_stop();  // a second stop is harmless
  EXPECT_TRUE(http_get_to_file(address, work.file("again.html")));
  network_stop();
}

}  // namespace
}  // namespace brinkmoor
