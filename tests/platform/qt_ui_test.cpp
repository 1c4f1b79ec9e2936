// The Qt gadget layer's own widgets: kinds, looks that the program relies on, fonts, the byte
// round trip through Qt's strings, and the real message box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <memory>
#include <string>

#include "platform/qt/qt_ui.h"
#include "platform/qt/qt_ui_impl.h"

namespace brinkmoor {
namespace {

std::unique_ptr<QtUi> make_ui() {
  static char name[] = "qt_ui_test";
  static char* argv[] = {name, nullptr};
  static int argc = 1;
  std::unique_ptr<Ui> ui = make_qt_ui(argc, argv);
  return std::unique_ptr<QtUi>(static_cast<QtUi*>(ui.release()));
}

class QtUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_ = make_ui();
    ASSERT_NE(ui_, nullptr);
  }
  void TearDown() override { set_qt_message_hook(nullptr); }

  void open(bool minimize_box = true) {
    WindowSpec window;
    window.title = "Okno \xb3";  // Windows-1250 in the title too
    window.x = 418;
    window.y = 172;
    window.width = 400;
    window.height = 558;
    window.minimize_box = minimize_box;
    ASSERT_TRUE(ui_->open_window(window));
  }

  template <typename W>
  W* widget(int gadget) {
    return qobject_cast<W*>(ui_->gadget_widget(gadget));
  }

  std::unique_ptr<QtUi> ui_;
};

TEST(QtUiStart, TheProgramsParametersAreNotQts) {
  // Qt would take "-platform x" or "-style y" out of the command line; the program's own
  // parameters must reach it whole.
  char a0[] = "brinkmoor", a1[] = "-platform", a2[] = "minimal", a3[] = "-auto", a4[] = "-style";
  char* argv[] = {a0, a1, a2, a3, a4, nullptr};
  int argc = 5;
  std::unique_ptr<Ui> ui = make_qt_ui(argc, argv);
  ASSERT_NE(ui, nullptr);
  EXPECT_EQ(argc, 5);
  EXPECT_STREQ(argv[1], "-platform");
  EXPECT_STREQ(argv[2], "minimal");
  EXPECT_STREQ(argv[3], "-auto");
  EXPECT_STREQ(argv[4], "-style");
  EXPECT_EQ(QGuiApplication::platformName(), "offscreen");
}

TEST_F(QtUiTest, WindowHasItsPlaceFixedSizeAndFrameButtons) {
  for (const bool minimize : {true, false}) {
    open(minimize);
    QWidget* w = ui_->window_widget();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("Okno \xc5\x82"));
    EXPECT_EQ(w->pos(), QPoint(418, 172));
    EXPECT_EQ(w->size(), QSize(400, 558));
    EXPECT_EQ(w->minimumSize(), QSize(400, 558)) << "not resizable";
    EXPECT_EQ(w->maximumSize(), QSize(400, 558)) << "not resizable";
    const Qt::WindowFlags flags = w->windowFlags();
    EXPECT_EQ(flags.testFlag(Qt::WindowMinimizeButtonHint), minimize);
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
  }
}

TEST_F(QtUiTest, CentredWindowSitsInTheMiddleOfTheScreen) {
  WindowSpec window;
  window.title = "Actualization";
  window.width = 600;
  window.height = 480;
  window.centred = true;
  ASSERT_TRUE(ui_->open_window(window));
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect frame = ui_->window_widget()->geometry();
  EXPECT_EQ(frame.size(), QSize(600, 480));
  // Centred up to the frame's border, which the platform may add around the client area.
  const QRect outer = ui_->window_widget()->frameGeometry();
  const int slack = outer.width() - frame.width() + outer.height() - frame.height() + 1;
  EXPECT_LE(std::abs(2 * frame.x() + frame.width() - 2 * screen.x() - screen.width()), slack);
  EXPECT_LE(std::abs(2 * frame.y() + frame.height() - 2 * screen.y() - screen.height()), slack);
}

TEST_F(QtUiTest, GadgetsAreTheRightWidgetsInTheRightPlaces) {
  open();
  ui_->add_gadget({0, GadgetKind::Panel, 5, 5, 390, 550, ""});
  ui_->begin_tab(0, "Generating");
  ui_->add_gadget({1, GadgetKind::Label, 3, 13, 360, 20, "Script:"});
  ui_->add_gadget({2, GadgetKind::Editor, 3, 33, 370, 105, ""});
  ui_->add_gadget({4, GadgetKind::List, 3, 173, 370, 85, ""});
  ui_->add_gadget({6, GadgetKind::Picture, 3, 323, 375, 100, ""});
  ui_->add_gadget({7, GadgetKind::Button, 63, 263, 260, 25, "Create signature"});
  ui_->begin_tab(0, "Settings");
  ui_->add_gadget({11, GadgetKind::TextField, 163, 73, 205, 20, ""});
  ui_->add_gadget({13, GadgetKind::PasswordField, 163, 133, 205, 20, "secret"});
  ui_->add_gadget({18, GadgetKind::TrackBar, 33, 293, 320, 20, ""});
  ui_->add_gadget({20, GadgetKind::ComboBox, 33, 233, 270, 20, ""});
  ui_->end_panel();
  ui_->add_gadget({30, GadgetKind::Label, 0, 0, 10, 10, "outside"});

  auto* tabs = widget<QTabWidget>(0);
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(tabs->geometry(), QRect(5, 5, 390, 550));
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(0), "Generating");
  EXPECT_EQ(tabs->tabText(1), "Settings");
  EXPECT_EQ(tabs->currentIndex(), 0) << "the first tab is in front";

  // Gadgets belong to the tab added last before them, placed on its page.
  for (const int g : {1, 2, 4, 6, 7})
    EXPECT_EQ(ui_->gadget_widget(g)->parentWidget(), tabs->widget(0)) << g;
  for (const int g : {11, 13, 18, 20})
    EXPECT_EQ(ui_->gadget_widget(g)->parentWidget(), tabs->widget(1)) << g;
  EXPECT_EQ(ui_->gadget_widget(30)->parentWidget(), ui_->window_widget());
  EXPECT_EQ(ui_->gadget_widget(7)->geometry(), QRect(63, 263, 260, 25));
  EXPECT_EQ(ui_->gadget_widget(20)->geometry(), QRect(33, 233, 270, 20));

  auto* label = widget<QLabel>(1);
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(label->wordWrap());
  EXPECT_EQ(label->textFormat(), Qt::PlainText);
  EXPECT_EQ(label->alignment(), Qt::AlignLeft | Qt::AlignTop);
  EXPECT_EQ(label->frameShape(), QFrame::NoFrame);

  auto* editor = widget<QPlainTextEdit>(2);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(editor->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(editor->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_FALSE(editor->isReadOnly());

  auto* list = widget<QListWidget>(4);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_FALSE(list->isSortingEnabled());

  auto* picture = widget<QLabel>(6);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->alignment(), Qt::AlignLeft | Qt::AlignTop);

  EXPECT_NE(widget<QPushButton>(7), nullptr);
  auto* field = widget<QLineEdit>(11);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->echoMode(), QLineEdit::Normal);
  auto* password = widget<QLineEdit>(13);
  ASSERT_NE(password, nullptr);
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  EXPECT_EQ(ui_->text(13), "secret") << "the text is the plain text";

  auto* slider = widget<QSlider>(18);
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(slider->orientation(), Qt::Horizontal);
  EXPECT_EQ(slider->minimum(), 1);
  EXPECT_EQ(slider->maximum(), 10);
  EXPECT_EQ(slider->value(), 1);
  EXPECT_NE(slider->tickPosition(), QSlider::NoTicks);
  EXPECT_EQ(slider->tickInterval(), 1);

  auto* combo = widget<QComboBox>(20);
  ASSERT_NE(combo, nullptr);
  EXPECT_FALSE(combo->isEditable()) << "the user can only pick";
  const int row = QFontMetrics(combo->font()).height() + 4;
  EXPECT_LE(combo->maxVisibleItems() * row, 350);
  EXPECT_GT((combo->maxVisibleItems() + 1) * row, 350);
}

TEST_F(QtUiTest, LabelsShowMarkupAsPlainText) {
  open();
  ui_->add_gadget({1, GadgetKind::Label, 3, 3, 200, 40, ""});
  ui_->set_text(1, "<b>bold</b> <img src=x>");
  EXPECT_EQ(widget<QLabel>(1)->text(), "<b>bold</b> <img src=x>");
  EXPECT_EQ(widget<QLabel>(1)->textFormat(), Qt::PlainText);
}

TEST_F(QtUiTest, FontsArePointsAt96Dpi) {
  open();
  ui_->add_gadget({1, GadgetKind::Label, 3, 3, 200, 20, "Script:"});
  ui_->add_gadget({2, GadgetKind::Label, 3, 30, 200, 20, "default"});
  struct Case {
    FontSpec spec;
    int pixels;
  };
  const Case cases[] = {
      {{"Arial", 10, false, false}, 13},
      {{"Arial", 8, false, false}, 11},
      {{"Arial", 12, true, true}, 16},
  };
  for (const Case& c : cases) {
    ui_->set_gadget_font(1, c.spec);
    const QFont font = ui_->gadget_widget(1)->font();
    EXPECT_EQ(font.family(), "Arial");
    EXPECT_EQ(font.pixelSize(), c.pixels);
    EXPECT_EQ(font.bold(), c.spec.bold);
    EXPECT_EQ(font.italic(), c.spec.italic);
    // fontconfig stands Liberation Sans in for Arial.
    EXPECT_EQ(QFontInfo(font).family(), "Liberation Sans");
  }
  EXPECT_FALSE(ui_->gadget_widget(2)->testAttribute(Qt::WA_SetFont)) << "keeps the default";
}

TEST_F(QtUiTest, UserEditsComeBackAsUtf8AndUntouchedTextAsGiven) {
  open();
  ui_->add_gadget({11, GadgetKind::TextField, 3, 3, 200, 20, "u\xbfytkownik"});
  EXPECT_EQ(widget<QLineEdit>(11)->text(), QString::fromUtf8("u\xc5\xbcytkownik"));
  EXPECT_EQ(ui_->text(11), "u\xbfytkownik");
  widget<QLineEdit>(11)->setText(QString::fromUtf8("\xc5\xbc\xc3\xb3\xc5\x82w"));  // the user
  EXPECT_EQ(ui_->text(11), "\xc5\xbc\xc3\xb3\xc5\x82w");

  ui_->add_gadget({2, GadgetKind::Editor, 3, 30, 370, 100, ""});
  ui_->set_text(2, "Gracz: \xbf\xf3\xb3w\n[getstat]\nKoniec \xb9");
  auto* editor = widget<QPlainTextEdit>(2);
  // The user puts a new first line in front; the untouched lines keep their bytes.
  QTextCursor cursor(editor->document());
  cursor.insertText(QString::fromUtf8("nowa \xc4\x85\n"));
  EXPECT_EQ(ui_->count(2), 4);
  EXPECT_EQ(ui_->item(2, 0), "nowa \xc4\x85");
  EXPECT_EQ(ui_->item(2, 1), "Gracz: \xbf\xf3\xb3w");
  EXPECT_EQ(ui_->item(2, 2), "[getstat]");
  EXPECT_EQ(ui_->item(2, 3), "Koniec \xb9");
}

TEST_F(QtUiTest, EditorFollowsWhatTheUserTypes) {
  open();
  ui_->add_gadget({2, GadgetKind::Editor, 3, 30, 370, 100, ""});
  auto* editor = widget<QPlainTextEdit>(2);
  ui_->append(2, "");
  ASSERT_EQ(ui_->count(2), 1);
  editor->insertPlainText("typed");
  EXPECT_EQ(ui_->count(2), 1);
  EXPECT_EQ(ui_->item(2, 0), "typed");
  editor->selectAll();
  editor->textCursor().removeSelectedText();
  editor->clear();
  EXPECT_EQ(ui_->count(2), 0) << "an editor the user emptied holds no line";

  // Enter and Shift+Enter both start a new line.
  editor->setFocus();
  for (const auto modifiers : {Qt::NoModifier, Qt::ShiftModifier}) {
    ui_->set_text(2, "ab");
    editor->moveCursor(QTextCursor::End);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, modifiers, "\r");
    QApplication::sendEvent(editor, &press);
    editor->insertPlainText("c");
    EXPECT_EQ(ui_->count(2), 2);
    EXPECT_EQ(ui_->item(2, 1), "c");
  }
}

TEST_F(QtUiTest, BrokenPicturesClearThePictureGadget) {
  open();
  ui_->add_gadget({6, GadgetKind::Picture, 3, 3, 375, 100, ""});
  Image good;
  good.width = 2;
  good.height = 2;
  good.channels = 4;
  good.pixels.assign(16, 0x80);
  ui_->set_picture(6, good);
  EXPECT_FALSE(widget<QLabel>(6)->pixmap().isNull());
  Image broken;
  broken.width = 300;
  broken.height = 100;
  broken.pixels.assign(10, 0);  // far too few bytes
  ui_->set_picture(6, broken);
  EXPECT_TRUE(widget<QLabel>(6)->pixmap().isNull());
  ui_->set_picture(6, Image{});
  EXPECT_TRUE(widget<QLabel>(6)->pixmap().isNull());
}

TEST_F(QtUiTest, WaitEndsAtTheTimeOutWithNoEvent) {
  open();
  EXPECT_EQ(ui_->wait_event(20).kind, UiEvent::Kind::None);
  EXPECT_EQ(ui_->wait_event(-5).kind, UiEvent::Kind::None);
}

TEST_F(QtUiTest, ClickWhileWaitingEndsTheWait) {
  open();
  ui_->add_gadget({7, GadgetKind::Button, 3, 3, 100, 25, "Go"});
  QTimer::singleShot(0, widget<QPushButton>(7), &QPushButton::click);
  const UiEvent event = ui_->wait_event(60000);
  EXPECT_EQ(event.kind, UiEvent::Kind::Gadget);
  EXPECT_EQ(event.gadget, 7);
}

TEST_F(QtUiTest, CloseWindowReallyClosesIt) {
  open();
  ui_->add_gadget({1, GadgetKind::Label, 3, 3, 100, 20, "x"});
  QPointer<QWidget> window = ui_->window_widget();
  QPointer<QWidget> label = ui_->gadget_widget(1);
  ui_->close_window();
  EXPECT_TRUE(window.isNull());
  EXPECT_TRUE(label.isNull());
  EXPECT_EQ(ui_->gadget_widget(1), nullptr);
  // A new window can be opened afterwards.
  open();
  EXPECT_TRUE(ui_->window_open());
}

TEST_F(QtUiTest, PanelGivenAgainTakesItsGadgetsAlong) {
  open();
  ui_->add_gadget({0, GadgetKind::Panel, 5, 5, 390, 550, ""});
  ui_->begin_tab(0, "One");
  ui_->add_gadget({1, GadgetKind::Label, 3, 3, 100, 20, "x"});
  ui_->add_gadget({0, GadgetKind::Panel, 5, 5, 390, 550, ""});
  EXPECT_EQ(ui_->gadget_widget(1), nullptr);
  EXPECT_EQ(ui_->text(1), "");
  ui_->add_gadget({2, GadgetKind::Label, 3, 3, 100, 20, "y"});
  EXPECT_EQ(ui_->gadget_widget(2)->parentWidget(), ui_->window_widget());
}

TEST_F(QtUiTest, MessageIsAModalBoxWithOneOkButton) {
  open();
  ui_->show_window();
  QString title, text;
  int buttons = 0;
  bool modal = false;
  Qt::TextFormat format = Qt::AutoText;
  // Dismiss the real box as soon as it is up, as a user would with OK.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QMessageBox* box = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (auto* found = qobject_cast<QMessageBox*>(top); found != nullptr && found->isVisible())
        box = found;
    }
    if (box == nullptr) return;
    title = box->windowTitle();
    text = box->text();
    buttons = static_cast<int>(box->buttons().size());
    modal = box->isModal();
    format = box->textFormat();
    box->button(QMessageBox::Ok)->click();
  });
  poll.start(0);
  ui_->message("Brinkmoor.", "Unable to connect! <i>x</i>");
  poll.stop();
  EXPECT_EQ(title, "Brinkmoor.");
  EXPECT_EQ(text, "Unable to connect! <i>x</i>");
  EXPECT_EQ(buttons, 1);
  EXPECT_TRUE(modal);
  EXPECT_EQ(format, Qt::PlainText);
}

}  // namespace
}  // namespace brinkmoor
