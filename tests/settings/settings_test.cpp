#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "platform/memory_ui.h"
#include "shell/context.h"
#include "shell/main_window.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

namespace fs = std::filesystem;

// MainWindow as start-up leaves it just before load_settings: open, with the background list
// filled from the graphics folder.
class SettingsTest : public ::testing::Test {
 protected:
  void open(std::unique_ptr<MemoryUi> ui = std::make_unique<MemoryUi>(),
            const std::vector<std::string>& backgrounds = {}) {
    ui_ = std::move(ui);
    ctx_.ui = ui_.get();
    ctx_.work_dir = dir_.dir();
    ASSERT_TRUE(open_main_window(ctx_, /*hidden=*/true));
    ctx_.window_open = true;
    for (const auto& name : backgrounds) ui_->append(BackgroundList, name);
  }
  void write_settings(const std::string& bytes) { dir_.write("ust.txt", bytes); }
  std::string stored() const { return dir_.read("ust.txt"); }
  std::vector<std::string> script() const {
    std::vector<std::string> lines;
    for (int i = 0; i < ui_->count(ScriptEditor); ++i) lines.push_back(ui_->item(ScriptEditor, i));
    return lines;
  }
  fs::perms mode() const { return fs::status(dir_.file("ust.txt")).permissions() & fs::perms::all; }

  test::TempDir dir_;
  std::unique_ptr<MemoryUi> ui_;
  AppContext ctx_;
};

const std::vector<std::string> kPictures = {"las.png", "zamek.jpg", "brinkmoortest.jpg"};

// The file that the defaults of a fresh start write.
const std::string kDefaultFile = "en\r\n\r\n\r\n\r\n\r\n0\r\n1\r\n0\r\n2\r\n";

TEST_F(SettingsTest, FreshStartWithoutFileReportsAndKeepsDefaults) {
  open(std::make_unique<MemoryUi>(), kPictures);
  load_settings(ctx_);

  ASSERT_EQ(ui_->messages().size(), 1u);
  EXPECT_EQ(ui_->messages()[0].title, "Error!");
  EXPECT_EQ(ui_->messages()[0].text, "Unable to open config file!");
  EXPECT_EQ(ui_->count(FileTypeCombo), 1);
  EXPECT_EQ(ui_->item(FileTypeCombo, 0), "jpg file - lossy compression.");
  EXPECT_EQ(ui_->state(FileTypeCombo), 0);
  EXPECT_EQ(ui_->count(UploadMethodCombo), 1);
  EXPECT_EQ(ui_->item(UploadMethodCombo, 0), "through ftp protocol");
  EXPECT_EQ(ui_->state(UploadMethodCombo), 0);
  EXPECT_EQ(ui_->count(ColorsCombo), 3);
  EXPECT_EQ(ui_->item(ColorsCombo, 0), "8 bits - 256 colors");
  EXPECT_EQ(ui_->item(ColorsCombo, 1), "16 bits - 65536 colors");
  EXPECT_EQ(ui_->item(ColorsCombo, 2), "24 bits - 16m colors");
  EXPECT_EQ(ui_->state(ColorsCombo), 2);
  EXPECT_EQ(ui_->text(ColorsCombo), "24 bits - 16m colors");
  EXPECT_EQ(ui_->state(BackgroundList), -1);
  EXPECT_EQ(ui_->state(QualitySlider), 1);
  EXPECT_EQ(ui_->count(ScriptEditor), 0);

  save_settings(ctx_);
  EXPECT_EQ(stored(), kDefaultFile);
  EXPECT_EQ(ui_->messages().size(), 1u);
}

TEST_F(SettingsTest, FileWithOnlyEnChangesNoGadget) {
  write_settings("en\r\n");
  open(std::make_unique<MemoryUi>(), kPictures);
  load_settings(ctx_);
  EXPECT_TRUE(ui_->messages().empty());
  for (int field : {ServerField, UserField, PasswordField}) EXPECT_EQ(ui_->text(field), "");
  EXPECT_EQ(ui_->state(BackgroundList), -1);
  EXPECT_EQ(ui_->state(FileTypeCombo), 0);
  EXPECT_EQ(ui_->state(QualitySlider), 1);
  EXPECT_EQ(ui_->state(UploadMethodCombo), 0);
  EXPECT_EQ(ui_->state(ColorsCombo), 2);
  EXPECT_EQ(ui_->count(ScriptEditor), 0);
}

// Load, then save with nothing changed in between.
struct RoundTrip {
  const char* what;
  std::string file;
  std::string saved;  // empty: the same bytes as file
};

TEST_F(SettingsTest, LoadThenSaveWritesTheSameLinesAgain) {
  const std::string head = "en\r\nftp.host.pl\r\n jan kowalski \r\np@ss word\r\nzamek.jpg\r\n";
  const RoundTrip cases[] = {
      {"every line in use", head + "0\r\n7\r\n0\r\n1\r\n[getstat bw r3 1]\r\nNick: [nick]\r\n", ""},
      {"no script", head + "0\r\n10\r\n0\r\n0\r\n", ""},
      {"script with spaces and empty lines, an empty first line too",
       head + "0\r\n5\r\n0\r\n2\r\n\r\n  leading\r\ntrailing  \r\n\r\n\r\n  \r\nlast\r\n", ""},
      {"script ending in empty lines", head + "0\r\n5\r\n0\r\n2\r\nx\r\n\r\n\r\n", ""},
      {"a background that matches no entry comes back empty",
       "en\r\na\r\nb\r\nc\r\ngone.png\r\n0\r\n3\r\n0\r\n2\r\n",
       "en\r\na\r\nb\r\nc\r\n\r\n0\r\n3\r\n0\r\n2\r\n"},
      {"a background differing in case matches nothing",
       "en\r\n\r\n\r\n\r\nZAMEK.JPG\r\n0\r\n3\r\n0\r\n2\r\n",
       "en\r\n\r\n\r\n\r\n\r\n0\r\n3\r\n0\r\n2\r\n"},
      {"numbers come back as format_int writes them",
       "en\r\n\r\n\r\n\r\n\r\n+0\r\n  $A\r\n00\r\n1x\r\n",
       "en\r\n\r\n\r\n\r\n\r\n0\r\n10\r\n0\r\n1\r\n"},
      {"text that is no number reads 0", "en\r\n\r\n\r\n\r\n\r\nx\r\n4\r\n\r\nabc\r\n",
       "en\r\n\r\n\r\n\r\n\r\n0\r\n4\r\n0\r\n0\r\n"},
      {"drop-down indexes that are no entry come back as -1",
       "en\r\n\r\n\r\n\r\n\r\n5\r\n4\r\n1\r\n3\r\n",
       "en\r\n\r\n\r\n\r\n\r\n-1\r\n4\r\n-1\r\n-1\r\n"},
      {"no selection is kept", "en\r\n\r\n\r\n\r\n\r\n-1\r\n4\r\n-1\r\n-1\r\n", ""},
      {"slider 0 comes back as 1", "en\r\n\r\n\r\n\r\n\r\n0\r\n0\r\n0\r\n2\r\n",
       "en\r\n\r\n\r\n\r\n\r\n0\r\n1\r\n0\r\n2\r\n"},
      {"slider outside 1 to 10 comes back at the nearer end",
       "en\r\n\r\n\r\n\r\n\r\n0\r\n15\r\n0\r\n2\r\n",
       "en\r\n\r\n\r\n\r\n\r\n0\r\n10\r\n0\r\n2\r\n"},
      {"negative slider", "en\r\n\r\n\r\n\r\n\r\n0\r\n-7\r\n0\r\n2\r\n",
       "en\r\n\r\n\r\n\r\n\r\n0\r\n1\r\n0\r\n2\r\n"},
      {"numbers are taken in their low 32 bits",
       "en\r\n\r\n\r\n\r\n\r\n4294967296\r\n4294967301\r\n0\r\n8589934594\r\n",
       "en\r\n\r\n\r\n\r\n\r\n0\r\n5\r\n0\r\n2\r\n"},
      {"a file shorter than nine lines comes back with all nine", "en\r\nhost\r\nuser\r\n",
       "en\r\nhost\r\nuser\r\n\r\n\r\n0\r\n1\r\n0\r\n2\r\n"},
      {"a last line without a line break", "en\r\nhost\r\nuser\r\npass",
       "en\r\nhost\r\nuser\r\npass\r\n\r\n0\r\n1\r\n0\r\n2\r\n"},
      {"LF-only line ends", "en\nh\nu\np\nlas.png\n0\n9\n0\n1\nA\n\n  B\n",
       "en\r\nh\r\nu\r\np\r\nlas.png\r\n0\r\n9\r\n0\r\n1\r\nA\r\n\r\n  B\r\n"},
      {"CR-only line ends", "en\rh\ru\rp\rlas.png\r0\r9\r0\r1\rA\r\r  B\r",
       "en\r\nh\r\nu\r\np\r\nlas.png\r\n0\r\n9\r\n0\r\n1\r\nA\r\n\r\n  B\r\n"},
      {"mixed line ends", "en\nh\r\nu\rp\n\r\n0\r9\n0\r\n1\rA\n",
       "en\r\nh\r\nu\r\np\r\n\r\n0\r\n9\r\n0\r\n1\r\nA\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    dir.write("ust.txt", c.file);
    MemoryUi ui;
    AppContext ctx;
    ctx.ui = &ui;
    ctx.work_dir = dir.dir();
    ASSERT_TRUE(open_main_window(ctx, true));
    ctx.window_open = true;
    for (const auto& name : kPictures) ui.append(BackgroundList, name);
    load_settings(ctx);
    save_settings(ctx);
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(dir.read("ust.txt"), c.saved.empty() ? c.file : c.saved);
  }
}

TEST_F(SettingsTest, LinesGoIntoTheirGadgets) {
  write_settings(
      "en\r\nftp.host.pl\r\njan\r\ntajne\r\nzamek.jpg\r\n0\r\n8\r\n0\r\n1\r\n\r\n  [nick]  \r\n");
  open(std::make_unique<MemoryUi>(), kPictures);
  load_settings(ctx_);
  EXPECT_EQ(ui_->text(ServerField), "ftp.host.pl");
  EXPECT_EQ(ui_->text(UserField), "jan");
  EXPECT_EQ(ui_->text(PasswordField), "tajne");
  EXPECT_EQ(ui_->state(BackgroundList), 1);
  EXPECT_EQ(ui_->text(BackgroundList), "zamek.jpg");
  EXPECT_EQ(ui_->state(FileTypeCombo), 0);
  EXPECT_EQ(ui_->state(QualitySlider), 8);
  EXPECT_EQ(ui_->state(UploadMethodCombo), 0);
  EXPECT_EQ(ui_->state(ColorsCombo), 1);
  EXPECT_EQ(script(), (std::vector<std::string>{"", "  [nick]  "}));
}

TEST_F(SettingsTest, DropDownIndexOutsideItsEntriesLeavesNoSelection) {
  write_settings("en\r\n\r\n\r\n\r\n\r\n5\r\n0\r\n0\r\n2\r\n");
  open();
  load_settings(ctx_);
  EXPECT_EQ(ui_->state(FileTypeCombo), -1);
  EXPECT_EQ(ui_->text(FileTypeCombo), "");
  EXPECT_EQ(ui_->state(QualitySlider), 1);
}

TEST_F(SettingsTest, LaterOfTwoEqualBackgroundEntriesIsSelected) {
  write_settings("en\r\n\r\n\r\n\r\nlas.png\r\n");
  open(std::make_unique<MemoryUi>(), {"las.png", "inne.bmp", "las.png", "x.jpg"});
  load_settings(ctx_);
  EXPECT_EQ(ui_->state(BackgroundList), 2);
}

TEST_F(SettingsTest, EmptyBackgroundLineSelectsNothing) {
  write_settings("en\r\n\r\n\r\n\r\n\r\n");
  open(std::make_unique<MemoryUi>(), kPictures);
  load_settings(ctx_);
  EXPECT_EQ(ui_->state(BackgroundList), -1);
}

// A file written by the Windows version of the program: Windows-1250 bytes and CR LF.
TEST_F(SettingsTest, OlderWindowsFileLoadsIntact) {
  const std::string file = test::test_data("settings/windows1250_crlf.txt");
  write_settings(file);
  const std::string background = "t\xB3o.png";  // "tło.png" in Windows-1250
  open(std::make_unique<MemoryUi>(), {"las.png", background});
  load_settings(ctx_);

  EXPECT_TRUE(ui_->messages().empty());
  EXPECT_EQ(ui_->text(ServerField), "ftp.example.pl");
  EXPECT_EQ(to_utf8(ui_->text(UserField)), "Łukasz");
  EXPECT_EQ(to_utf8(ui_->text(PasswordField)), "hasło żółw 1");
  EXPECT_EQ(ui_->state(BackgroundList), 1);
  EXPECT_EQ(ui_->state(QualitySlider), 7);
  const auto lines = script();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "[getstat bw r3 123]");
  EXPECT_EQ(to_utf8(lines[1]), "Gracz: [nick] – ranking [ranking]");
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(to_utf8(lines[3]), "  Zażółć gęślą jaźń  ");

  // The bytes go back unchanged: nothing is converted on the way.
  save_settings(ctx_);
  EXPECT_EQ(stored(), file);
}

TEST_F(SettingsTest, SavedFileIsReadableByItsOwnerOnly) {
  open();
  load_settings(ctx_);
  save_settings(ctx_);
  EXPECT_EQ(mode(), fs::perms::owner_read | fs::perms::owner_write);

  // A file from elsewhere with a wider mode is narrowed by the next save, and stays so.
  fs::permissions(dir_.file("ust.txt"), fs::perms::owner_read | fs::perms::owner_write |
                                            fs::perms::group_read | fs::perms::others_read);
  ui_->set_text(PasswordField, "nowe");
  save_settings(ctx_);
  EXPECT_EQ(mode(), fs::perms::owner_read | fs::perms::owner_write);
  save_settings(ctx_);
  EXPECT_EQ(mode(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_NE(stored().find("nowe\r\n"), std::string::npos);
}

TEST_F(SettingsTest, SaveWithoutMainWindowKeepsTheStoredValues) {
  const std::string file =
      "en\r\nhost\r\nuser\r\npass\r\nlas.png\r\n0\r\n4\r\n0\r\n2\r\nscript\r\n";
  write_settings(file);
  MemoryUi ui;
  ui.set_fail_open(true);
  ctx_.ui = &ui;
  ctx_.work_dir = dir_.dir();
  EXPECT_FALSE(open_main_window(ctx_, false));
  ctx_.window_open = false;
  save_settings(ctx_);
  EXPECT_EQ(stored(), file);
  EXPECT_TRUE(ui.messages().empty());

  test::TempDir empty;
  ctx_.work_dir = empty.dir();
  save_settings(ctx_);
  EXPECT_FALSE(fs::exists(empty.file("ust.txt")));
}

TEST_F(SettingsTest, FolderInPlaceOfTheFileIsUnreadableAndUnwritable) {
  dir_.mkdir("ust.txt/inside");
  open();
  load_settings(ctx_);
  ASSERT_EQ(ui_->messages().size(), 1u);
  EXPECT_EQ(ui_->messages()[0].text, "Unable to open config file!");

  // The new copy cannot take the folder's place: reported, and no temporary file stays.
  save_settings(ctx_);
  ASSERT_EQ(ui_->messages().size(), 2u);
  EXPECT_EQ(ui_->messages()[1].title, "Error!");
  EXPECT_EQ(ui_->messages()[1].text, "Unable to write config file!");
  EXPECT_TRUE(fs::is_directory(dir_.file("ust.txt/inside")));
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(SettingsTest, MissingWorkingFolderIsReportedOnSave) {
  open();
  ctx_.work_dir = dir_.dir() + "gone/";
  save_settings(ctx_);
  ASSERT_EQ(ui_->messages().size(), 1u);
  EXPECT_EQ(ui_->messages()[0].text, "Unable to write config file!");
}

TEST_F(SettingsTest, ReadOnlyFolderKeepsTheOldFile) {
  const std::string file = "en\r\nold\r\n\r\n\r\n\r\n0\r\n1\r\n0\r\n2\r\n";
  write_settings(file);
  open();
  load_settings(ctx_);
  ui_->set_text(ServerField, "new");
  fs::permissions(dir_.path(), fs::perms::owner_read | fs::perms::owner_exec);
  {
    // The superuser may write anyway; then there is nothing to see here.
    std::FILE* probe = std::fopen(dir_.file("probe").c_str(), "wb");
    if (probe != nullptr) {
      std::fclose(probe);
      fs::remove(dir_.file("probe"));
      fs::permissions(dir_.path(), fs::perms::owner_all);
      GTEST_SKIP() << "the folder stays writable for this user";
    }
  }
  save_settings(ctx_);
  fs::permissions(dir_.path(), fs::perms::owner_all);
  ASSERT_EQ(ui_->messages().size(), 1u);
  EXPECT_EQ(ui_->messages()[0].text, "Unable to write config file!");
  EXPECT_EQ(stored(), file);
}

// A window layer that ends the process while save_settings is reading the script, as a kill or
// a power cut in the middle of a save would.
class DyingUi : public MemoryUi {
 public:
  explicit DyingUi(int fatal_line) : fatal_line_(fatal_line) {}
  std::string item(int gadget, int index) const override {
    if (gadget == ScriptEditor && index == fatal_line_) std::abort();
    return MemoryUi::item(gadget, index);
  }

 private:
  int fatal_line_;
};

using SettingsDeathTest = SettingsTest;

TEST_F(SettingsDeathTest, WriterKilledInTheMiddleLeavesThePreviousFile) {
  const std::string file =
      "en\r\nold.host\r\nuser\r\npass\r\n\r\n0\r\n6\r\n0\r\n2\r\nold script\r\n";
  write_settings(file);
  open(std::make_unique<DyingUi>(400));
  load_settings(ctx_);
  ui_->set_text(ServerField, "new.host");
  // Far more than one buffer of script before the end comes, so part of it is on disk.
  for (int i = 0; i < 500; ++i) ui_->append(ScriptEditor, "[text line " + std::to_string(i) + "]");

  // The child must share this folder, so it is forked rather than started afresh.
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_DEATH(save_settings(ctx_), "");

  EXPECT_EQ(stored(), file);
  // The interrupted copy went into a file of its own.
  bool partial_copy_seen = false;
  for (const auto& e : fs::directory_iterator(dir_.path())) {
    if (e.path().filename() == "ust.txt") continue;
    const std::string bytes = dir_.read(e.path().filename().string());
    if (bytes.rfind("en\r\nnew.host\r\n", 0) == 0) partial_copy_seen = true;
  }
  EXPECT_TRUE(partial_copy_seen);

  // The next load still finds the old values.
  MemoryUi fresh;
  AppContext ctx;
  ctx.ui = &fresh;
  ctx.work_dir = dir_.dir();
  ASSERT_TRUE(open_main_window(ctx, true));
  load_settings(ctx);
  EXPECT_EQ(fresh.text(ServerField), "old.host");
  EXPECT_EQ(fresh.state(QualitySlider), 6);
}

}  // namespace
}  // namespace brinkmoor
