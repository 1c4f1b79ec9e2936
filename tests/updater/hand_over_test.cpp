// The hand-over script, as built, run for real in a scratch working directory laid out like an
// installation: the two programs, the script, and "temp/" holding the downloads.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/process.h"
#include "support/temp_dir.h"
#include "updater/updater.h"
#include "updater_test_support.h"

namespace brinkmoor {
namespace {

using test::TempDir;

class HandOverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work_.mkdir("temp");
    std::filesystem::copy_file(test::built_hand_over_script(), work_.file(kHandOverScript));
  }

  static std::string download(const std::string& name) { return std::string(kTempFolder) + name; }

  // Runs the script to its end; its exit status.
  int run_script() {
    ChildProcess script;
    if (!script.start(work_.file(kHandOverScript), {}, work_.dir())) return -100;
    output_ = script.read_all(30000);
    return script.wait(30000);
  }

  TempDir work_;
  std::string output_;
};

TEST_F(HandOverTest, BuiltScriptIsExecutable) {
  EXPECT_TRUE(test::is_executable(test::built_hand_over_script()));
}

TEST_F(HandOverTest, ReplacesBothProgramsAndKeepsThePreviousOnes) {
  work_.write(kMainProgramName, "old main program");
  work_.write(kUpdaterProgramName, "old updater");
  work_.write(download(kMainProgramName), "new main program");
  work_.write(download(kUpdaterProgramName), "new updater");
  EXPECT_EQ(run_script(), 0) << output_;
  EXPECT_EQ(work_.read(kMainProgramName), "new main program");
  EXPECT_EQ(work_.read(kUpdaterProgramName), "new updater");
  EXPECT_EQ(work_.read(std::string(kMainProgramName) + ".old"), "old main program");
  EXPECT_EQ(work_.read(std::string(kUpdaterProgramName) + ".old"), "old updater");
  EXPECT_TRUE(test::is_executable(work_.file(kMainProgramName)));
  EXPECT_TRUE(test::is_executable(work_.file(kUpdaterProgramName)));
  // Installed downloads are cleared away; no staging file is left behind.
  EXPECT_FALSE(file_exists(work_.file(download(kMainProgramName))));
  EXPECT_FALSE(file_exists(work_.file(download(kUpdaterProgramName))));
  for (const auto& entry : std::filesystem::directory_iterator(work_.path()))
    EXPECT_NE(entry.path().filename().string().rfind(".", 0), 0u) << entry.path();
}

TEST_F(HandOverTest, RefusesMissingOrEmptyDownloads) {
  struct Case {
    const char* name;
    std::optional<std::string> main_download;  // nullopt: missing
    std::optional<std::string> updater_download;
    int status;
  };
  const Case cases[] = {
      {"both missing", std::nullopt, std::nullopt, 1},
      {"both empty", "", "", 1},
      {"main program missing", std::nullopt, "new updater", 1},
      {"updater empty", "new main program", "", 1},
      {"both present", "new main program", "new updater", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* name : {kMainProgramName, kUpdaterProgramName}) {
      work_.write(name, std::string("old ") + name);
      remove_file(work_.file(std::string(name) + ".old"));
      remove_file(work_.file(download(name)));
    }
    if (c.main_download) work_.write(download(kMainProgramName), *c.main_download);
    if (c.updater_download) work_.write(download(kUpdaterProgramName), *c.updater_download);
    EXPECT_EQ(run_script(), c.status) << output_;
    for (const auto& [name, bytes] : {std::pair{kMainProgramName, c.main_download},
                                      std::pair{kUpdaterProgramName, c.updater_download}}) {
      const bool usable = bytes && !bytes->empty();
      EXPECT_EQ(work_.read(name), usable ? *bytes : std::string("old ") + name) << name;
      // A refused download leaves no "*.old" behind: nothing was replaced.
      EXPECT_EQ(file_exists(work_.file(std::string(name) + ".old")), usable) << name;
    }
  }
}

TEST_F(HandOverTest, FirstInstallationKeepsNoOldFile) {
  work_.write(download(kMainProgramName), "new main program");
  work_.write(download(kUpdaterProgramName), "new updater");
  EXPECT_EQ(run_script(), 0) << output_;
  EXPECT_EQ(work_.read(kMainProgramName), "new main program");
  EXPECT_FALSE(file_exists(work_.file(std::string(kMainProgramName) + ".old")));
}

TEST_F(HandOverTest, RunningMainProgramIsReplacedAllTheSame) {
  // A copy of a real program stands in for a main program the user has not closed.
  std::filesystem::copy_file("/bin/sleep", work_.file(kMainProgramName));
  ChildProcess main_program;
  ASSERT_TRUE(main_program.start(work_.file(kMainProgramName), {"300"}, work_.dir()));
  const std::string old_bytes = work_.read(kMainProgramName);
  work_.write(download(kMainProgramName), "new main program");
  work_.write(download(kUpdaterProgramName), "new updater");
  EXPECT_EQ(run_script(), 0) << output_;
  EXPECT_EQ(work_.read(kMainProgramName), "new main program");
  EXPECT_EQ(work_.read(std::string(kMainProgramName) + ".old"), old_bytes);
  main_program.kill();
}

TEST_F(HandOverTest, WaitsUntilTheUpdaterHasEnded) {
  // A copy of a real program, run from the updater's file, stands in for an updater that is
  // still ending; it runs until the test ends it.
  std::filesystem::copy_file("/bin/sleep", work_.file(kUpdaterProgramName));
  ChildProcess updater;
  ASSERT_TRUE(updater.start(work_.file(kUpdaterProgramName), {"300"}, work_.dir()));
  work_.write(download(kMainProgramName), "new main program");
  work_.write(download(kUpdaterProgramName), "new updater");

  ChildProcess script;
  ASSERT_TRUE(script.start(work_.file(kHandOverScript), {}, work_.dir()));
  std::string line;
  ASSERT_TRUE(script.read_line(&line, 30000));
  EXPECT_EQ(line, "Waiting for the updater to end.");
  // The script is now in its wait, which lasts as long as the updater runs.
  EXPECT_FALSE(file_exists(work_.file(kMainProgramName)));
  EXPECT_TRUE(file_exists(work_.file(download(kUpdaterProgramName))));

  updater.kill();
  EXPECT_EQ(script.wait(30000), 0) << script.read_all(1000);
  EXPECT_EQ(work_.read(kMainProgramName), "new main program");
  EXPECT_EQ(work_.read(kUpdaterProgramName), "new updater");
}

}  // namespace
}  // namespace brinkmoor
