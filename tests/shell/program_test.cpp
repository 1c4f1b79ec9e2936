// The real program, started the way a scheduler or a user without a display starts it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = BRINKMOOR_BINARY_DIR "/src/shell/brinkmoor";
// No display of any kind, and no toolkit platform chosen for it.
const std::vector<std::string> kNoDisplay = {"-DISPLAY", "-WAYLAND_DISPLAY", "-QT_QPA_PLATFORM"};
// Long enough for any machine; the run itself ends on its own.
constexpr int kPatienceMs = 120000;

struct ProgramRun {
  int exit_code = -1;
  std::string output;  // standard output and standard error
};

ProgramRun run_program(const test::TempDir& dir, const std::vector<std::string>& args,
                       const std::vector<std::string>& extra_env = {}) {
  ChildProcess child;
  ProgramRun run;
  // A cache folder of the run's own: no run reads or writes the user's font cache.
  const test::TempDir cache_home;
  std::vector<std::string> env = kNoDisplay;
  env.push_back("XDG_CACHE_HOME=" + cache_home.path().string());
  env.insert(env.end(), extra_env.begin(), extra_env.end());
  if (!child.start(kProgram, args, dir.path().string(), env, /*capture_stderr=*/true)) {
    ADD_FAILURE() << "cannot start " << kProgram;
    return run;
  }
  run.output = child.read_all(kPatienceMs);
  run.exit_code = child.wait(kPatienceMs);
  return run;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A stand-in updater that notes its parameter and whether it was asked to start hidden.
void write_fake_updater(const test::TempDir& dir) {
  dir.write("aktualizator",
            "#!/bin/sh\n"
            "printf '%s|%s\\n' \"$1\" \"$BRINKMOOR_START_HIDDEN\" > started.tmp && "
            "mv started.tmp started.txt\n");
  fs::permissions(dir.file("aktualizator"), fs::perms::owner_all);
}

TEST(Program, UnattendedRunWithoutDisplayInEmptyFolder) {
  test::TempDir dir;
  const ProgramRun run = run_program(dir, {"-auto"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_TRUE(contains(run.output, "[Error!] Unable to open config file!\n")) << run.output;
  EXPECT_FALSE(contains(run.output, "Critical error!")) << run.output;
  const std::string saved = dir.read("ust.txt");
  EXPECT_EQ(saved.rfind("en\r\n\r\n\r\n\r\n", 0), 0u) << saved;
  EXPECT_EQ(fs::status(dir.file("ust.txt")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST(Program, UnattendedRunKeepsTheSettingsAndStartsTheUpdater) {
  test::TempDir dir;
  write_fake_updater(dir);
  const std::string stored = "en\r\n\r\nuser\r\npass\r\n\r\n0\r\n8\r\n0\r\n1\r\nHello\r\n";
  dir.write("ust.txt", stored);
  const ProgramRun run = run_program(dir, {"first", "/auto"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_FALSE(contains(run.output, "config file")) << run.output;
  EXPECT_EQ(dir.read("ust.txt"), stored);

  // The updater runs on its own; give it time to leave its note.
  for (int i = 0; i < 2000 && !fs::exists(dir.file("started.txt")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(dir.read("started.txt"), "0.50|1\n");
}

TEST(Program, InteractiveRunWithoutDisplayEndsWithTheCriticalMessage) {
  test::TempDir dir;
  write_fake_updater(dir);
  const std::string stored =
      "en\r\nftp.host\r\nuser\r\npass\r\nlas.png\r\n0\r\n4\r\n0\r\n0\r\n"
      "line one\r\n\r\n  line three  \r\n";
  dir.write("ust.txt", stored);
  const ProgramRun run = run_program(dir, {});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_TRUE(contains(run.output, "[Brinkmoor.] Critical error! Unable to create window.\n"))
      << run.output;
  // No settings load, so no settings message either.
  EXPECT_FALSE(contains(run.output, "config file")) << run.output;
  EXPECT_EQ(dir.read("ust.txt"), stored);
  EXPECT_FALSE(fs::exists(dir.file("started.txt")));
}

// A display named in the environment that nobody answers on counts as no display: no toolkit
// abort, the same outcome as without one.
TEST(Program, DisplayThatCannotBeReachedCountsAsNone) {
  const std::vector<std::vector<std::string>> environments = {
      {"DISPLAY=:4711"},
      {"WAYLAND_DISPLAY=brinkmoor-test-no-such-display"},
      {"DISPLAY=:4711", "WAYLAND_DISPLAY=brinkmoor-test-no-such-display"},
  };
  for (const auto& env : environments) {
    SCOPED_TRACE(env.front());
    test::TempDir dir;
    const ProgramRun interactive = run_program(dir, {}, env);
    EXPECT_EQ(interactive.exit_code, 0);
    EXPECT_TRUE(
        contains(interactive.output, "[Brinkmoor.] Critical error! Unable to create window.\n"))
        << interactive.output;
    EXPECT_FALSE(fs::exists(dir.file("ust.txt")));

    const ProgramRun unattended = run_program(dir, {"-auto"}, env);
    EXPECT_EQ(unattended.exit_code, 0);
    EXPECT_TRUE(contains(unattended.output, "[Error!] Unable to open config file!\n"))
        << unattended.output;
    EXPECT_TRUE(fs::exists(dir.file("ust.txt")));
  }
}

}  // namespace
}  // namespace brinkmoor
