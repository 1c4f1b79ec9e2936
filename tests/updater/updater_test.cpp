// The updater against a real HTTP server on 127.0.0.1 that serves a scratch folder laid out like
// the update server ("/brinkmoor/aktual/..."), with the updater working in a scratch folder of
// its own.
#include "updater/updater.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/memory_ui.h"
#include "support/server_process.h"
#include "support/temp_dir.h"
#include "updater_test_support.h"

namespace brinkmoor {
namespace {

using test::eventually;
using test::ServerProcess;
using test::TempDir;

// Keeps what the window held when it was released at the end of a run.
class RecordingUi : public MemoryUi {
 public:
  void close_window() override {
    if (has_gadget(ChangeListEditor)) {
      editor_lines_at_close.clear();
      for (int i = 0; i < count(ChangeListEditor); ++i)
        editor_lines_at_close.push_back(item(ChangeListEditor, i));
    }
    ++closes;
    MemoryUi::close_window();
  }
  std::vector<std::string> editor_lines_at_close;
  int closes = 0;
};

class UpdaterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work_.mkdir("temp");
    site_.mkdir("brinkmoor/aktual");
    server_ = std::make_unique<ServerProcess>("http_server.py",
                                              std::vector<std::string>{site_.path().string()});
    ASSERT_TRUE(server_->ok());
    ctx_.ui = &ui_;
    ctx_.work_dir = work_.dir();
    ctx_.update_address =
        "http://127.0.0.1:" + std::to_string(server_->port()) + "/brinkmoor/aktual/";
  }

  void offer(const std::string& name, const std::string& bytes) {
    site_.write("brinkmoor/aktual/" + name, bytes);
  }
  void withdraw(const std::string& name) {
    std::filesystem::remove(site_.file("brinkmoor/aktual/" + name));
  }

  // Requests the server has answered so far.
  std::vector<std::string> requests() { return server_->requests(50); }
  bool requested(const std::string& name) {
    const auto all = requests();
    const std::string line = "GET /brinkmoor/aktual/" + name;
    return std::find(all.begin(), all.end(), line) != all.end();
  }
  bool any_program_requested() {
    return requested(kMainProgramName) || requested(kUpdaterProgramName);
  }

  // A stand-in for the hand-over script that only leaves a mark that it ran.
  void install_marking_hand_over() {
    work_.write(kHandOverScript, "#!/bin/sh\necho started > hand_over_ran\n");
    std::filesystem::permissions(work_.file(kHandOverScript), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add);
  }
  bool hand_over_ran() { return file_exists(work_.file("hand_over_ran")); }

  bool temp_text_files_gone() {
    return !file_exists(work_.file(kVersionFileLocal)) &&
           !file_exists(work_.file(kChangeListFileLocal));
  }

  TempDir work_;
  TempDir site_;
  std::unique_ptr<ServerProcess> server_;
  RecordingUi ui_;
  UpdaterContext ctx_;
};

struct VersionCase {
  const char* name;
  std::optional<std::string> param;         // nullopt: started without a parameter
  std::optional<std::string> version_file;  // nullopt: not on the server
  float running;
  float newest;
  bool offered;
};

TEST_F(UpdaterTest, VersionsDecideWhetherAnUpdateIsOffered) {
  const VersionCase cases[] = {
      {"same version", "0.50", "0.50\r\n", 0.5f, 0.5f, false},
      {"same version written differently", "0.5", "0.50\n", 0.5f, 0.5f, false},
      {"newer on the server", "0.50", "0.51\r\n", 0.5f, 0.51f, true},
      {"older on the server", "0.60", "0.51\n", 0.6f, 0.51f, false},
      {"no parameter, older", std::nullopt, "0.90\n", 1.0f, 0.9f, false},
      {"no parameter, newer", std::nullopt, "1.1\n", 1.0f, 1.1f, true},
      {"zero, older", "0", "0.90\n", 1.0f, 0.9f, false},
      {"zero, newer", "0", "1.1\n", 1.0f, 1.1f, true},
      {"word, older", "abc", "0.90\n", 1.0f, 0.9f, false},
      {"word, newer", "abc", "1.1\n", 1.0f, 1.1f, true},
      {"empty parameter", "", "1.1\n", 1.0f, 1.1f, true},
      {"only the first line counts", "0.50", "0.6\r\n9.9\r\n", 0.5f, 0.6f, true},
      {"second line ignored", "0.70", "0.6\n9.9\n", 0.7f, 0.6f, false},
      {"no final line break", "0.50", "0.51", 0.5f, 0.51f, true},
      {"decimal comma ends the number", "0.50", "0,51\n", 0.5f, 0.0f, false},
      {"empty first line", "0.50", "\n0.9\n", 0.5f, 0.0f, false},
      {"not a number", "0.50", "version 2\n", 0.5f, 0.0f, false},
      {"empty file", "0.50", "", 0.5f, 0.0f, false},
      {"no version file", "0.50", std::nullopt, 0.5f, 0.0f, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ctx_.params = c.param ? std::vector<std::string>{*c.param} : std::vector<std::string>{};
    if (c.version_file)
      offer(kVersionFileRemote, *c.version_file);
    else
      withdraw(kVersionFileRemote);
    remove_file(work_.file(kVersionFileLocal));
    const float running = read_running_version(ctx_);
    const float newest = fetch_newest_version(ctx_);
    EXPECT_EQ(running, c.running);
    EXPECT_EQ(newest, c.newest);
    EXPECT_EQ(update_available(running, newest), c.offered);
  }
}

TEST_F(UpdaterTest, StaleVersionFileIsNotReadWhenTheDownloadFails) {
  // A copy left by an earlier run must not count when the server has no version file now.
  work_.write(kVersionFileLocal, "9.9\n");
  EXPECT_EQ(fetch_newest_version(ctx_), 0.0f);
}

TEST_F(UpdaterTest, ChangeListKeepsEmptyLinesAndDropsTheFinalBreak) {
  struct Case {
    const char* name;
    std::optional<std::string> file;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"three lines, CR LF",
       "Fixed the arena table\r\n\r\nNew fonts\r\n",
       {"Fixed the arena table", "", "New fonts"}},
      {"three lines, LF", "one\n\nthree\n", {"one", "", "three"}},
      {"no final break", "one\ntwo", {"one", "two"}},
      {"one empty line", "\n", {""}},
      {"empty file", "", {}},
      {"Windows-1250 bytes kept", "Poprawki \xb3\xea\r\n", {"Poprawki \xb3\xea"}},
      {"not on the server", std::nullopt, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    remove_file(work_.file(kChangeListFileLocal));
    if (c.file)
      offer(kChangeListFileRemote, *c.file);
    else
      withdraw(kChangeListFileRemote);
    EXPECT_EQ(fetch_change_list(ctx_), c.lines);
  }
}

TEST_F(UpdaterTest, MissingServerOffersNothingAndReportsNothing) {
  int closed_port = 0;
  {
    ServerProcess gone("http_server.py", {site_.path().string()});
    closed_port = gone.port();
  }
  ctx_.update_address = "http://127.0.0.1:" + std::to_string(closed_port) + "/brinkmoor/aktual/";
  ctx_.params = {"0.50"};
  EXPECT_EQ(run_updater(ctx_), 0);
  EXPECT_TRUE(ui_.messages().empty());
  EXPECT_FALSE(ctx_.running);
  EXPECT_TRUE(ui_.editor_lines_at_close.empty());
  EXPECT_TRUE(temp_text_files_gone());
}

TEST_F(UpdaterTest, NoUpdateEndsAfterOnePassAndRemovesTheTextFiles) {
  offer(kVersionFileRemote, "0.50\n");
  offer(kChangeListFileRemote, "should not be fetched\n");
  ctx_.params = {"0.50"};
  EXPECT_EQ(run_updater(ctx_), 0);
  EXPECT_FALSE(requested(kChangeListFileRemote));
  EXPECT_TRUE(ui_.messages().empty());
  EXPECT_EQ(ui_.closes, 1);
  EXPECT_TRUE(temp_text_files_gone());
}

TEST_F(UpdaterTest, HiddenStartWithoutUpdateNeverShowsTheWindow) {
  offer(kVersionFileRemote, "0.50\n");
  ui_.set_start_hidden(true);
  ctx_.params = {"0.50"};
  EXPECT_EQ(run_updater(ctx_), 0);
  EXPECT_FALSE(ui_.window_ever_visible());
}

TEST_F(UpdaterTest, HiddenStartWithUpdateShowsTheFilledWindow) {
  offer(kVersionFileRemote, "0.51\n");
  offer(kChangeListFileRemote, "one\n\nthree\n");
  ui_.set_start_hidden(true);
  ctx_.params = {"0.50"};
  ui_.post_event({UiEvent::Kind::Close, -1});
  EXPECT_EQ(run_updater(ctx_), 0);
  EXPECT_TRUE(ui_.window_ever_visible());
  EXPECT_EQ(ui_.editor_lines_at_close, (std::vector<std::string>{"one", "", "three"}));
}

TEST_F(UpdaterTest, StartedByHandTheWindowIsVisibleFromTheStart) {
  offer(kVersionFileRemote, "0.40\n");
  ctx_.params = {"0.50"};
  ASSERT_TRUE(open_updater_window(ctx_));
  EXPECT_TRUE(ui_.window_visible());
  EXPECT_EQ(ui_.count(ChangeListEditor), 0);
}

TEST_F(UpdaterTest, WindowLayout) {
  ASSERT_TRUE(open_updater_window(ctx_));
  const WindowSpec& w = ui_.window_spec();
  EXPECT_EQ(w.title, "Actualization");
  EXPECT_EQ(w.width, 600);
  EXPECT_EQ(w.height, 480);
  EXPECT_TRUE(w.centred);
  EXPECT_FALSE(w.minimize_box);
  EXPECT_EQ(ui_.creation_order(), (std::vector<int>{ChangeListEditor, UpdateButton}));
  const auto& editor = ui_.gadget(ChangeListEditor);
  EXPECT_EQ(editor.kind, GadgetKind::Editor);
  EXPECT_EQ((std::vector<int>{editor.x, editor.y, editor.width, editor.height}),
            (std::vector<int>{10, 10, 580, 430}));
  const auto& button = ui_.gadget(UpdateButton);
  EXPECT_EQ(button.kind, GadgetKind::Button);
  EXPECT_EQ(button.text, "Update");
  EXPECT_EQ((std::vector<int>{button.x, button.y, button.width, button.height}),
            (std::vector<int>{220, 445, 140, 25}));
  for (int g : {ChangeListEditor, UpdateButton}) {
    ASSERT_TRUE(ui_.gadget(g).has_font);
    EXPECT_EQ(ui_.gadget(g).font.name, "Arial");
    EXPECT_EQ(ui_.gadget(g).font.size_pt, 10);
    EXPECT_FALSE(ui_.gadget(g).font.bold);
  }
}

TEST_F(UpdaterTest, WindowThatCannotOpenIsReportedAndNothingIsChecked) {
  ui_.set_fail_open(true);
  offer(kVersionFileRemote, "0.51\n");
  // Files of an earlier run are not touched either.
  work_.write(kVersionFileLocal, "old\n");
  work_.write(kChangeListFileLocal, "old\n");
  ctx_.params = {"0.50"};
  EXPECT_EQ(run_updater(ctx_), 0);
  ASSERT_EQ(ui_.messages().size(), 1u);
  EXPECT_EQ(ui_.messages()[0].title, "Error");
  EXPECT_EQ(ui_.messages()[0].text, "Critical error!");
  EXPECT_TRUE(requests().empty());
  EXPECT_EQ(work_.read(kVersionFileLocal), "old\n");
  EXPECT_EQ(work_.read(kChangeListFileLocal), "old\n");
}

TEST_F(UpdaterTest, ClosingTheOfferedWindowDownloadsNoProgram) {
  offer(kVersionFileRemote, "0.51\n");
  offer(kChangeListFileRemote, "Fixed the arena table\r\n\r\nNew fonts\r\n");
  offer(kMainProgramName, "new main program");
  offer(kUpdaterProgramName, "new updater");
  install_marking_hand_over();
  ctx_.params = {"0.50"};
  // Whatever the user typed into the list is never read back.
  ui_.post_event({UiEvent::Kind::None, -1});
  ui_.post_event({UiEvent::Kind::Gadget, ChangeListEditor});
  ui_.post_event({UiEvent::Kind::Close, -1});
  EXPECT_EQ(run_updater(ctx_), 0);
  EXPECT_EQ(ui_.editor_lines_at_close,
            (std::vector<std::string>{"Fixed the arena table", "", "New fonts"}));
  EXPECT_TRUE(ui_.messages().empty());
  EXPECT_FALSE(any_program_requested());
  EXPECT_FALSE(hand_over_ran());
  EXPECT_TRUE(temp_text_files_gone());
}

TEST_F(UpdaterTest, UpdateAsksToCloseTheMainProgramBeforeDownloading) {
  offer(kVersionFileRemote, "0.51\n");
  offer(kChangeListFileRemote, "one\n");
  offer(kMainProgramName, "new main program");
  offer(kUpdaterProgramName, "new updater");
  install_marking_hand_over();
  ctx_.params = {"0.50"};
  bool downloaded_before_message = true;
  ui_.set_message_hook([&](const MemoryUi::Message& m) {
    if (m.text == "Close Brinkmoor!") downloaded_before_message = any_program_requested();
  });
  ui_.post_event({UiEvent::Kind::Gadget, UpdateButton});
  EXPECT_EQ(run_updater(ctx_), 0);

  ASSERT_EQ(ui_.messages().size(), 1u);
  EXPECT_EQ(ui_.messages()[0].title, "Actualization");
  EXPECT_EQ(ui_.messages()[0].text, "Close Brinkmoor!");
  EXPECT_FALSE(downloaded_before_message);
  EXPECT_FALSE(ctx_.running);
  EXPECT_EQ(work_.read(std::string(kTempFolder) + kMainProgramName), "new main program");
  EXPECT_EQ(work_.read(std::string(kTempFolder) + kUpdaterProgramName), "new updater");
  EXPECT_TRUE(temp_text_files_gone());
  EXPECT_TRUE(eventually([&] { return hand_over_ran(); }));
}

TEST_F(UpdaterTest, FailedProgramDownloadNeverStartsTheHandOver) {
  struct Case {
    const char* name;
    std::optional<std::string> main_program;
    std::optional<std::string> updater_program;
    bool stale_copies;  // files of an earlier try are waiting in temp/
  };
  const Case cases[] = {
      {"main program missing", std::nullopt, "new updater", false},
      {"updater missing", "new main program", std::nullopt, false},
      {"main program empty", "", "new updater", false},
      {"updater empty", "new main program", "", false},
      {"both missing, stale copies from an earlier try", std::nullopt, std::nullopt, true},
  };
  install_marking_hand_over();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& [name, bytes] : {std::pair{kMainProgramName, c.main_program},
                                      std::pair{kUpdaterProgramName, c.updater_program}}) {
      if (bytes)
        offer(name, *bytes);
      else
        withdraw(name);
      if (c.stale_copies)
        work_.write(std::string(kTempFolder) + name, "stale");
      else
        remove_file(work_.file(std::string(kTempFolder) + name));
    }
    RecordingUi ui;
    ctx_.ui = &ui;
    EXPECT_FALSE(install_update(ctx_));
    ASSERT_EQ(ui.messages().size(), 2u);
    EXPECT_EQ(ui.messages()[0].text, "Close Brinkmoor!");
    EXPECT_EQ(ui.messages()[1].title, "Error");
    EXPECT_EQ(ui.messages()[1].text, "Update download failed.");
    EXPECT_FALSE(hand_over_ran());
  }
}

TEST_F(UpdaterTest, FailedProgramDownloadReportedThroughTheWindowRun) {
  offer(kVersionFileRemote, "0.51\n");
  offer(kChangeListFileRemote, "one\n");
  offer(kMainProgramName, "new main program");
  install_marking_hand_over();
  ctx_.params = {"0.50"};
  ui_.post_event({UiEvent::Kind::Gadget, UpdateButton});
  EXPECT_EQ(run_updater(ctx_), 0);
  ASSERT_EQ(ui_.messages().size(), 2u);
  EXPECT_EQ(ui_.messages()[1].text, "Update download failed.");
  EXPECT_FALSE(hand_over_ran());
  EXPECT_TRUE(temp_text_files_gone());
}

TEST_F(UpdaterTest, MissingHandOverScriptFailsQuietly) {
  offer(kMainProgramName, "new main program");
  offer(kUpdaterProgramName, "new updater");
  EXPECT_FALSE(install_update(ctx_));
  ASSERT_EQ(ui_.messages().size(), 1u);
  EXPECT_EQ(ui_.messages()[0].text, "Close Brinkmoor!");
}

TEST_F(UpdaterTest, WithoutADisplayTheCheckIsMadeButNothingOffered) {
  offer(kVersionFileRemote, "0.51\n");
  offer(kChangeListFileRemote, "one\n");
  offer(kMainProgramName, "new main program");
  offer(kUpdaterProgramName, "new updater");
  ctx_.interactive = false;
  ctx_.params = {"0.50"};
  EXPECT_EQ(run_updater(ctx_), 0);
  EXPECT_TRUE(requested(kVersionFileRemote));
  EXPECT_FALSE(requested(kChangeListFileRemote));
  EXPECT_FALSE(any_program_requested());
  EXPECT_TRUE(ui_.messages().empty());
  EXPECT_TRUE(temp_text_files_gone());
}

TEST_F(UpdaterTest, MissingTempFolderOffersNothing) {
  std::filesystem::remove_all(work_.file("temp"));
  offer(kVersionFileRemote, "0.51\n");
  ctx_.params = {"0.50"};
  EXPECT_EQ(run_updater(ctx_), 0);
  EXPECT_TRUE(ui_.messages().empty());
  EXPECT_FALSE(requested(kChangeListFileRemote));
}

// The whole road: the offered update is installed by the real hand-over script.
TEST_F(UpdaterTest, UpdateReplacesBothProgramsThroughTheHandOverScript) {
  offer(kVersionFileRemote, "0.51\n");
  offer(kChangeListFileRemote, "one\n");
  offer(kMainProgramName, "#!/bin/sh\necho new main program\n");
  offer(kUpdaterProgramName, "#!/bin/sh\necho new updater\n");
  work_.write(kMainProgramName, "old main program");
  work_.write(kUpdaterProgramName, "old updater");
  std::filesystem::copy_file(test::built_hand_over_script(), work_.file(kHandOverScript));
  ctx_.params = {"0.50"};
  ui_.post_event({UiEvent::Kind::Gadget, UpdateButton});
  EXPECT_EQ(run_updater(ctx_), 0);
  ASSERT_EQ(ui_.messages().size(), 1u);
  // The script removes the downloads last; until then it may still be at work.
  ASSERT_TRUE(eventually(
      [&] { return !file_exists(work_.file(std::string(kTempFolder) + kUpdaterProgramName)); }));
  EXPECT_EQ(work_.read(kMainProgramName), "#!/bin/sh\necho new main program\n");
  EXPECT_EQ(work_.read(kUpdaterProgramName), "#!/bin/sh\necho new updater\n");
  EXPECT_EQ(work_.read(std::string(kMainProgramName) + ".old"), "old main program");
  EXPECT_EQ(work_.read(std::string(kUpdaterProgramName) + ".old"), "old updater");
  EXPECT_TRUE(test::is_executable(work_.file(kMainProgramName)));
  EXPECT_TRUE(test::is_executable(work_.file(kUpdaterProgramName)));
}

TEST(UpdateAddress, DefaultHostIsThePathOnThePlainHttpServer) {
  const std::string address = default_update_address();
  EXPECT_EQ(address.rfind("http://", 0), 0u);
  EXPECT_EQ(address.substr(address.size() - 18), "/brinkmoor/aktual/");
}

}  // namespace
}  // namespace brinkmoor
