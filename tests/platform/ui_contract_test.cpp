// The gadget rules that the whole program relies on, run against both gadget layers: the
// in-memory one and the Qt one (on Qt's offscreen platform).
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/image.h"
#include "platform/memory_ui.h"
#include "platform/process.h"
#include "platform/qt/qt_ui.h"
#include "platform/qt/qt_ui_impl.h"

namespace brinkmoor {
namespace {

using MessageFn = std::function<void(const std::string&, const std::string&)>;

struct MemoryBackend {
  static std::unique_ptr<Ui> make() { return std::make_unique<MemoryUi>(); }
  static void click(Ui& ui, int gadget) {
    static_cast<MemoryUi&>(ui).post_event({UiEvent::Kind::Gadget, gadget});
  }
  static void request_close(Ui& ui) {
    static_cast<MemoryUi&>(ui).post_event({UiEvent::Kind::Close, -1});
  }
  static void on_message(Ui& ui, MessageFn fn) {
    static_cast<MemoryUi&>(ui).set_message_hook(
        [fn](const MemoryUi::Message& m) { fn(m.title, m.text); });
  }
  static void clear_message_hook() {}
  static void start_hidden(Ui& ui, bool hidden) {
    static_cast<MemoryUi&>(ui).set_start_hidden(hidden);
  }
  static bool visible(const Ui& ui) { return static_cast<const MemoryUi&>(ui).window_visible(); }
  static Image shown_picture(const Ui& ui, int gadget) {
    const auto& picture = static_cast<const MemoryUi&>(ui).gadget(gadget).picture;
    return picture ? *picture : Image{};
  }
};

struct QtBackend {
  static std::unique_ptr<Ui> make() {
    static char name[] = "platform_ui_contract_test";
    static char* argv[] = {name, nullptr};
    static int argc = 1;
    return make_qt_ui(argc, argv);
  }
  static QtUi& qt(Ui& ui) { return static_cast<QtUi&>(ui); }
  static void click(Ui& ui, int gadget) {
    auto* button = qobject_cast<QPushButton*>(qt(ui).gadget_widget(gadget));
    ASSERT_NE(button, nullptr);
    button->click();
  }
  // What the close box does: the window is asked to close.
  static void request_close(Ui& ui) { qt(ui).window_widget()->close(); }
  static void on_message(Ui&, MessageFn fn) { set_qt_message_hook(std::move(fn)); }
  static void clear_message_hook() { set_qt_message_hook(nullptr); }
  // A process started hidden learns it from its environment.
  static void start_hidden(Ui&, bool hidden) {
    if (hidden) {
      ::setenv(kStartHiddenVariable, "1", 1);
    } else {
      ::unsetenv(kStartHiddenVariable);
    }
  }
  static bool visible(Ui& ui) {
    return qt(ui).window_widget() != nullptr && qt(ui).window_widget()->isVisible();
  }
  static Image shown_picture(Ui& ui, int gadget) {
    auto* label = qobject_cast<QLabel*>(qt(ui).gadget_widget(gadget));
    if (label == nullptr || label->pixmap().isNull()) return {};
    const QImage shown = label->pixmap().toImage().convertToFormat(QImage::Format_RGB888);
    Image out;
    out.width = shown.width();
    out.height = shown.height();
    out.channels = 3;
    for (int y = 0; y < shown.height(); ++y) {
      const uchar* row = shown.constScanLine(y);
      out.pixels.insert(out.pixels.end(), row, row + shown.width() * 3);
    }
    return out;
  }
};

// Gadget numbers of the test window.
enum : int {
  kPanel = 0,
  kLabel = 1,
  kEditor = 2,
  kList = 3,
  kPicture = 4,
  kButton = 5,
  kField = 6,
  kPassword = 7,
  kSlider = 8,
  kCombo = 9,
};

template <typename Backend>
class UiContract : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_ = Backend::make();
    ASSERT_NE(ui_, nullptr) << "no gadget layer";
  }
  void TearDown() override {
    Backend::clear_message_hook();
    ::unsetenv(kStartHiddenVariable);
  }

  // A window with one gadget of each kind, most of them on two tabs.
  void open(bool visible = true) {
    WindowSpec window;
    window.title = "Contract";
    window.x = 40;
    window.y = 30;
    window.width = 400;
    window.height = 300;
    window.minimize_box = true;
    window.visible = visible;
    ASSERT_TRUE(ui_->open_window(window));
    ui_->add_gadget({kPanel, GadgetKind::Panel, 5, 5, 390, 290, ""});
    ui_->begin_tab(kPanel, "First");
    ui_->add_gadget({kLabel, GadgetKind::Label, 3, 3, 200, 20, "Label:"});
    ui_->add_gadget({kEditor, GadgetKind::Editor, 3, 25, 370, 80, ""});
    ui_->add_gadget({kList, GadgetKind::List, 3, 110, 370, 60, ""});
    ui_->add_gadget({kPicture, GadgetKind::Picture, 3, 175, 360, 100, ""});
    ui_->begin_tab(kPanel, "Second");
    ui_->add_gadget({kButton, GadgetKind::Button, 3, 3, 100, 25, "Press"});
    ui_->add_gadget({kField, GadgetKind::TextField, 3, 30, 200, 20, "field"});
    ui_->add_gadget({kPassword, GadgetKind::PasswordField, 3, 55, 200, 20, ""});
    ui_->add_gadget({kSlider, GadgetKind::TrackBar, 3, 80, 300, 20, ""});
    ui_->add_gadget({kCombo, GadgetKind::ComboBox, 3, 105, 200, 20, ""});
    ui_->end_panel();
  }

  std::vector<std::string> lines(int gadget) const {
    std::vector<std::string> out;
    for (int i = 0; i < ui_->count(gadget); ++i) out.push_back(ui_->item(gadget, i));
    return out;
  }

  std::unique_ptr<Ui> ui_;
};

using Backends = ::testing::Types<MemoryBackend, QtBackend>;
class BackendNames {
 public:
  template <typename T>
  static std::string GetName(int) {
    return std::is_same_v<T, MemoryBackend> ? "Memory" : "Qt";
  }
};
TYPED_TEST_SUITE(UiContract, Backends, BackendNames);

using Lines = std::vector<std::string>;

TYPED_TEST(UiContract, EditorCountsTheLinesOfItsText) {
  this->open();
  struct Case {
    std::string text;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\nb", {"a", "b"}},
      {"a\n", {"a", ""}},
      {"\n", {"", ""}},
      {"a\r\nb\r\n", {"a", "b", ""}},
      {"a\rb", {"a", "b"}},
      {"one\n\nthree", {"one", "", "three"}},
      {"  [x=5] tab\there ", {"  [x=5] tab\there "}},
  };
  Ui& ui = *this->ui_;
  for (const Case& c : cases) {
    SCOPED_TRACE("text \"" + c.text + "\"");
    ui.set_text(kEditor, c.text);
    EXPECT_EQ(ui.count(kEditor), static_cast<int>(c.lines.size()));
    EXPECT_EQ(this->lines(kEditor), c.lines);
    // Past either end there is no line.
    EXPECT_EQ(ui.item(kEditor, -1), "");
    EXPECT_EQ(ui.item(kEditor, static_cast<int>(c.lines.size())), "");
  }
}

TYPED_TEST(UiContract, EditorAppendsLines) {
  this->open();
  struct Case {
    std::string start;  // set first
    Lines appends;
    Lines lines;
  };
  const Case cases[] = {
      {"", {""}, {""}},
      {"", {"", "x"}, {"", "x"}},
      {"", {"", ""}, {"", ""}},
      {"", {"a", "b"}, {"a", "b"}},
      {"", {"a", ""}, {"a", ""}},
      {"", {"a", "", "c"}, {"a", "", "c"}},
      {"a\n", {"b"}, {"a", "", "b"}},
      {"a", {"b"}, {"a", "b"}},
  };
  Ui& ui = *this->ui_;
  for (const Case& c : cases) {
    SCOPED_TRACE("start \"" + c.start + "\", " + std::to_string(c.appends.size()) + " appends");
    ui.set_text(kEditor, c.start);
    for (const auto& line : c.appends) ui.append(kEditor, line);
    EXPECT_EQ(ui.count(kEditor), static_cast<int>(c.lines.size()));
    EXPECT_EQ(this->lines(kEditor), c.lines);
  }
  // Setting the text again forgets an appended empty line.
  ui.set_text(kEditor, "");
  ui.append(kEditor, "");
  ASSERT_EQ(ui.count(kEditor), 1);
  ui.set_text(kEditor, "");
  EXPECT_EQ(ui.count(kEditor), 0);
}

TYPED_TEST(UiContract, EditorTextIsItsLinesJoined) {
  this->open();
  Ui& ui = *this->ui_;
  ui.append(kEditor, "first");
  ui.append(kEditor, "");
  ui.append(kEditor, "third");
  EXPECT_EQ(ui.text(kEditor), "first\n\nthird");
}

TYPED_TEST(UiContract, TrackBarClampsIntoItsRange) {
  this->open();
  Ui& ui = *this->ui_;
  EXPECT_EQ(ui.state(kSlider), 1);  // starts at the low end
  const std::pair<int, int> cases[] = {{0, 1},   {15, 10}, {5, 5},  {1, 1},
                                       {10, 10}, {-3, 1},  {11, 10}};
  for (const auto& [set, read] : cases) {
    ui.set_state(kSlider, set);
    EXPECT_EQ(ui.state(kSlider), read) << "set " << set;
  }
}

TYPED_TEST(UiContract, ListAndDropDownSelectEntriesOrNone) {
  this->open();
  Ui& ui = *this->ui_;
  for (const int gadget : {kList, kCombo}) {
    SCOPED_TRACE(gadget == kList ? "list" : "drop-down list");
    EXPECT_EQ(ui.count(gadget), 0);
    EXPECT_EQ(ui.state(gadget), -1);
    EXPECT_EQ(ui.text(gadget), "");
    ui.set_state(gadget, 0);  // no entries: nothing to select
    EXPECT_EQ(ui.state(gadget), -1);

    ui.append(gadget, "zeta.png");
    EXPECT_EQ(ui.state(gadget), -1) << "adding an entry selects nothing";
    EXPECT_EQ(ui.text(gadget), "");
    ui.append(gadget, "alpha.jpg");
    ui.append(gadget, "mid.bmp");
    EXPECT_EQ(ui.count(gadget), 3);
    EXPECT_EQ((Lines{ui.item(gadget, 0), ui.item(gadget, 1), ui.item(gadget, 2)}),
              (Lines{"zeta.png", "alpha.jpg", "mid.bmp"}))
        << "entries stay in the order added";
    EXPECT_EQ(ui.item(gadget, 3), "");
    EXPECT_EQ(ui.item(gadget, -1), "");

    const struct {
      int set;
      int state;
      std::string text;
    } cases[] = {
        {1, 1, "alpha.jpg"}, {3, -1, ""},  {2, 2, "mid.bmp"}, {-1, -1, ""},
        {0, 0, "zeta.png"},  {-5, -1, ""}, {99, -1, ""},
    };
    for (const auto& c : cases) {
      ui.set_state(gadget, c.set);
      EXPECT_EQ(ui.state(gadget), c.state) << "set " << c.set;
      EXPECT_EQ(ui.text(gadget), c.text) << "set " << c.set;
    }
    // The text of a list is its selection; it cannot be set.
    ui.set_state(gadget, 1);
    ui.set_text(gadget, "other");
    EXPECT_EQ(ui.text(gadget), "alpha.jpg");
    EXPECT_EQ(ui.count(gadget), 3);
  }
}

TYPED_TEST(UiContract, TextsReadBackAsTheyWereGiven) {
  this->open();
  Ui& ui = *this->ui_;
  EXPECT_EQ(ui.text(kLabel), "Label:");
  EXPECT_EQ(ui.text(kButton), "Press");
  EXPECT_EQ(ui.text(kField), "field");
  EXPECT_EQ(ui.text(kPassword), "");
  const std::string texts[] = {
      "",
      "Status.",
      "Stats file download error!",
      "Za\xbf\xf3\xb3\xe6 g\xea\x9cl\xb9 ja\x9f\xf1",  // Windows-1250
      "Za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87",            // UTF-8
      "<b>not markup</b> & more",
      "nbsp\xa0here",
  };
  for (const int gadget : {kLabel, kButton, kField, kPassword}) {
    for (const auto& text : texts) {
      ui.set_text(gadget, text);
      EXPECT_EQ(ui.text(gadget), text) << "gadget " << gadget;
    }
  }
  // Editor lines and list entries keep their bytes as well.
  ui.set_text(kEditor, "[font=Arial]\nZa\xbf\xf3\xb3\xe6\nnbsp\xa0here\n");
  EXPECT_EQ(this->lines(kEditor),
            (Lines{"[font=Arial]", "Za\xbf\xf3\xb3\xe6", "nbsp\xa0here", ""}));
  ui.append(kEditor, "g\xea\x9cl\xb9");
  EXPECT_EQ(ui.item(kEditor, 4), "g\xea\x9cl\xb9");
  ui.append(kList, "t\xb3o.png");
  ui.set_state(kList, 0);
  EXPECT_EQ(ui.text(kList), "t\xb3o.png");
  ui.append(kCombo, "Kolory \x9c");
  ui.set_state(kCombo, 0);
  EXPECT_EQ(ui.text(kCombo), "Kolory \x9c");
}

TYPED_TEST(UiContract, PictureShowsTheImageItWasGiven) {
  this->open();
  Ui& ui = *this->ui_;
  Image picture;
  picture.width = 7;
  picture.height = 3;
  picture.channels = 3;
  for (int i = 0; i < picture.width * picture.height; ++i) {
    picture.pixels.push_back(static_cast<uint8_t>(i * 10));
    picture.pixels.push_back(static_cast<uint8_t>(255 - i));
    picture.pixels.push_back(static_cast<uint8_t>(i % 2 ? 0 : 200));
  }
  EXPECT_TRUE(TypeParam::shown_picture(ui, kPicture).pixels.empty()) << "starts with no picture";
  ui.set_picture(kPicture, picture);
  const Image shown = TypeParam::shown_picture(ui, kPicture);
  EXPECT_EQ(shown.width, 7);
  EXPECT_EQ(shown.height, 3);
  EXPECT_EQ(shown.pixels, picture.pixels);
  // The gadget keeps its own copy.
  picture.pixels.assign(picture.pixels.size(), 0);
  EXPECT_NE(TypeParam::shown_picture(ui, kPicture).pixels, picture.pixels);
}

TYPED_TEST(UiContract, EventsArriveInOrderAndCloseKeepsTheWindow) {
  this->open();
  Ui& ui = *this->ui_;
  EXPECT_EQ(ui.wait_event(0).kind, UiEvent::Kind::None);
  TypeParam::click(ui, kButton);
  TypeParam::request_close(ui);
  const UiEvent first = ui.wait_event(1000);
  EXPECT_EQ(first.kind, UiEvent::Kind::Gadget);
  EXPECT_EQ(first.gadget, kButton);
  EXPECT_EQ(ui.wait_event(1000).kind, UiEvent::Kind::Close);
  // Asking to close only reports; the program closes the window when it is done.
  EXPECT_TRUE(ui.window_open());
  EXPECT_TRUE(TypeParam::visible(ui));
  EXPECT_EQ(ui.text(kLabel), "Label:");
  EXPECT_EQ(ui.wait_event(0).kind, UiEvent::Kind::None);

  ui.close_window();
  EXPECT_FALSE(ui.window_open());
  EXPECT_FALSE(TypeParam::visible(ui));
  EXPECT_EQ(ui.text(kLabel), "");  // no gadget exists any more
}

TYPED_TEST(UiContract, MessageReturnsWhenDismissed) {
  this->open();
  Ui& ui = *this->ui_;
  std::vector<std::string> seen;
  TypeParam::on_message(ui, [&seen](const std::string& title, const std::string& text) {
    seen.push_back(title + "|" + text);
  });
  ui.message("Brinkmoor.", "Unable to connect!");
  ui.message("Error!", "Settings file is corrupted!");
  EXPECT_EQ(seen, (Lines{"Brinkmoor.|Unable to connect!", "Error!|Settings file is corrupted!"}));
}

TYPED_TEST(UiContract, ShowRequestsFollowTheStartState) {
  Ui& ui = *this->ui_;
  // Opened to be shown: on screen at once.
  this->open(true);
  EXPECT_TRUE(TypeParam::visible(ui));
  ui.close_window();

  // Opened hidden: created, not shown until asked.
  auto hidden_ui = TypeParam::make();
  this->ui_.swap(hidden_ui);
  this->open(false);
  EXPECT_TRUE(this->ui_->window_open());
  EXPECT_FALSE(TypeParam::visible(*this->ui_));
  EXPECT_EQ(this->ui_->wait_event(0).kind, UiEvent::Kind::None);
  EXPECT_FALSE(TypeParam::visible(*this->ui_));
  this->ui_->show_window();
  EXPECT_TRUE(TypeParam::visible(*this->ui_));

  // Started hidden: the first show request is taken as hidden, the next one shows.
  auto started_hidden_ui = TypeParam::make();
  this->ui_.swap(started_hidden_ui);
  TypeParam::start_hidden(*this->ui_, true);
  this->open(true);
  EXPECT_TRUE(this->ui_->window_open());
  EXPECT_FALSE(TypeParam::visible(*this->ui_));
  this->ui_->show_window();
  EXPECT_TRUE(TypeParam::visible(*this->ui_));
}

TYPED_TEST(UiContract, UnknownGadgetsReadAsNothing) {
  Ui& ui = *this->ui_;
  // Before any window and for numbers that were never created.
  for (int round = 0; round < 2; ++round) {
    for (const int gadget : {42, -1}) {
      ui.set_text(gadget, "x");
      ui.set_state(gadget, 3);
      ui.append(gadget, "x");
      ui.set_picture(gadget, Image{});
      ui.set_gadget_font(gadget, FontSpec{});
      EXPECT_EQ(ui.text(gadget), "");
      EXPECT_EQ(ui.state(gadget), 0);
      EXPECT_EQ(ui.count(gadget), 0);
      EXPECT_EQ(ui.item(gadget, 0), "");
    }
    this->open();
  }
}

}  // namespace
}  // namespace brinkmoor
