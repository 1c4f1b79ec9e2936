#pragma once
// The Qt gadget layer's class, for the code in this folder and for tests that look at the
// widgets themselves. This header includes Qt; the rest of the program only sees qt_ui.h.
#include <QString>
#include <deque>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/font.h"
#include "platform/image.h"
#include "platform/qt/qt_ui.h"
#include "platform/ui.h"

class QEventLoop;
class QWidget;

namespace brinkmoor {

// The platform plugin entry ("xcb", "wayland", "offscreen:...") that Qt can start with here, or
// empty text when there is none.
std::string usable_qt_platform();

// Font sizes are points at 96 dots per inch whatever the screen reports, so that text fits the
// gadgets' fixed pixel sizes everywhere.
int font_pixel_size(int points);

class QtUi : public Ui {
 public:
  QtUi();
  ~QtUi() override;
  QtUi(const QtUi&) = delete;
  QtUi& operator=(const QtUi&) = delete;

  bool open_window(const WindowSpec& spec) override;
  bool window_open() const override { return window_ != nullptr; }
  void show_window() override;
  void close_window() override;
  void add_gadget(const GadgetSpec& spec) override;
  void begin_tab(int panel, const std::string& title) override;
  void end_panel() override;
  void set_gadget_font(int gadget, const FontSpec& font) override;
  std::string text(int gadget) const override;
  void set_text(int gadget, const std::string& text) override;
  int state(int gadget) const override;
  void set_state(int gadget, int state) override;
  int count(int gadget) const override;
  std::string item(int gadget, int index) const override;
  void append(int gadget, const std::string& text) override;
  void set_picture(int gadget, const Image& picture) override;
  void message(const std::string& title, const std::string& text) override;
  UiEvent wait_event(int timeout_ms) override;

  // The widgets, for tests that inspect them: the window (nullptr when none is open) and a
  // gadget's widget (nullptr when there is no such gadget).
  QWidget* window_widget() const { return window_; }
  QWidget* gadget_widget(int number) const;
  // The tab page that gadgets go into now, or the window.
  QWidget* current_parent() const { return parent_; }

 private:
  struct Gadget {
    GadgetKind kind = GadgetKind::Label;
    QWidget* widget = nullptr;
    // The bytes last given as the text, and their UTF-8 form: handed back unchanged while
    // the widget still shows that text, so that Windows-1250 text survives a round trip.
    std::string given;
    std::string given_utf8;
    // Editor: the same for each line, by the line's UTF-8 form (only lines that were not
    // UTF-8 already).
    std::unordered_map<std::string, std::string> line_bytes;
    // Editor: an empty line was appended to the empty editor; it then counts one line.
    bool empty_line = false;
    // List and drop-down entries as given.
    std::vector<std::string> entries;
    // The state of kinds that show none (label, button, ...).
    int state = -1;
  };

  Gadget* find(int number);
  const Gadget* find(int number) const;
  std::string bytes_of(const Gadget& g, const QString& shown) const;
  std::string editor_line(const Gadget& g, int index) const;
  void remember_lines(Gadget& g, const std::string& text);
  void push_event(UiEvent event);
  void destroy_window();
  void remove_gadget(int number, QWidget* widget);

  QWidget* window_ = nullptr;
  QWidget* parent_ = nullptr;
  bool first_show_done_ = false;
  bool editing_ = false;  // the program itself is changing an editor
  std::map<int, Gadget> gadgets_;
  std::deque<UiEvent> events_;
  QEventLoop* waiting_ = nullptr;
};

}  // namespace brinkmoor
