// The login check and the upload against a real FTP server on loopback (pyftpdlib, started by
// each test with one account and a scratch login folder).
#include "upload/upload.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/memory_ui.h"
#include "shell/context.h"
#include "shell/main_window.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

using test::ServerProcess;
using test::TempDir;

const char* const kPolishLoginFailure = "Nie można się połączyć z serwerem.";

// The FTP server and what it has reported so far.
class FtpServer {
 public:
  FtpServer(const std::string& user, const std::string& password,
            const std::string& mode = "normal")
      : server_("ftp_server.py", {home_.path().string(), user, password, mode}) {}

  int port() const { return server_.port(); }
  const TempDir& home() const { return home_; }
  bool has(const std::string& name) const { return std::filesystem::exists(home_.path() / name); }
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(home_.path()))
      names.push_back(entry.path().filename().string());
    return names;
  }

  std::vector<std::string> lines(int wait_ms = 100) { return server_.requests(wait_ms); }
  int count(const std::string& exact_or_prefix, bool prefix = false) {
    int n = 0;
    for (const auto& line : lines(10))
      if (prefix ? line.rfind(exact_or_prefix, 0) == 0 : line == exact_or_prefix) ++n;
    return n;
  }
  int connections() { return count("CONNECT"); }
  int logins() { return count("LOGIN ", true); }
  // Sessions logged in at this moment.
  int logged_in() { return logins() - count("LOGOUT ", true); }
  // Control connections open at this moment.
  int open_connections() { return connections() - count("DISCONNECT"); }
  bool saw(const std::string& line) { return count(line) > 0; }

  // Waits (at most 10 s) until the server has seen every connection end.
  bool all_closed() {
    return eventually([this] { return open_connections() == 0 && logged_in() == 0; });
  }
  bool eventually(const std::function<bool()>& condition) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > limit) return false;
      lines(50);
    }
    return true;
  }

 private:
  TempDir home_;
  ServerProcess server_;
};

// The main program as far as these operations see it: a hidden MainWindow over MemoryUi and a
// working folder with "grafika/".
struct Program {
  TempDir work;
  MemoryUi ui;
  AppContext ctx;

  explicit Program(int port) {
    ctx.ui = &ui;
    ctx.work_dir = work.dir();
    EXPECT_TRUE(open_main_window(ctx, /*hidden=*/true));
    ctx.endpoints.ftp_port = port;
    work.mkdir("grafika");
  }
  void login(const std::string& host, const std::string& user, const std::string& password) {
    ui.set_text(ServerField, host);
    ui.set_text(UserField, user);
    ui.set_text(PasswordField, password);
  }
  void put_picture(const std::string& bytes) const {
    work.write("grafika/brinkmoortest.jpg", bytes);
  }
  std::string picture() const { return work.read("grafika/brinkmoortest.jpg"); }
  std::vector<std::string> message_texts() const {
    std::vector<std::string> texts;
    for (const auto& m : ui.messages()) {
      EXPECT_EQ(m.title, "Brinkmoor.");
      texts.push_back(m.text);
    }
    return texts;
  }
};

using Texts = std::vector<std::string>;

std::string real_picture() {
  return test::test_data("upload/signature.jpg");
}

// Bytes that differ from every other picture used here and are big enough to be sent over
// many chunks.
std::string filler(size_t size, char seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 7 + i / 251);
  return bytes;
}

TEST(Upload, SendsThePictureAnEarlierRunLeftByteForByte) {
  FtpServer server("alice", "secret");
  ASSERT_TRUE(server.port() > 0);
  Program program(server.port());
  // No generation in this run: the file on disk is what goes.
  const std::string picture = real_picture();
  ASSERT_FALSE(picture.empty());
  program.put_picture(picture);
  program.login("127.0.0.1", "alice", "secret");

  upload_signature(program.ctx);

  EXPECT_EQ(program.message_texts(), Texts{});
  EXPECT_EQ(server.home().read("brinkmoortest.jpg"), picture);
  EXPECT_EQ(server.files(), Texts{"brinkmoortest.jpg"});
  EXPECT_EQ(program.picture(), picture);
  ASSERT_TRUE(server.all_closed());
  // One login for the whole operation, binary type, a passive data connection, a clean QUIT.
  EXPECT_EQ(server.logins(), 1);
  EXPECT_TRUE(server.saw("CMD TYPE I"));
  EXPECT_TRUE(server.saw("CMD EPSV") || server.saw("CMD PASV"));
  EXPECT_FALSE(server.saw("CMD PORT") || server.saw("CMD EPRT"));
  EXPECT_TRUE(server.saw("CMD QUIT"));
}

TEST(Upload, SecondUploadLogsInAfreshAndReplacesTheFile) {
  FtpServer server("alice", "secret");
  ASSERT_TRUE(server.port() > 0);
  Program program(server.port());
  program.login("127.0.0.1", "alice", "secret");

  program.put_picture(real_picture());
  upload_signature(program.ctx);
  const std::string second = filler(20000, 'b');
  program.put_picture(second);
  upload_signature(program.ctx);

  EXPECT_EQ(program.message_texts(), Texts{});
  EXPECT_EQ(server.home().read("brinkmoortest.jpg"), second);
  EXPECT_EQ(server.files(), Texts{"brinkmoortest.jpg"});
  ASSERT_TRUE(server.all_closed());
  EXPECT_EQ(server.logins(), 2);
}

TEST(Upload, FieldsAreReadAfreshOnEveryCall) {
  FtpServer server("alice", "secret");
  ASSERT_TRUE(server.port() > 0);
  Program program(server.port());
  program.put_picture(real_picture());

  program.login("127.0.0.1", "alice", "wrong");
  upload_signature(program.ctx);
  EXPECT_EQ(program.message_texts(), Texts{kPolishLoginFailure});
  EXPECT_FALSE(server.has("brinkmoortest.jpg"));

  // Corrected in the field only, nothing saved: the next press uses it.
  program.ui.set_text(PasswordField, "secret");
  upload_signature(program.ctx);
  EXPECT_EQ(program.message_texts(), Texts{kPolishLoginFailure});
  EXPECT_EQ(server.home().read("brinkmoortest.jpg"), real_picture());

  program.ui.set_text(UserField, "mallory");
  check_connection(program.ctx);
  EXPECT_EQ(program.message_texts(), (Texts{kPolishLoginFailure, "Unable to connect!"}));
  EXPECT_TRUE(server.all_closed());
}

TEST(Upload, WithoutAPictureNothingIsSentAndNothingIsSaid) {
  FtpServer server("alice", "secret");
  ASSERT_TRUE(server.port() > 0);
  Program program(server.port());
  program.login("127.0.0.1", "alice", "secret");

  upload_signature(program.ctx);

  EXPECT_EQ(program.message_texts(), Texts{});
  EXPECT_EQ(server.files(), Texts{});
  EXPECT_TRUE(server.all_closed());
}

TEST(CheckConnection, SessionIsLoggedInWhileTheMessageIsUpAndClosedAfter) {
  FtpServer server("alice", "secret");
  ASSERT_TRUE(server.port() > 0);
  Program program(server.port());
  program.login("127.0.0.1", "alice", "secret");
  int logged_in_during_message = -1;
  program.ui.set_message_hook([&](const MemoryUi::Message&) {
    server.eventually([&] { return server.logins() == 1; });
    logged_in_during_message = server.logged_in();
  });

  check_connection(program.ctx);

  EXPECT_EQ(program.message_texts(), Texts{"Connection established correctly."});
  EXPECT_EQ(logged_in_during_message, 1);
  EXPECT_TRUE(server.all_closed());
  EXPECT_TRUE(server.saw("CMD QUIT"));
}

TEST(CheckConnection, PasswordWithAddressCharactersLogsIn) {
  const std::string password = "p@ss:/#word";
  FtpServer server("alice", password);
  ASSERT_TRUE(server.port() > 0);
  Program program(server.port());
  program.login("127.0.0.1", "alice", password);
  program.put_picture(real_picture());

  check_connection(program.ctx);
  upload_signature(program.ctx);

  EXPECT_EQ(program.message_texts(), Texts{"Connection established correctly."});
  EXPECT_EQ(server.home().read("brinkmoortest.jpg"), real_picture());
  EXPECT_TRUE(server.all_closed());
}

// Failed logins of every kind: both operations say so, nothing is stored, nothing stays open.
TEST(CheckConnection, FailedLoginsLeaveNothingOpen) {
  FtpServer server("alice", "secret");
  ASSERT_TRUE(server.port() > 0);
  int dead_port = 0;
  {
    FtpServer gone("alice", "secret");
    dead_port = gone.port();
  }
  ASSERT_TRUE(dead_port > 0);

  struct Case {
    const char* label;
    const char* host;
    const char* user;
    const char* password;
    bool dead;
  };
  const Case cases[] = {
      {"wrong password", "127.0.0.1", "alice", "guess", false},
      {"unknown user", "127.0.0.1", "bob", "secret", false},
      {"empty user", "127.0.0.1", "", "secret", false},
      {"empty password", "127.0.0.1", "alice", "", false},
      {"refused port", "127.0.0.1", "alice", "secret", true},
      {"unresolvable host", "no-such-host.brinkmoor.invalid", "alice", "secret", false},
      {"empty host", "", "alice", "secret", false},
      // A line break would put a command of the user's choosing on the control connection.
      {"password with a line break", "127.0.0.1", "alice", "secret\r\nDELE x", false},
      {"user with a line break", "127.0.0.1", "alice\r\nNOOP", "secret", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Program program(c.dead ? dead_port : server.port());
    program.put_picture(real_picture());
    program.login(c.host, c.user, c.password);
    check_connection(program.ctx);
    upload_signature(program.ctx);
    EXPECT_EQ(program.message_texts(), (Texts{"Unable to connect!", kPolishLoginFailure}));
    EXPECT_EQ(server.files(), Texts{});
    EXPECT_EQ(program.picture(), real_picture());
    EXPECT_TRUE(server.all_closed());
    EXPECT_EQ(server.logins(), 0);
  }
}

// The server field names a host and nothing else: whatever a text would mean inside an address
// (another port, a path, a user, a fragment) must not lead anywhere, this server included,
// although the user and password fields hold its valid login.
TEST(CheckConnection, ServerFieldCannotRedirectTheConnection) {
  FtpServer server("user", "secret");
  ASSERT_TRUE(server.port() > 0);
  const std::string port = std::to_string(server.port());
  const std::string hosts[] = {
      "127.0.0.1/evil", "user@127.0.0.1", "user:secret@127.0.0.1", "127.0.0.1:" + port,
      "127.0.0.1#evil", "127.0.0.1?evil", "127.0.0.1\\evil",       " 127.0.0.1",
      "127.0.0.1 ",     "127.0.0.1\r\n",  "[127.0.0.1]",           "ftp://127.0.0.1",
  };
  for (const std::string& host : hosts) {
    SCOPED_TRACE(host);
    // The port field of the program is a closed one: only a port taken from the host text
    // could reach the server.
    Program program(1);
    program.put_picture(real_picture());
    program.login(host, "user", "secret");
    check_connection(program.ctx);
    upload_signature(program.ctx);
    EXPECT_EQ(program.message_texts(), (Texts{"Unable to connect!", kPolishLoginFailure}));
  }
  EXPECT_EQ(server.connections(), 0);
  EXPECT_EQ(server.files(), Texts{});
}

// A transfer that fails after a good login: no message, the session closed, the local picture
// untouched, the remote picture of the last good upload still whole, and the program goes on.
TEST(Upload, FailedTransfersAreSilentAndLeaveNoHalfFile) {
  struct Case {
    const char* mode;
    size_t picture_size;
    // A refusal (not a breakdown) is retried under the final name, as for servers that refuse
    // temporary names.
    bool retried_under_final_name;
  };
  // The broken data connection needs a picture that takes many chunks.
  const Case cases[] = {{"refuse-stor", 6000, true}, {"drop-data", 4u * 1024u * 1024u, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    FtpServer server("alice", "secret", c.mode);
    ASSERT_TRUE(server.port() > 0);
    const std::string earlier = "the picture of the last good upload";
    server.home().write("brinkmoortest.jpg", earlier);
    Program program(server.port());
    program.login("127.0.0.1", "alice", "secret");
    const std::string picture = filler(c.picture_size, 'a');
    program.put_picture(picture);

    upload_signature(program.ctx);

    EXPECT_EQ(program.message_texts(), Texts{});
    // (EXPECT_TRUE: a failure must not print megabytes.)
    EXPECT_TRUE(program.picture() == picture);
    EXPECT_EQ(server.home().read("brinkmoortest.jpg").substr(0, 100), earlier);
    EXPECT_TRUE(server.all_closed());
    EXPECT_TRUE(server.saw("CMD STOR brinkmoortest.jpg.part"));
    EXPECT_EQ(server.saw("CMD STOR brinkmoortest.jpg"), c.retried_under_final_name);

    check_connection(program.ctx);
    EXPECT_EQ(program.message_texts(), Texts{"Connection established correctly."});
  }
}

TEST(Upload, ServerThatCannotRenameStillGetsThePicture) {
  FtpServer server("alice", "secret", "no-rename");
  ASSERT_TRUE(server.port() > 0);
  Program program(server.port());
  program.login("127.0.0.1", "alice", "secret");
  program.put_picture(real_picture());

  upload_signature(program.ctx);

  EXPECT_EQ(program.message_texts(), Texts{});
  EXPECT_EQ(server.home().read("brinkmoortest.jpg"), real_picture());
  EXPECT_EQ(server.files(), Texts{"brinkmoortest.jpg"});
  EXPECT_TRUE(server.all_closed());
}

// A server that stops answering cannot hold an unattended run: the limits end the operation.
TEST(Upload, ServerThatStopsAnsweringDoesNotHoldTheRun) {
  {
    FtpServer server("alice", "secret", "silent-stor");
    ASSERT_TRUE(server.port() > 0);
    Program program(server.port());
    program.ctx.endpoints.ftp_stall_timeout_s = 1;
    program.login("127.0.0.1", "alice", "secret");
    program.put_picture(real_picture());
    upload_signature(program.ctx);
    EXPECT_EQ(program.message_texts(), Texts{});
    EXPECT_FALSE(server.has("brinkmoortest.jpg"));
    EXPECT_TRUE(server.all_closed());
  }
  {
    FtpServer server("alice", "secret", "silent-greeting");
    ASSERT_TRUE(server.port() > 0);
    Program program(server.port());
    program.ctx.endpoints.ftp_connect_timeout_s = 1;
    program.ctx.endpoints.ftp_stall_timeout_s = 1;
    program.login("127.0.0.1", "alice", "secret");
    check_connection(program.ctx);
    EXPECT_EQ(program.message_texts(), Texts{"Unable to connect!"});
    EXPECT_TRUE(server.all_closed());
  }
}

TEST(FtpSession, MissingLocalFileSendsNothingAndKeepsTheSession) {
  FtpServer server("alice", "secret");
  ASSERT_TRUE(server.port() > 0);
  TempDir local;
  local.write("picture.jpg", real_picture());
  FtpSession session;
  ASSERT_TRUE(session.open("127.0.0.1", "alice", "secret", server.port(), true));
  EXPECT_TRUE(session.is_open());

  EXPECT_FALSE(session.send_file(local.file("missing.jpg"), "picture.jpg"));
  EXPECT_EQ(server.files(), Texts{});
  EXPECT_FALSE(session.send_file(local.file("picture.jpg"), "../picture.jpg"));
  EXPECT_TRUE(session.send_file(local.file("picture.jpg"), "picture.jpg"));
  session.close();
  EXPECT_FALSE(session.is_open());

  EXPECT_EQ(server.home().read("picture.jpg"), real_picture());
  EXPECT_TRUE(server.all_closed());
  EXPECT_EQ(server.logins(), 1);
}

}  // namespace
}  // namespace brinkmoor
