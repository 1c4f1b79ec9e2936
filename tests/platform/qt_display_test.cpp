// Whether a display is usable, and MainWindow as Qt builds it on a real X server (Xvfb, started
// by this test on a display number of its own).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/qt/qt_ui.h"
#include "platform/qt/qt_ui_impl.h"
#include "shell/context.h"
#include "shell/main_window.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

// Sets environment variables for one test and puts the old values back afterwards.
class Environment {
 public:
  ~Environment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }
  void set(const std::string& name, const std::optional<std::string>& value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) {
      ::setenv(name.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name.c_str());
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

// One Xvfb for the whole program. Qt keeps its connection until the application object goes,
// so that goes first and the server last.
class XServer : public ::testing::Environment {
 public:
  static XServer* instance;
  std::string display;  // ":N", empty when the server did not start

  void SetUp() override { start(); }

  // A server that a loaded machine let die, or that stopped answering, is replaced.
  void ensure_answering() {
    ::brinkmoor::Environment env;
    env.set("DISPLAY", display);
    env.set("QT_QPA_PLATFORM", std::nullopt);
    if (!display.empty() && display_usable()) return;
    stop();
    display.clear();
    start();
  }

  void start() {
    // setpriv ties the server's life to this process: a test that dies still takes it along.
    const std::vector<std::string> xvfb = {"Xvfb", "-displayfd",  "1",         "-screen",
                                           "0",    "1024x768x24", "-nolisten", "tcp"};
    std::vector<std::string> args = {"--pdeathsig", "TERM"};
    args.insert(args.end(), xvfb.begin(), xvfb.end());
    if (!server_.start("setpriv", args) &&
        !server_.start(xvfb[0], {xvfb.begin() + 1, xvfb.end()})) {
      return;
    }
    std::string number;
    if (server_.read_line(&number, 30000) && !number.empty()) display = ":" + number;
  }
  void TearDown() override {
    delete QCoreApplication::instance();
    stop();
  }

  void stop() {
    // Asked to end, the server removes its socket and lock file.
    if (server_.running()) ::kill(server_.pid(), SIGTERM);
    server_.wait(10000);
  }

 private:
  ChildProcess server_;
};
XServer* XServer::instance =
    static_cast<XServer*>(::testing::AddGlobalTestEnvironment(new XServer));

std::unique_ptr<QtUi> make_ui() {
  static char name[] = "platform_qt_display_test";
  static char* argv[] = {name, nullptr};
  static int argc = 1;
  std::unique_ptr<Ui> ui = make_qt_ui(argc, argv);
  return std::unique_ptr<QtUi>(static_cast<QtUi*>(ui.release()));
}

// A Unix socket that listens, standing in for a compositor's socket.
class ListeningSocket {
 public:
  explicit ListeningSocket(const std::string& path) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    ok_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 &&
          ::listen(fd_, 1) == 0;
  }
  ~ListeningSocket() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return ok_; }

 private:
  int fd_ = -1;
  bool ok_ = false;
};

TEST(DisplayUsable, AnswersWithoutAbortingWhateverTheEnvironment) {
  ASSERT_FALSE(XServer::instance->display.empty()) << "Xvfb did not start";
  test::TempDir runtime;
  const std::string compositor = runtime.file("wayland-test");
  ListeningSocket socket(compositor);
  ASSERT_TRUE(socket.ok());
  const std::optional<std::string> none;
  struct Case {
    const char* what;
    std::optional<std::string> display, wayland, platform;
    bool usable;
  };
  const Case cases[] = {
      {"nothing set", none, none, none, false},
      {"empty DISPLAY", "", none, none, false},
      {"DISPLAY with no server", ":9999", none, none, false},
      {"DISPLAY that is no display name", "no-display-here", none, none, false},
      {"DISPLAY with a bad screen", ":abc", none, none, false},
      {"the running X server", XServer::instance->display, none, none, true},
      {"WAYLAND_DISPLAY with no compositor", none, "wayland-nothing", none, false},
      {"WAYLAND_DISPLAY path with no compositor", none, runtime.file("absent"), none, false},
      // Qt here has no Wayland plugin, so even a listening compositor cannot be used.
      {"compositor but no Wayland plugin", none, compositor, none, false},
      {"offscreen needs no display", none, none, "offscreen", true},
      {"offscreen with options", none, none, "offscreen:fontengine=freetype", true},
      {"xcb asked for, no server", ":9999", none, "xcb", false},
      {"xcb asked for, server running", XServer::instance->display, none, "xcb", true},
      {"a platform Qt does not have", XServer::instance->display, none, "nosuchplatform", false},
      {"first usable entry of a list", ":9999", none, "wayland;xcb;offscreen", true},
      {"no usable entry in a list", ":9999", none, "wayland;xcb", false},
      {"empty platform is the default", XServer::instance->display, none, "", true},
  };
  for (const Case& c : cases) {
    Environment env;
    env.set("DISPLAY", c.display);
    env.set("WAYLAND_DISPLAY", c.wayland);
    env.set("XDG_RUNTIME_DIR", runtime.path().string());
    env.set("QT_QPA_PLATFORM", c.platform);
    EXPECT_EQ(display_usable(), c.usable) << c.what;
    if (!c.usable) {
      int argc = 1;
      char name[] = "x";
      char* argv[] = {name, nullptr};
      EXPECT_EQ(make_qt_ui(argc, argv), nullptr) << c.what;
    }
  }
}

struct Row {
  int number;
  const char* widget_class;
  int tab;  // -1: the window itself
  QRect place;
  const char* text;
  bool ui_font;
};

const Row kMainWindow[] = {
    {MainPanel, "QTabWidget", -1, {5, 5, 390, 550}, "", false},
    {ScriptLabel, "QLabel", 0, {3, 13, 360, 20}, "Script:", true},
    {ScriptEditor, "QPlainTextEdit", 0, {3, 33, 370, 105}, "", true},
    {BackgroundLabel, "QLabel", 0, {3, 153, 360, 20}, "Background image:", true},
    {BackgroundList, "QListWidget", 0, {3, 173, 370, 85}, "", true},
    {PreviewLabel, "QLabel", 0, {3, 293, 325, 25}, "Preview:", true},
    {PreviewImage, "QLabel", 0, {3, 323, 375, 100}, "", false},
    {CreateButton, "QPushButton", 0, {63, 263, 260, 25}, "Create signature", true},
    {UploadButton, "QPushButton", 0, {48, 443, 300, 25}, "Upload file", true},
    {StatusText, "QLabel", 0, {3, 473, 375, 40}, "Status.", true},
    {ServerLabel, "QLabel", 1, {13, 73, 145, 15}, "Server:", true},
    {UserLabel, "QLabel", 1, {13, 103, 145, 15}, "User:", true},
    {PasswordLabel, "QLabel", 1, {13, 133, 145, 15}, "Password:", true},
    {ServerField, "QLineEdit", 1, {163, 73, 205, 20}, "", true},
    {UserField, "QLineEdit", 1, {163, 103, 205, 20}, "", true},
    {PasswordField, "QLineEdit", 1, {163, 133, 205, 20}, "", true},
    {CheckConnectionButton, "QPushButton", 1, {43, 163, 300, 30}, "Check connection", true},
    {QualityLabel, "QLabel", 1, {33, 273, 310, 20}, "Image quality (low -medium - high)", true},
    {QualitySlider, "QSlider", 1, {33, 293, 320, 20}, "", false},
    {FileTypeLabel, "QLabel", 1, {33, 213, 270, 20}, "Save as .. filetype:", true},
    {FileTypeCombo, "QComboBox", 1, {33, 233, 270, 20}, "", true},
    {UploadMethodLabel, "QLabel", 1, {13, 13, 280, 20}, "File upload method:", true},
    {UploadMethodCombo, "QComboBox", 1, {13, 33, 280, 20}, "", true},
    {ColorsLabel, "QLabel", 1, {33, 323, 270, 20}, "Colors:", true},
    {ColorsCombo, "QComboBox", 1, {33, 343, 270, 20}, "", true},
};

QString shown_text(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<QPushButton*>(w)) return button->text();
  if (auto* field = qobject_cast<QLineEdit*>(w)) return field->text();
  if (auto* editor = qobject_cast<QPlainTextEdit*>(w)) return editor->toPlainText();
  return {};
}

std::vector<QWidget*> direct_children(QWidget* parent) {
  const QList<QWidget*> children =
      parent->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  return {children.begin(), children.end()};
}

class MainWindowOnX : public ::testing::Test {
 protected:
  void SetUp() override {
    // Qt aborts the process when it cannot connect, so make sure the server answers first.
    if (QCoreApplication::instance() == nullptr) XServer::instance->ensure_answering();
    ASSERT_FALSE(XServer::instance->display.empty()) << "Xvfb did not start";
    env_.set("DISPLAY", XServer::instance->display);
    env_.set("QT_QPA_PLATFORM", std::nullopt);
    env_.set(kStartHiddenVariable, std::nullopt);
    ui_ = make_ui();
    ASSERT_NE(ui_, nullptr);
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    ctx_.ui = ui_.get();
    ctx_.ui_font = Font::load(ui_font_spec());
  }

  // Lets the X server map the window (bounded: the test fails rather than hangs).
  static void wait_until_exposed(QWidget* window) {
    for (int i = 0; i < 2000; ++i) {
      if (window->windowHandle() != nullptr && window->windowHandle()->isExposed()) return;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
  }

  Environment env_;
  std::unique_ptr<QtUi> ui_;
  AppContext ctx_;
};

TEST_F(MainWindowOnX, OpensAtItsPlaceWithBothTabsAndAllGadgets) {
  ASSERT_TRUE(open_main_window(ctx_, false));
  QWidget* window = ui_->window_widget();
  ASSERT_NE(window, nullptr);
  wait_until_exposed(window);
  ASSERT_TRUE(window->isVisible());
  ASSERT_TRUE(window->windowHandle()->isExposed());

  EXPECT_EQ(window->windowTitle(), "Brinkmoor");
  // No window manager runs on this server: the frame is the client area, at 418,172 as the
  // X server itself reports it.
  EXPECT_EQ(window->mapToGlobal(QPoint(0, 0)), QPoint(418, 172));
  EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(418, 172));
  EXPECT_EQ(window->size(), QSize(400, 558));
  EXPECT_EQ(window->minimumSize(), QSize(400, 558));
  EXPECT_EQ(window->maximumSize(), QSize(400, 558));
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

  auto* tabs = qobject_cast<QTabWidget*>(ui_->gadget_widget(MainPanel));
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(direct_children(window), std::vector<QWidget*>{tabs}) << "only the panel";
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(0), "Generating");
  EXPECT_EQ(tabs->tabText(1), "Settings");
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_TRUE(tabs->widget(0)->isVisible());

  std::vector<QWidget*> created[2];
  for (const Row& row : kMainWindow) {
    SCOPED_TRACE("gadget " + std::to_string(row.number));
    QWidget* w = ui_->gadget_widget(row.number);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->inherits(row.widget_class)) << w->metaObject()->className();
    QWidget* parent = row.tab < 0 ? window : tabs->widget(row.tab);
    EXPECT_EQ(w->parentWidget(), parent);
    EXPECT_EQ(w->geometry(), row.place);
    EXPECT_EQ(shown_text(w), QString::fromUtf8(row.text));
    if (row.number != MainPanel) {
      EXPECT_EQ(ui_->text(row.number), row.text);
    }
    if (row.tab >= 0) created[row.tab].push_back(w);
    if (ctx_.ui_font) {
      EXPECT_EQ(w->testAttribute(Qt::WA_SetFont), row.ui_font);
      if (row.ui_font) {
        EXPECT_EQ(w->font().family(), "Arial");
        EXPECT_EQ(w->font().pixelSize(), 13);
      }
    }
  }
  // Nothing else on the pages, and the gadgets in the order they were created.
  EXPECT_EQ(direct_children(tabs->widget(0)), created[0]);
  EXPECT_EQ(direct_children(tabs->widget(1)), created[1]);

  // The states the other parts start from.
  EXPECT_EQ(ui_->count(ScriptEditor), 0);
  EXPECT_EQ(ui_->state(BackgroundList), -1);
  EXPECT_EQ(ui_->text(BackgroundList), "");
  EXPECT_EQ(ui_->state(QualitySlider), 1);
  for (const int combo : {FileTypeCombo, UploadMethodCombo, ColorsCombo}) {
    EXPECT_EQ(ui_->count(combo), 0);
    EXPECT_EQ(ui_->state(combo), -1);
  }
  EXPECT_EQ(qobject_cast<QLineEdit*>(ui_->gadget_widget(PasswordField))->echoMode(),
            QLineEdit::Password);
}

TEST_F(MainWindowOnX, CloseBoxAsksAndTheWindowStays) {
  ASSERT_TRUE(open_main_window(ctx_, false));
  QWidget* window = ui_->window_widget();
  wait_until_exposed(window);
  window->close();
  const UiEvent event = ui_->wait_event(1000);
  EXPECT_EQ(event.kind, UiEvent::Kind::Close);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(ui_->window_open());
  ui_->close_window();
  EXPECT_FALSE(ui_->window_open());
}

TEST_F(MainWindowOnX, HiddenWindowHasEveryGadgetButNeverAppears) {
  ASSERT_TRUE(open_main_window(ctx_, true));
  QWidget* window = ui_->window_widget();
  ASSERT_NE(window, nullptr);
  for (const Row& row : kMainWindow) EXPECT_NE(ui_->gadget_widget(row.number), nullptr);
  ui_->set_text(StatusText, "Signature generation complete.");
  EXPECT_EQ(ui_->wait_event(50).kind, UiEvent::Kind::None);
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(window->windowHandle() == nullptr || !window->windowHandle()->isExposed());
}

TEST_F(MainWindowOnX, StartedHiddenTheFirstShowKeepsItHidden) {
  env_.set(kStartHiddenVariable, "1");
  ASSERT_TRUE(open_main_window(ctx_, false));
  QWidget* window = ui_->window_widget();
  QCoreApplication::processEvents();
  EXPECT_FALSE(window->isVisible());
  ui_->show_window();
  wait_until_exposed(window);
  EXPECT_TRUE(window->isVisible());
}

}  // namespace
}  // namespace brinkmoor
