#pragma once
// The one small interface between the program and its windows: a window of numbered gadgets,
// modal messages and the event wait. It has two implementations: the Qt one (platform/qt) and
// an in-memory one (MemoryUi) used by the tests and by unattended runs without a display.
//
// Every implementation follows the same gadget rules, which the rest of the program relies on:
// - Editor: the line count is 0 when it holds no text, unless an empty line was appended to the
//   empty editor (then 1); otherwise the number of lines, a last empty line after a final line
//   break included. Appending to an editor that holds text inserts a line break first.
// - List and ComboBox: state is the selected entry's index from 0, or -1 when none is selected;
//   setting a state that is not an entry's index leaves none selected. Text is the selected
//   entry's text, or empty with no selection.
// - TrackBar: state is the value, clamped into the range (1 to 10 unless set otherwise).
#include <string>

namespace brinkmoor {

struct Image;
struct FontSpec;

enum class GadgetKind {
  Panel,
  Label,
  Editor,
  List,
  Picture,
  Button,
  TextField,
  PasswordField,
  TrackBar,
  ComboBox,
};

struct WindowSpec {
  std::string title;
  int x = 0;
  int y = 0;
  int width = 0;   // client area
  int height = 0;  // client area
  bool centred = false;
  bool minimize_box = false;
  // false: created but not shown. true: shown at once, unless this process was started hidden,
  // in which case the first show request is taken as hidden (show_window() shows it later).
  bool visible = true;
};

struct GadgetSpec {
  int number = 0;
  GadgetKind kind = GadgetKind::Label;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  std::string text;  // initial text (label, button, field)
};

struct UiEvent {
  enum class Kind { None, Gadget, Close };
  Kind kind = Kind::None;
  int gadget = -1;
};

class Ui {
 public:
  virtual ~Ui() = default;

  // Window 0. False when it cannot be created; then no gadget exists.
  virtual bool open_window(const WindowSpec& spec) = 0;
  virtual bool window_open() const = 0;
  virtual void show_window() = 0;
  virtual void close_window() = 0;

  // Gadgets created after begin_tab go into that tab of the panel; after end_panel they go
  // into the window itself.
  virtual void add_gadget(const GadgetSpec& spec) = 0;
  virtual void begin_tab(int panel, const std::string& title) = 0;
  virtual void end_panel() = 0;
  virtual void set_gadget_font(int gadget, const FontSpec& font) = 0;

  virtual std::string text(int gadget) const = 0;
  virtual void set_text(int gadget, const std::string& text) = 0;
  virtual int state(int gadget) const = 0;
  virtual void set_state(int gadget, int state) = 0;
  // Entries of a list or drop-down list, lines of an editor.
  virtual int count(int gadget) const = 0;
  virtual std::string item(int gadget, int index) const = 0;
  virtual void append(int gadget, const std::string& text) = 0;
  virtual void set_picture(int gadget, const Image& picture) = 0;

  // A modal message with one OK button; returns when it is dismissed.
  virtual void message(const std::string& title, const std::string& text) = 0;
  // The next event, waiting at most timeout_ms.
  virtual UiEvent wait_event(int timeout_ms) = 0;
};

}  // namespace brinkmoor
