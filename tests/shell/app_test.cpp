#include "shell/app.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/memory_ui.h"
#include "settings/settings.h"
#include "shell/context.h"
#include "shell/main_window.h"
#include "support/temp_dir.h"
#include "updater/launcher.h"

namespace brinkmoor {
namespace {

namespace fs = std::filesystem;

TEST(ReadCommandLine, ParametersAsTyped) {
  struct Case {
    std::string command_line;  // what follows the program's name
    bool auto_mode;
  };
  const Case cases[] = {
      {"", false},
      {"   ", false},
      {"first -auto third", true},
      {"/auto", true},
      {"-auto", true},
      {"  -auto  ", true},
      {"-auto /auto", true},
      {"-AUTO", false},
      {"-Auto", false},
      {"/AUTO", false},
      {"auto", false},
      {"--auto", false},
      {"//auto", false},
      {"x-auto", false},
      {"-autox", false},
      {"-auto.", false},
      {"\\auto", false},
      {"-auto/auto", false},
      {"\"-auto\"", true},
      {"first \"-auto\" third", true},
      {"\"/auto\"", true},
      {"\"-auto", true},  // a quote that is never closed runs to the end
      {"\"-auto \"", false},
      {"\" -auto\"", false},
      {"\"-auto\"x", false},
      {"\"a b\" -auto", true},
      {"\"-auto b\"", false},
      {"-a uto", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command_line);
    EXPECT_EQ(read_command_line(split_command_line(c.command_line)), c.auto_mode);
  }
}

TEST(ReadCommandLine, SplitsAtSpacesAndQuotes) {
  using Params = std::vector<std::string>;
  EXPECT_EQ(split_command_line(""), Params{});
  EXPECT_EQ(split_command_line("a  b "), (Params{"a", "b"}));
  EXPECT_EQ(split_command_line("\"a b\" c"), (Params{"a b", "c"}));
  EXPECT_EQ(split_command_line("\"\" c"), (Params{"", "c"}));
  EXPECT_EQ(split_command_line("a\"b c"), (Params{"a\"b", "c"}));
  EXPECT_EQ(split_command_line("\"open"), (Params{"open"}));
}

TEST(ReadCommandLine, ProgramNameIsNoParameter) {
  struct Case {
    std::vector<const char*> argv;
    bool auto_mode;
  };
  const Case cases[] = {
      {{"brinkmoor"}, false},
      {{"/auto"}, false},
      {{"-auto"}, false},
      {{"brinkmoor", "-auto"}, true},
      {{"brinkmoor", "one", "-auto", "three"}, true},
      {{"brinkmoor", "-auto "}, false},
      {{"brinkmoor", ""}, false},
  };
  for (const auto& c : cases) {
    const auto params = program_parameters(static_cast<int>(c.argv.size()), c.argv.data());
    EXPECT_EQ(params.size(), c.argv.size() - 1);
    EXPECT_EQ(read_command_line(params), c.auto_mode) << c.argv.back();
  }
  EXPECT_TRUE(program_parameters(0, nullptr).empty());
}

// An in-memory window that also notes how long each event wait may take.
class WatchedUi : public MemoryUi {
 public:
  UiEvent wait_event(int timeout_ms) override {
    waits.push_back(timeout_ms);
    return MemoryUi::wait_event(timeout_ms);
  }
  std::vector<int> waits;
};

// The program's own steps, each noted in a log. The settings are the real ones; the others
// only leave their name, so that no picture, network or updater is involved.
struct StepLog {
  std::vector<std::string> calls;
  bool ui_font = true;
  std::function<void(AppContext&)> on_generate;

  AppSteps steps() {
    AppSteps s = default_app_steps();
    auto note = [this](const char* name) {
      return [this, name](AppContext&) { calls.push_back(name); };
    };
    s.load_ui_font = [this](AppContext&) {
      calls.push_back("load_ui_font");
      return ui_font;
    };
    s.reset_draw_font = note("reset_draw_font");
    s.open_main_window = [this](AppContext& ctx, bool hidden) {
      calls.push_back(hidden ? "open_main_window hidden" : "open_main_window");
      return open_main_window(ctx, hidden);
    };
    s.start_updater = note("start_updater");
    s.network_start = note("network_start");
    s.fill_background_list = [this](AppContext& ctx) {
      calls.push_back("fill_background_list");
      ctx.ui->append(BackgroundList, "las.png");
      ctx.ui->append(BackgroundList, "zamek.jpg");
    };
    s.load_settings = [this](AppContext& ctx) {
      calls.push_back("load_settings");
      load_settings(ctx);
    };
    s.generate_signature = [this](AppContext& ctx) {
      calls.push_back("generate_signature");
      if (on_generate) on_generate(ctx);
    };
    s.upload_signature = note("upload_signature");
    s.check_connection = note("check_connection");
    s.save_settings = [this](AppContext& ctx) {
      calls.push_back("save_settings");
      save_settings(ctx);
    };
    s.free_canvas = note("free_canvas");
    s.free_draw_font = note("free_draw_font");
    s.network_stop = note("network_stop");
    return s;
  }
};

using Calls = std::vector<std::string>;

TEST(RunApp, InteractiveRunDispatchesTheButtonsUntilClose) {
  test::TempDir dir;
  dir.write("ust.txt", "en\r\nhost\r\nuser\r\npass\r\nzamek.jpg\r\n0\r\n5\r\n0\r\n2\r\nscript\r\n");
  WatchedUi ui;
  ui.post_event({UiEvent::Kind::Gadget, BackgroundList});
  ui.post_event({UiEvent::Kind::Gadget, CreateButton});
  ui.post_event({});
  ui.post_event({UiEvent::Kind::Gadget, UploadButton});
  ui.post_event({UiEvent::Kind::Gadget, ScriptEditor});
  ui.post_event({UiEvent::Kind::Gadget, CheckConnectionButton});
  ui.post_event({UiEvent::Kind::Gadget, CreateButton});
  ui.post_event({UiEvent::Kind::Close});
  ui.post_event({UiEvent::Kind::Gadget, UploadButton});  // never taken: the loop has ended
  StepLog log;
  // The user changes values during the run; closing the window saves them.
  log.on_generate = [](AppContext& ctx) {
    ctx.ui->set_text(ServerField, "other.host");
    ctx.ui->set_state(BackgroundList, 0);
    ctx.ui->set_state(QualitySlider, 9);
  };
  AppContext ctx;
  ctx.ui = &ui;
  ctx.work_dir = dir.dir();

  EXPECT_EQ(run_app(ctx, {}, log.steps()), 0);

  EXPECT_EQ(log.calls,
            (Calls{"load_ui_font", "reset_draw_font", "open_main_window", "start_updater",
                   "network_start", "fill_background_list", "load_settings", "generate_signature",
                   "upload_signature", "check_connection", "generate_signature", "save_settings",
                   "free_canvas", "free_draw_font", "network_stop"}));
  EXPECT_FALSE(ctx.auto_mode);
  EXPECT_TRUE(ui.window_ever_visible());
  EXPECT_FALSE(ui.window_open());  // closed by shut_down, after the save
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_EQ(ui.waits, std::vector<int>(8, kLoopWaitMs));
  EXPECT_EQ(dir.read("ust.txt"),
            "en\r\nother.host\r\nuser\r\npass\r\nlas.png\r\n0\r\n9\r\n0\r\n2\r\nscript\r\n");
}

TEST(RunApp, AutoModeGeneratesUploadsAndMakesOnePass) {
  for (const auto& params :
       {std::vector<std::string>{"-auto"}, std::vector<std::string>{"x", "/auto", "y"}}) {
    test::TempDir dir;
    WatchedUi ui;
    // An event already waiting is handled in the single pass like any other.
    ui.post_event({UiEvent::Kind::Gadget, CheckConnectionButton});
    ui.post_event({UiEvent::Kind::Gadget, CreateButton});
    StepLog log;
    AppContext ctx;
    ctx.ui = &ui;
    ctx.work_dir = dir.dir();

    EXPECT_EQ(run_app(ctx, params, log.steps()), 0);

    EXPECT_EQ(log.calls,
              (Calls{"load_ui_font", "reset_draw_font", "open_main_window hidden", "start_updater",
                     "network_start", "fill_background_list", "load_settings", "generate_signature",
                     "upload_signature", "check_connection", "save_settings", "free_canvas",
                     "free_draw_font", "network_stop"}));
    EXPECT_TRUE(ctx.auto_mode);
    EXPECT_FALSE(ui.window_spec().visible);
    EXPECT_FALSE(ui.window_ever_visible());
    EXPECT_EQ(ui.waits, std::vector<int>{kLoopWaitMs});
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].text, "Unable to open config file!");
    // The defaults reach the file at the end.
    EXPECT_EQ(dir.read("ust.txt"), "en\r\n\r\n\r\n\r\n\r\n0\r\n1\r\n0\r\n2\r\n");
  }
}

TEST(RunApp, WithoutUiFontTheLoopMakesOnePass) {
  test::TempDir dir;
  WatchedUi ui;
  ui.post_event({UiEvent::Kind::Gadget, UploadButton});
  ui.post_event({UiEvent::Kind::Gadget, CreateButton});
  StepLog log;
  log.ui_font = false;
  AppContext ctx;
  ctx.ui = &ui;
  ctx.work_dir = dir.dir();

  run_app(ctx, {}, log.steps());

  EXPECT_EQ(log.calls,
            (Calls{"load_ui_font", "reset_draw_font", "open_main_window", "start_updater",
                   "network_start", "fill_background_list", "load_settings", "upload_signature",
                   "save_settings", "free_canvas", "free_draw_font", "network_stop"}));
  EXPECT_EQ(ui.waits.size(), 1u);
  EXPECT_TRUE(fs::exists(dir.file("ust.txt")));
}

TEST(RunApp, WindowThatCannotOpenEndsAfterTheCriticalMessage) {
  test::TempDir dir;
  const std::string stored = "en\r\nhost\r\nuser\r\npass\r\n\r\n0\r\n3\r\n0\r\n1\r\nx\r\n";
  dir.write("ust.txt", stored);
  for (const bool auto_mode : {false, true}) {
    WatchedUi ui;
    ui.set_fail_open(true);
    StepLog log;
    AppContext ctx;
    ctx.ui = &ui;
    ctx.work_dir = dir.dir();

    EXPECT_EQ(
        run_app(ctx, auto_mode ? std::vector<std::string>{"-auto"} : std::vector<std::string>{},
                log.steps()),
        0);

    EXPECT_EQ(log.calls, (Calls{"load_ui_font", "reset_draw_font",
                                auto_mode ? "open_main_window hidden" : "open_main_window",
                                "save_settings", "free_canvas", "free_draw_font"}));
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].title, "Brinkmoor.");
    EXPECT_EQ(ui.messages()[0].text, "Critical error! Unable to create window.");
    EXPECT_TRUE(ui.waits.empty());
    EXPECT_EQ(dir.read("ust.txt"), stored);
  }
}

TEST(HeadlessUi, MessagesGoToStandardErrorAndTheStatusLineToStandardOutput) {
  test::TempDir dir;
  auto ui = make_headless_ui(/*auto_mode=*/true);
  StepLog log;
  log.on_generate = [](AppContext& ctx) { set_status(ctx, "Signature generation complete."); };
  AppContext ctx;
  ctx.ui = ui.get();
  ctx.work_dir = dir.dir();

  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  run_app(ctx, {"-auto"}, log.steps());
  const std::string out = testing::internal::GetCapturedStdout();
  const std::string err = testing::internal::GetCapturedStderr();

  EXPECT_EQ(err, "[Error!] Unable to open config file!\n");
  EXPECT_EQ(out, "Signature generation complete.\n");
  EXPECT_FALSE(ui->window_ever_visible());
  EXPECT_TRUE(fs::exists(dir.file("ust.txt")));
}

TEST(HeadlessUi, InteractiveRunCannotOpenItsWindow) {
  test::TempDir dir;
  auto ui = make_headless_ui(/*auto_mode=*/false);
  StepLog log;
  AppContext ctx;
  ctx.ui = ui.get();
  ctx.work_dir = dir.dir();

  testing::internal::CaptureStderr();
  EXPECT_EQ(run_app(ctx, {}, log.steps()), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "[Brinkmoor.] Critical error! Unable to create window.\n");
  EXPECT_FALSE(fs::exists(dir.file("ust.txt")));
}

// A stand-in updater that notes how it was started.
void write_fake_updater(const test::TempDir& dir) {
  dir.write("aktualizator",
            "#!/bin/sh\n"
            "printf '%s|%s|%s|%s\\n' \"$#\" \"$1\" \"$BRINKMOOR_START_HIDDEN\" \"$(pwd)\" "
            "> started.tmp && mv started.tmp started.txt\n");
  fs::permissions(dir.file("aktualizator"), fs::perms::owner_all);
}

std::string wait_for_file(const test::TempDir& dir, const std::string& name) {
  // Generous: the updater runs on its own and nothing waits for it.
  for (int i = 0; i < 1000 && !fs::exists(dir.file(name)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return dir.read(name);
}

TEST(StartUpdater, StartsTheUpdaterHiddenWithTheProgramVersion) {
  test::TempDir dir;
  write_fake_updater(dir);
  AppContext ctx;
  ctx.work_dir = dir.dir();
  start_updater(ctx);
  const std::string folder = fs::canonical(dir.path()).string();
  EXPECT_EQ(wait_for_file(dir, "started.txt"), "1|0.50|1|" + folder + "\n");
}

TEST(StartUpdater, MissingOrBrokenUpdaterIsNoConcern) {
  test::TempDir dir;
  AppContext ctx;
  ctx.work_dir = dir.dir();
  start_updater(ctx);  // no updater at all
  dir.write("aktualizator", "not a program");
  start_updater(ctx);  // not executable
  dir.mkdir("sub/aktualizator");
  ctx.work_dir = dir.dir() + "sub/";
  start_updater(ctx);  // a folder of that name
  SUCCEED();
}

}  // namespace
}  // namespace brinkmoor
