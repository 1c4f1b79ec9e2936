// The built updater program, started the way a machine without any display starts it.
#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "platform/process.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

// No display of any kind: the program must neither fail nor let the toolkit complain.
const std::vector<std::string> kNoDisplay = {"-DISPLAY", "-WAYLAND_DISPLAY", "-QT_QPA_PLATFORM"};

std::string updater_program() {
  return std::string(BRINKMOOR_BINARY_DIR) + "/src/updater/aktualizator";
}

TEST(UpdaterProgram, WithoutADisplayEndsQuietly) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> env;
  };
  // The working directory has no "temp/" folder, so the check fails before any network use.
  const Case cases[] = {
      {"started by the main program", {"0.50"}, {"BRINKMOOR_START_HIDDEN=1"}},
      {"started by hand", {}, {"BRINKMOOR_START_HIDDEN="}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir work;
    std::vector<std::string> env = kNoDisplay;
    env.insert(env.end(), c.env.begin(), c.env.end());
    ChildProcess program;
    ASSERT_TRUE(program.start(updater_program(), c.args, work.dir(), env, true));
    const std::string output = program.read_all(60000);
    EXPECT_EQ(program.wait(60000), 0);
    EXPECT_EQ(output, "");
  }
}

TEST(UpdaterProgram, WithAnOffscreenDisplayOpensItsWindowAndEnds) {
  // The Qt layer runs (without a screen); with nothing to check against it ends after one pass.
  for (const char* hidden : {"BRINKMOOR_START_HIDDEN=1", "BRINKMOOR_START_HIDDEN="}) {
    SCOPED_TRACE(hidden);
    test::TempDir work;
    std::vector<std::string> env = kNoDisplay;
    env.push_back("QT_QPA_PLATFORM=offscreen");
    // The window layer is a dlopen'ed module whose libraries use thread-local storage, which
    // LeakSanitizer cannot walk here (its tracer crashes on the module's TLS): leave TLS out.
    env.push_back("LSAN_OPTIONS=use_tls=0:suppressions=" +
                  test::test_data_path("updater/qt_leaks.supp"));
    env.push_back(hidden);
    ChildProcess program;
    ASSERT_TRUE(program.start(updater_program(), {"0.50"}, work.dir(), env, true));
    const std::string output = program.read_all(60000);
    EXPECT_EQ(program.wait(60000), 0) << output;
  }
}

}  // namespace
}  // namespace brinkmoor
