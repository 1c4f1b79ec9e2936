#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <utility>

#include "platform/encoding.h"
#include "platform/process.h"
#include "platform/qt/qt_ui_impl.h"

namespace brinkmoor {
namespace {

// A drop-down list opens to at most this height.
constexpr int kDropDownHeight = 350;

QtMessageHook& message_hook() {
  static QtMessageHook hook;
  return hook;
}

QString to_qstring(const std::string& bytes) {
  return QString::fromUtf8(to_utf8(bytes));
}

// The top-level window. Its close box only reports the request; the program decides when the
// window really goes (close_window).
class Frame : public QWidget {
 public:
  explicit Frame(std::function<void()> on_close_request)
      : on_close_request_(std::move(on_close_request)) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    on_close_request_();
  }

 private:
  std::function<void()> on_close_request_;
};

// The multi-line editor keeps one script line per block: Shift+Enter, which would put a soft
// line break inside a block, starts a new line like Enter.
class Editor : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & Qt::ShiftModifier)) {
      QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                      event->text(), event->isAutoRepeat(), event->count());
      QPlainTextEdit::keyPressEvent(&plain);
      event->setAccepted(plain.isAccepted());
      return;
    }
    QPlainTextEdit::keyPressEvent(event);
  }
};

void fit_drop_down(QComboBox* combo) {
  const int row = QFontMetrics(combo->font()).height() + 4;
  combo->setMaxVisibleItems(std::max(1, kDropDownHeight / row));
}

QImage to_qimage(const Image& picture) {
  if (picture.width <= 0 || picture.height <= 0) return {};
  if (picture.channels != 3 && picture.channels != 4) return {};
  const size_t row = static_cast<size_t>(picture.width) * picture.channels;
  if (picture.pixels.size() < row * static_cast<size_t>(picture.height)) return {};
  const QImage view(picture.pixels.data(), picture.width, picture.height,
                    static_cast<qsizetype>(row),
                    picture.channels == 3 ? QImage::Format_RGB888 : QImage::Format_RGBA8888);
  return view.copy();  // the label keeps its own pixels
}

}  // namespace

int font_pixel_size(int points) {
  return std::max(1, (points * 96 + 36) / 72);
}

void set_qt_message_hook(QtMessageHook hook) {
  message_hook() = std::move(hook);
}

std::unique_ptr<Ui> make_qt_ui(int& argc, char** argv) {
  const std::string platform = usable_qt_platform();
  if (platform.empty()) return nullptr;
  if (QCoreApplication::instance() == nullptr) {
    // Qt is given only the program's name and the platform that was found usable: the
    // program's own parameters are not Qt's to interpret or remove.
    static std::string name;
    static std::string platform_arg;
    static char* app_argv[4];
    static int app_argc = 3;
    name = argc > 0 && argv != nullptr && argv[0] != nullptr ? argv[0] : "brinkmoor";
    platform_arg = platform;
    static char platform_flag[] = "-platform";
    app_argv[0] = name.data();
    app_argv[1] = platform_flag;
    app_argv[2] = platform_arg.data();
    app_argv[3] = nullptr;
    // Lives until the process ends; the windows are closed by the program before that.
    auto* app = new QApplication(app_argc, app_argv);
    app->setQuitOnLastWindowClosed(false);
  } else if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    return nullptr;
  }
  return std::make_unique<QtUi>();
}

QtUi::QtUi() = default;

QtUi::~QtUi() {
  destroy_window();
}

QtUi::Gadget* QtUi::find(int number) {
  auto it = gadgets_.find(number);
  return it == gadgets_.end() ? nullptr : &it->second;
}

const QtUi::Gadget* QtUi::find(int number) const {
  auto it = gadgets_.find(number);
  return it == gadgets_.end() ? nullptr : &it->second;
}

QWidget* QtUi::gadget_widget(int number) const {
  const Gadget* g = find(number);
  return g == nullptr ? nullptr : g->widget;
}

void QtUi::destroy_window() {
  gadgets_.clear();
  events_.clear();
  parent_ = nullptr;
  delete window_;
  window_ = nullptr;
}

void QtUi::remove_gadget(int number, QWidget* widget) {
  // A gadget number given again replaces its gadget; a panel takes its pages' gadgets along.
  for (auto it = gadgets_.begin(); it != gadgets_.end();) {
    if (it->first == number || widget->isAncestorOf(it->second.widget)) {
      it = gadgets_.erase(it);
    } else {
      ++it;
    }
  }
  if (widget->isAncestorOf(parent_)) parent_ = window_;
  delete widget;
}

bool QtUi::open_window(const WindowSpec& spec) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return false;
  destroy_window();
  auto* frame = new Frame([this] { push_event({UiEvent::Kind::Close, -1}); });
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (spec.minimize_box) flags |= Qt::WindowMinimizeButtonHint;
  frame->setWindowFlags(flags);
  frame->setWindowTitle(to_qstring(spec.title));
  frame->setFixedSize(spec.width, spec.height);
  if (spec.centred) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect area = screen->availableGeometry();
      frame->move(area.x() + (area.width() - spec.width) / 2,
                  area.y() + (area.height() - spec.height) / 2);
    }
  } else {
    frame->move(spec.x, spec.y);  // a top-level widget's position is that of its frame
  }
  window_ = frame;
  parent_ = frame;
  if (spec.visible) show_window();
  return true;
}

void QtUi::show_window() {
  if (window_ == nullptr) return;
  // A process started hidden takes its first show request as a hidden one.
  if (!first_show_done_) {
    first_show_done_ = true;
    if (started_hidden()) return;
  }
  window_->show();
}

void QtUi::close_window() {
  destroy_window();
}

void QtUi::add_gadget(const GadgetSpec& spec) {
  if (window_ == nullptr || parent_ == nullptr) return;
  if (Gadget* old = find(spec.number)) remove_gadget(spec.number, old->widget);
  Gadget g;
  g.kind = spec.kind;
  const QString text = to_qstring(spec.text);
  const int number = spec.number;
  QWidget* w = nullptr;
  switch (spec.kind) {
    case GadgetKind::Panel:
      w = new QTabWidget(parent_);
      break;
    case GadgetKind::Label: {
      auto* label = new QLabel(parent_);
      label->setTextFormat(Qt::PlainText);  // status texts may carry page text: never markup
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setFrameShape(QFrame::NoFrame);
      label->setText(text);
      w = label;
      break;
    }
    case GadgetKind::Editor: {
      auto* editor = new Editor(parent_);
      editor->setLineWrapMode(QPlainTextEdit::NoWrap);
      editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      editor->setTabChangesFocus(false);
      QObject::connect(editor, &QPlainTextEdit::textChanged, editor, [this, number] {
        // Once the user edits the text, only what the editor holds counts.
        if (editing_) return;
        if (Gadget* edited = find(number)) edited->empty_line = false;
      });
      w = editor;
      break;
    }
    case GadgetKind::List: {
      auto* list = new QListWidget(parent_);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setSortingEnabled(false);
      w = list;
      break;
    }
    case GadgetKind::Picture: {
      auto* picture = new QLabel(parent_);
      picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      picture->setFrameShape(QFrame::NoFrame);
      w = picture;
      break;
    }
    case GadgetKind::Button: {
      auto* button = new QPushButton(text, parent_);
      button->setAutoDefault(false);
      QObject::connect(button, &QPushButton::clicked, button, [this, number] {
        push_event({UiEvent::Kind::Gadget, number});
      });
      w = button;
      break;
    }
    case GadgetKind::TextField:
    case GadgetKind::PasswordField: {
      auto* field = new QLineEdit(text, parent_);
      if (spec.kind == GadgetKind::PasswordField) field->setEchoMode(QLineEdit::Password);
      w = field;
      break;
    }
    case GadgetKind::TrackBar: {
      auto* slider = new QSlider(Qt::Horizontal, parent_);
      slider->setRange(1, 10);
      slider->setValue(1);
      slider->setTickPosition(QSlider::TicksBelow);
      slider->setTickInterval(1);
      slider->setSingleStep(1);
      slider->setPageStep(2);  // a fifth of the range, as track bars usually page
      w = slider;
      break;
    }
    case GadgetKind::ComboBox: {
      auto* combo = new QComboBox(parent_);
      combo->setEditable(false);
      combo->setCurrentIndex(-1);
      fit_drop_down(combo);
      w = combo;
      break;
    }
  }
  w->setGeometry(spec.x, spec.y, spec.width, spec.height);
  switch (spec.kind) {
    case GadgetKind::Label:
    case GadgetKind::Button:
    case GadgetKind::TextField:
    case GadgetKind::PasswordField:
    case GadgetKind::Panel:
    case GadgetKind::Picture:
    case GadgetKind::TrackBar:
      g.given = spec.text;
      g.given_utf8 = to_utf8(spec.text);
      break;
    case GadgetKind::Editor: {
      const std::string lines = normalise_line_breaks(spec.text);
      editing_ = true;
      static_cast<QPlainTextEdit*>(w)->setPlainText(to_qstring(lines));
      editing_ = false;
      remember_lines(g, lines);
      break;
    }
    case GadgetKind::List:
    case GadgetKind::ComboBox:
      break;
  }
  g.widget = w;
  // A window that is already on screen shows gadgets added later at once.
  if (parent_->isVisible()) w->show();
  gadgets_[number] = std::move(g);
}

void QtUi::begin_tab(int panel, const std::string& title) {
  Gadget* g = find(panel);
  if (g == nullptr || g->kind != GadgetKind::Panel) return;
  auto* tabs = static_cast<QTabWidget*>(g->widget);
  auto* page = new QWidget;
  tabs->addTab(page, to_qstring(title));
  parent_ = page;
}

void QtUi::end_panel() {
  parent_ = window_;
}

void QtUi::set_gadget_font(int gadget, const FontSpec& font) {
  Gadget* g = find(gadget);
  if (g == nullptr) return;
  QFont f(to_qstring(font.name));
  f.setPixelSize(font_pixel_size(font.size_pt));
  f.setBold(font.bold);
  f.setItalic(font.italic);
  g->widget->setFont(f);
  if (g->kind == GadgetKind::ComboBox) fit_drop_down(static_cast<QComboBox*>(g->widget));
}

std::string QtUi::bytes_of(const Gadget& g, const QString& shown) const {
  std::string utf8 = shown.toUtf8().toStdString();
  if (utf8 == g.given_utf8) return g.given;
  return utf8;
}

void QtUi::remember_lines(Gadget& g, const std::string& text) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    std::string utf8 = to_utf8(line);
    if (utf8 != line) g.line_bytes[std::move(utf8)] = std::move(line);
    start = end + 1;
  }
}

std::string QtUi::editor_line(const Gadget& g, int index) const {
  const auto* editor = static_cast<const QPlainTextEdit*>(g.widget);
  const QTextBlock block = editor->document()->findBlockByNumber(index);
  if (!block.isValid()) return {};
  std::string utf8 = block.text().toUtf8().toStdString();
  auto it = g.line_bytes.find(utf8);
  return it == g.line_bytes.end() ? utf8 : it->second;
}

std::string QtUi::text(int gadget) const {
  const Gadget* g = find(gadget);
  if (g == nullptr) return {};
  switch (g->kind) {
    case GadgetKind::Label:
      return bytes_of(*g, static_cast<const QLabel*>(g->widget)->text());
    case GadgetKind::Button:
      return bytes_of(*g, static_cast<const QPushButton*>(g->widget)->text());
    case GadgetKind::TextField:
    case GadgetKind::PasswordField:
      return bytes_of(*g, static_cast<const QLineEdit*>(g->widget)->text());
    case GadgetKind::Editor: {
      std::string out;
      const int lines = count(gadget);
      for (int i = 0; i < lines; ++i) {
        if (i > 0) out.push_back('\n');
        out += editor_line(*g, i);
      }
      return out;
    }
    case GadgetKind::List:
    case GadgetKind::ComboBox: {
      const int selected = state(gadget);
      return selected >= 0 && selected < static_cast<int>(g->entries.size()) ? g->entries[selected]
                                                                             : std::string();
    }
    case GadgetKind::Panel:
    case GadgetKind::Picture:
    case GadgetKind::TrackBar:
      return g->given;
  }
  return {};
}

void QtUi::set_text(int gadget, const std::string& text) {
  Gadget* g = find(gadget);
  if (g == nullptr) return;
  switch (g->kind) {
    case GadgetKind::Label:
      static_cast<QLabel*>(g->widget)->setText(to_qstring(text));
      break;
    case GadgetKind::Button:
      static_cast<QPushButton*>(g->widget)->setText(to_qstring(text));
      break;
    case GadgetKind::TextField:
    case GadgetKind::PasswordField:
      static_cast<QLineEdit*>(g->widget)->setText(to_qstring(text));
      break;
    case GadgetKind::Editor: {
      const std::string lines = normalise_line_breaks(text);
      g->line_bytes.clear();
      g->empty_line = false;
      editing_ = true;
      static_cast<QPlainTextEdit*>(g->widget)->setPlainText(to_qstring(lines));
      editing_ = false;
      remember_lines(*g, lines);
      return;
    }
    case GadgetKind::List:
    case GadgetKind::ComboBox:
      return;  // their text is the selected entry's
    case GadgetKind::Panel:
    case GadgetKind::Picture:
    case GadgetKind::TrackBar:
      break;
  }
  g->given = text;
  g->given_utf8 = to_utf8(text);
}

int QtUi::state(int gadget) const {
  const Gadget* g = find(gadget);
  if (g == nullptr) return 0;
  switch (g->kind) {
    case GadgetKind::List: {
      const auto* list = static_cast<const QListWidget*>(g->widget);
      const QList<QListWidgetItem*> selected = list->selectedItems();
      return selected.isEmpty() ? -1 : list->row(selected.front());
    }
    case GadgetKind::ComboBox:
      return static_cast<const QComboBox*>(g->widget)->currentIndex();
    case GadgetKind::TrackBar:
      return static_cast<const QSlider*>(g->widget)->value();
    default:
      return g->state;
  }
}

void QtUi::set_state(int gadget, int state) {
  Gadget* g = find(gadget);
  if (g == nullptr) return;
  switch (g->kind) {
    case GadgetKind::List: {
      auto* list = static_cast<QListWidget*>(g->widget);
      if (state >= 0 && state < list->count()) {
        list->setCurrentRow(state, QItemSelectionModel::ClearAndSelect);
      } else {
        list->clearSelection();
        list->setCurrentRow(-1);
      }
      break;
    }
    case GadgetKind::ComboBox: {
      auto* combo = static_cast<QComboBox*>(g->widget);
      combo->setCurrentIndex(state >= 0 && state < combo->count() ? state : -1);
      break;
    }
    case GadgetKind::TrackBar: {
      auto* slider = static_cast<QSlider*>(g->widget);
      slider->setValue(std::clamp(state, slider->minimum(), slider->maximum()));
      break;
    }
    default:
      g->state = state;
      break;
  }
}

int QtUi::count(int gadget) const {
  const Gadget* g = find(gadget);
  if (g == nullptr) return 0;
  if (g->kind == GadgetKind::Editor) {
    // Qt keeps one empty block in an empty document; the editor counts it only when an empty
    // line was appended.
    const QTextDocument* doc = static_cast<const QPlainTextEdit*>(g->widget)->document();
    if (doc->isEmpty()) return g->empty_line ? 1 : 0;
    return doc->blockCount();
  }
  return static_cast<int>(g->entries.size());
}

std::string QtUi::item(int gadget, int index) const {
  const Gadget* g = find(gadget);
  if (g == nullptr || index < 0 || index >= count(gadget)) return {};
  if (g->kind == GadgetKind::Editor) return editor_line(*g, index);
  return g->entries[index];
}

void QtUi::append(int gadget, const std::string& text) {
  Gadget* g = find(gadget);
  if (g == nullptr) return;
  switch (g->kind) {
    case GadgetKind::Editor: {
      const std::string line = normalise_line_breaks(text);
      QTextDocument* doc = static_cast<QPlainTextEdit*>(g->widget)->document();
      const bool has_line = !doc->isEmpty() || g->empty_line;
      QString insert = to_qstring(line);
      if (has_line) insert.prepend(QLatin1Char('\n'));
      if (insert.isEmpty()) {
        g->empty_line = true;  // one empty line in an empty editor
      } else {
        editing_ = true;
        QTextCursor cursor(doc);
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(insert);
        editing_ = false;
      }
      remember_lines(*g, line);
      break;
    }
    case GadgetKind::List:
      static_cast<QListWidget*>(g->widget)->addItem(to_qstring(text));
      g->entries.push_back(text);
      break;
    case GadgetKind::ComboBox: {
      // Qt selects the first entry added to an empty box; a drop-down list here starts with
      // none selected until the program picks one.
      auto* combo = static_cast<QComboBox*>(g->widget);
      const int selected = combo->currentIndex();
      combo->addItem(to_qstring(text));
      if (combo->currentIndex() != selected) combo->setCurrentIndex(selected);
      g->entries.push_back(text);
      break;
    }
    default:
      g->entries.push_back(text);
      break;
  }
}

void QtUi::set_picture(int gadget, const Image& picture) {
  Gadget* g = find(gadget);
  if (g == nullptr || g->kind != GadgetKind::Picture) return;
  auto* label = static_cast<QLabel*>(g->widget);
  const QImage image = to_qimage(picture);
  if (image.isNull()) {
    label->clear();
  } else {
    label->setPixmap(QPixmap::fromImage(image));
  }
}

void QtUi::message(const std::string& title, const std::string& text) {
  if (message_hook()) {
    message_hook()(title, text);
    return;
  }
  QWidget* parent = window_ != nullptr && window_->isVisible() ? window_ : nullptr;
  QMessageBox box(QMessageBox::NoIcon, to_qstring(title), to_qstring(text), QMessageBox::Ok,
                  parent);
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

void QtUi::push_event(UiEvent event) {
  events_.push_back(event);
  if (waiting_ != nullptr) waiting_->quit();
}

UiEvent QtUi::wait_event(int timeout_ms) {
  // Events that already arrived (a click queued while an operation ran) come first.
  QCoreApplication::processEvents();
  if (events_.empty() && timeout_ms > 0) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeout_ms);
    waiting_ = &loop;
    loop.exec();
    waiting_ = nullptr;
  }
  if (events_.empty()) return {};
  const UiEvent event = events_.front();
  events_.pop_front();
  return event;
}

}  // namespace brinkmoor
