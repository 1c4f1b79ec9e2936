// The whole run over the Qt gadget layer (offscreen): the window's close box and its buttons
// reach the loop, the settings are saved before the window goes, and AutoMode never shows it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/qt_ui.h"
#include "settings/settings.h"
#include "shell/app.h"
#include "shell/context.h"
#include "shell/main_window.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

std::unique_ptr<Ui> make_ui() {
  static char name[] = "brinkmoor";
  static char* argv[] = {name, nullptr};
  static int argc = 1;
  return make_qt_ui(argc, argv);
}

QWidget* main_window() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowTitle() == QStringLiteral("Brinkmoor")) return w;
  return nullptr;
}

QPushButton* button(const char* text) {
  QWidget* window = main_window();
  if (window == nullptr) return nullptr;
  for (QPushButton* b : window->findChildren<QPushButton*>())
    if (b->text() == QString::fromUtf8(text)) return b;
  return nullptr;
}

bool any_window_visible() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible()) return true;
  return false;
}

// Steps that note their names; settings are the real ones, the rest only leave a note.
struct Log {
  std::vector<std::string> calls;
  std::vector<bool> window_visible_at_generate;
  AppSteps steps(std::function<void()> after_load = {}) {
    AppSteps s = default_app_steps();
    auto note = [this](const char* name) {
      return [this, name](AppContext&) { calls.push_back(name); };
    };
    s.load_ui_font = [this](AppContext&) {
      calls.push_back("load_ui_font");
      return true;
    };
    s.reset_draw_font = note("reset_draw_font");
    s.start_updater = note("start_updater");
    s.network_start = note("network_start");
    s.fill_background_list = note("fill_background_list");
    s.load_settings = [this, after_load](AppContext& ctx) {
      calls.push_back("load_settings");
      load_settings(ctx);
      if (after_load) after_load();
    };
    s.generate_signature = [this](AppContext&) {
      calls.push_back("generate_signature");
      window_visible_at_generate.push_back(any_window_visible());
    };
    s.upload_signature = note("upload_signature");
    s.check_connection = note("check_connection");
    s.save_settings = [this](AppContext& ctx) {
      // The window and its gadgets still exist while the settings are written.
      calls.push_back(main_window() != nullptr ? "save_settings" : "save_settings, no window");
      save_settings(ctx);
    };
    s.free_canvas = note("free_canvas");
    s.free_draw_font = note("free_draw_font");
    s.network_stop = note("network_stop");
    return s;
  }
};

using Calls = std::vector<std::string>;

TEST(QtRun, ButtonsRunTheirStepsAndTheCloseBoxEndsTheProgramAfterSaving) {
  std::vector<std::string> messages;
  set_qt_message_hook([&](const std::string& title, const std::string& text) {
    messages.push_back("[" + title + "] " + text);
  });
  test::TempDir dir;
  dir.write("ust.txt", "en\r\nhost\r\nuser\r\npass\r\n\r\n0\r\n3\r\n0\r\n2\r\nscript\r\n");
  auto ui = make_ui();
  ASSERT_NE(ui, nullptr);
  AppContext ctx;
  ctx.ui = ui.get();
  ctx.work_dir = dir.dir();
  Log log;
  // What the user does once the window is up: press the buttons, change a value, close it.
  auto user = [&ctx] {
    QTimer::singleShot(0, [&ctx] {
      if (QPushButton* b = button("Create signature")) b->click();
      if (QPushButton* b = button("Check connection")) b->click();
      ctx.ui->set_text(ServerField, "other.host");
      if (QWidget* w = main_window()) w->close();
    });
  };

  EXPECT_EQ(run_app(ctx, {}, log.steps(user)), 0);

  EXPECT_EQ(log.calls, (Calls{"load_ui_font", "reset_draw_font", "start_updater", "network_start",
                              "fill_background_list", "load_settings", "generate_signature",
                              "check_connection", "save_settings", "free_canvas", "free_draw_font",
                              "network_stop"}));
  EXPECT_EQ(log.window_visible_at_generate, std::vector<bool>{true});
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(main_window(), nullptr);
  EXPECT_EQ(dir.read("ust.txt"),
            "en\r\nother.host\r\nuser\r\npass\r\n\r\n0\r\n3\r\n0\r\n2\r\nscript\r\n");
  set_qt_message_hook(nullptr);
}

TEST(QtRun, AutoModeNeverShowsTheWindow) {
  std::vector<std::string> messages;
  set_qt_message_hook([&](const std::string& title, const std::string& text) {
    messages.push_back("[" + title + "] " + text);
  });
  test::TempDir dir;
  auto ui = make_ui();
  ASSERT_NE(ui, nullptr);
  AppContext ctx;
  ctx.ui = ui.get();
  ctx.work_dir = dir.dir();
  Log log;
  bool shown_after_load = true;

  EXPECT_EQ(run_app(ctx, {"-auto"}, log.steps([&] { shown_after_load = any_window_visible(); })),
            0);

  EXPECT_FALSE(shown_after_load);
  EXPECT_EQ(log.window_visible_at_generate, std::vector<bool>{false});
  EXPECT_EQ(log.calls, (Calls{"load_ui_font", "reset_draw_font", "start_updater", "network_start",
                              "fill_background_list", "load_settings", "generate_signature",
                              "upload_signature", "save_settings", "free_canvas", "free_draw_font",
                              "network_stop"}));
  EXPECT_EQ(messages, std::vector<std::string>{"[Error!] Unable to open config file!"});
  EXPECT_TRUE(std::filesystem::exists(dir.file("ust.txt")));
  set_qt_message_hook(nullptr);
}

// A settings file written by the older Windows version (Windows-1250, CR LF): the window shows
// its Polish letters, and saving it untouched gives the same bytes back.
TEST(QtRun, WindowsSettingsFileShowsItsLettersAndSavesBackUnchanged) {
  test::TempDir dir;
  const std::string file = test::test_data("settings/windows1250_crlf.txt");
  dir.write("ust.txt", file);
  auto ui = make_ui();
  ASSERT_NE(ui, nullptr);
  AppContext ctx;
  ctx.ui = ui.get();
  ctx.work_dir = dir.dir();
  ASSERT_TRUE(open_main_window(ctx, true));
  ctx.window_open = true;
  ctx.ui->append(BackgroundList, "t\xb3o.png");  // the picture the file names, as listed
  load_settings(ctx);

  QWidget* window = main_window();
  ASSERT_NE(window, nullptr);
  const auto editors = window->findChildren<QPlainTextEdit*>();
  ASSERT_EQ(editors.size(), 1);
  const QString script = editors.front()->toPlainText();
  EXPECT_TRUE(script.contains(QString::fromUtf8("Gracz: [nick] \u2013 ranking [ranking]")))
      << script.toStdString();
  EXPECT_TRUE(
      script.contains(QString::fromUtf8("  Za\u017c\u00f3\u0142\u0107 "
                                        "g\u0119\u015bl\u0105 ja\u017a\u0144  ")))
      << script.toStdString();
  bool user_shown = false;
  for (QLineEdit* field : window->findChildren<QLineEdit*>())
    if (field->text() == QString::fromUtf8("\u0141ukasz")) user_shown = true;
  EXPECT_TRUE(user_shown);

  save_settings(ctx);
  EXPECT_EQ(dir.read("ust.txt"), file);
  ctx.ui->close_window();
}

}  // namespace
}  // namespace brinkmoor
