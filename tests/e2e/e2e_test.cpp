// The real programs, run as a user or a scheduler runs them: in a working folder of their own,
// without a display, with real servers on the loopback interface.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/image.h"
#include "platform/memory_ui.h"
#include "platform/process.h"
#include "render/script.h"
#include "settings/background_list.h"
#include "settings/settings.h"
#include "shell/context.h"
#include "shell/main_window.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

namespace fs = std::filesystem;

const std::string kBrinkmoor = BRINKMOOR_BINARY_DIR "/src/shell/brinkmoor";
const std::string kUpdaterLoopback = BRINKMOOR_BINARY_DIR "/tests/e2e/aktualizator_loopback";
constexpr int kUpdatePort = 28431;

struct ProgramRun {
  int exit_code = -1;
  std::string output;  // standard output and standard error together
};

// Runs a program the way cron would: no display, nothing on standard input.
ProgramRun run_headless(const std::string& program, const std::vector<std::string>& args,
                        const std::string& work_dir) {
  ChildProcess child;
  ProgramRun run;
  // A cache folder of the run's own: no run reads or writes the user's font cache.
  const test::TempDir cache_home;
  if (!child.start(program, args, work_dir,
                   {"-DISPLAY", "-WAYLAND_DISPLAY", "-QT_QPA_PLATFORM", "-BRINKMOOR_START_HIDDEN",
                    "XDG_CACHE_HOME=" + cache_home.path().string()},
                   true)) {
    ADD_FAILURE() << "cannot start " << program;
    return run;
  }
  run.output = child.read_all(60000);
  run.exit_code = child.wait(10000);
  return run;
}

bool contains_line(const std::string& output, const std::string& line) {
  size_t start = 0;
  while (start <= output.size()) {
    auto end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    if (output.compare(start, end - start, line) == 0) return true;
    start = end + 1;
  }
  return false;
}

void copy_example(const test::TempDir& dir) {
  fs::copy(BRINKMOOR_EXAMPLE_DIR, dir.path(), fs::copy_options::recursive);
  // Freshly copied pages count as fresh cache files: nothing is downloaded.
}

std::string settings_file(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\r\n";
  return out;
}

Image decode(const std::string& path) {
  Image img;
  EXPECT_EQ(load_image(path, 4096, 4096, &img), LoadStatus::Ok) << path;
  return img;
}

// A 24-bit BMP of the given size, every pixel the same colour.
std::string plain_bmp(int width, int height) {
  const int stride = (width * 3 + 3) & ~3;
  const uint32_t size = 54 + static_cast<uint32_t>(stride * height);
  std::string b(size, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  b[26] = 1;
  b[28] = 24;
  for (size_t i = 54; i < b.size(); ++i) b[i] = static_cast<char>(0x40);
  return b;
}

TEST(EndToEnd, FirstRunWithoutSettingsFile) {
  test::TempDir dir;
  dir.mkdir("grafika");
  const ProgramRun run = run_headless(kBrinkmoor, {"-auto"}, dir.dir());
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_TRUE(contains_line(run.output, "[Error!] Unable to open config file!")) << run.output;
  EXPECT_TRUE(contains_line(run.output, "Signature generation complete.")) << run.output;
  // No FTP login is set, so the upload's login fails and says so.
  EXPECT_TRUE(contains_line(run.output, "[Brinkmoor.] Nie można się połączyć z serwerem."))
      << run.output;
  // The settings file is written at the end, with the defaults.
  EXPECT_EQ(dir.read("ust.txt"), settings_file({"en", "", "", "", "", "0", "1", "0", "2"}));
  // Nothing was selected and no Canvas existed yet: the grey stand-in picture is saved.
  const Image out = decode(dir.file("grafika/brinkmoortest.jpg"));
  EXPECT_EQ(out.width, 300);
  EXPECT_EQ(out.height, 100);
}

TEST(EndToEnd, DemoRunDrawsTheSamplePagesFigures) {
  test::TempDir dir;
  copy_example(dir);
  const std::string settings_before = dir.read("ust.txt");
  const ProgramRun run = run_headless(kBrinkmoor, {"-auto"}, dir.dir());
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_TRUE(contains_line(run.output, "Stats file downloaded correctly.")) << run.output;
  EXPECT_TRUE(contains_line(run.output, "Signature generation complete.")) << run.output;
  EXPECT_FALSE(contains_line(run.output, "Unable to read stats file.")) << run.output;
  const std::string picture = dir.read("grafika/brinkmoortest.jpg");
  const Image out = decode(dir.file("grafika/brinkmoortest.jpg"));
  EXPECT_EQ(out.width, 350);
  EXPECT_EQ(out.height, 100);
  // The run ends by writing the settings back unchanged.
  EXPECT_EQ(dir.read("ust.txt"), settings_before);

  // The same working folder, driven in-process: the figures are those of the sample pages, and
  // the program without a display drew exactly what the library draws.
  MemoryUi ui;
  AppContext ctx;
  ctx.ui = &ui;
  ctx.work_dir = dir.dir();
  ASSERT_TRUE(open_main_window(ctx, true));
  ctx.window_open = true;
  fill_background_list(ctx);
  load_settings(ctx);
  generate_signature(ctx);
  EXPECT_EQ(ctx.stats.nick, "Demon");  // the last getstat of the script is the StarCraft II one
  EXPECT_EQ(ctx.stats.points, 2745);
  EXPECT_EQ(ctx.stats.race, "Zerg");
  EXPECT_EQ(ctx.stats.ranking, 137);  // Bloodwars figures stay
  EXPECT_EQ(ctx.stats.clan, "Nocne Łowy");
  EXPECT_EQ(ctx.stats.arena[0], 812);
  EXPECT_EQ(ctx.stats.arena[6], 23);
  EXPECT_EQ(ctx.stats.fights[0], 386);
  EXPECT_EQ(ctx.stats.fights[5], 1022);
  EXPECT_EQ(dir.read("grafika/brinkmoortest.jpg"), picture);
}

TEST(EndToEnd, OversizedBackgroundGivesTheSizeMessage) {
  test::TempDir dir;
  copy_example(dir);
  dir.write("grafika/big.bmp", plain_bmp(351, 100));
  dir.write("ust.txt", settings_file({"en", "", "", "", "big.bmp", "0", "5", "0", "2", "Hi"}));
  const ProgramRun run = run_headless(kBrinkmoor, {"-auto"}, dir.dir());
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_TRUE(
      contains_line(run.output, "[Brinkmoor.] Maximal size for signature is 350x100 pixels."))
      << run.output;
  const Image out = decode(dir.file("grafika/brinkmoortest.jpg"));
  EXPECT_EQ(out.width, 300);
  EXPECT_EQ(out.height, 100);
}

TEST(EndToEnd, UnattendedRunUploadsToFtpServer) {
  test::TempDir dir;
  test::TempDir home;
  copy_example(dir);
  // The program always speaks to port 21, so the server must listen there: only root may.
  test::ServerProcess server("ftp_server.py", {home.path().string(), "sig", "p@ss:/#word"},
                             {"BRINKMOOR_TEST_PORT=21"});
  if (!server.ok()) GTEST_SKIP() << "port 21 is not available to this user";
  std::string settings = dir.read("ust.txt");
  settings.replace(0, settings.find("noc.png"), "en\r\n127.0.0.1\r\nsig\r\np@ss:/#word\r\n");
  dir.write("ust.txt", settings);
  const ProgramRun run = run_headless(kBrinkmoor, {"-auto"}, dir.dir());
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_FALSE(contains_line(run.output, "[Brinkmoor.] Nie można się połączyć z serwerem."))
      << run.output;
  EXPECT_EQ(home.read("brinkmoortest.jpg"), dir.read("grafika/brinkmoortest.jpg"));
  EXPECT_FALSE(fs::exists(home.path() / "brinkmoortest.jpg.part"));
}

TEST(EndToEnd, UpdaterChecksTheServerAndCleansUp) {
  test::TempDir site;
  site.write("brinkmoor/aktual/nwkd.txt", "0.51\r\n");
  site.write("brinkmoor/aktual/nwkchange.txt", "New fonts\r\n\r\nFaster\r\n");
  site.write("brinkmoor/aktual/brinkmoor", "#!/bin/sh\necho new\n");
  site.write("brinkmoor/aktual/aktualizator", "#!/bin/sh\necho new\n");
  test::ServerProcess server("http_server.py", {site.path().string()},
                             {"BRINKMOOR_TEST_PORT=" + std::to_string(kUpdatePort)});
  ASSERT_TRUE(server.ok());

  test::TempDir dir;
  dir.mkdir("temp");
  dir.write("brinkmoor", "old main program");
  dir.write("aktualizator", "old updater");
  fs::copy_file(BRINKMOOR_HAND_OVER_SCRIPT, dir.path() / "wsad_aktual.sh");

  // Without a display the update cannot be offered: the check is made, nothing is installed.
  const ProgramRun run = run_headless(kUpdaterLoopback, {"0.50"}, dir.dir());
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.output, "");
  const auto requests = server.requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.front(), "GET /brinkmoor/aktual/nwkd.txt");
  for (const auto& r : requests) EXPECT_EQ(r.find("GET /brinkmoor/aktual/brinkmoor"), r.npos);
  EXPECT_FALSE(fs::exists(dir.path() / "temp/new_version.txt"));
  EXPECT_FALSE(fs::exists(dir.path() / "temp/zmiany.txt"));
  EXPECT_EQ(dir.read("brinkmoor"), "old main program");

  // An up-to-date program asks once and ends quietly too.
  const ProgramRun current = run_headless(kUpdaterLoopback, {"0.51"}, dir.dir());
  EXPECT_EQ(current.exit_code, 0);
  EXPECT_FALSE(fs::exists(dir.path() / "temp/new_version.txt"));
}

TEST(EndToEnd, UpdaterWithUnreachableServerEndsQuietly) {
  test::TempDir dir;
  dir.mkdir("temp");
  // The shipped updater of an unconfigured build asks a host that cannot exist.
  const ProgramRun run =
      run_headless(BRINKMOOR_BINARY_DIR "/src/updater/aktualizator", {"0.50"}, dir.dir());
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.output, "");
  EXPECT_TRUE(fs::is_empty(dir.path() / "temp"));
}

}  // namespace
}  // namespace brinkmoor
