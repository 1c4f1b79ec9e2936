#pragma once
// The gadget rules without a toolkit. Tests drive it directly; an unattended run on a machine
// without a display uses it with echo on: every message becomes one line "[TITLE] TEXT" on
// standard error, and every text change of the echo gadget (the status line) one line on
// standard output.
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/font.h"
#include "platform/image.h"
#include "platform/ui.h"

namespace brinkmoor {

class MemoryUi : public Ui {
 public:
  struct Gadget {
    GadgetKind kind = GadgetKind::Label;
    int x = 0, y = 0, width = 0, height = 0;
    int tab = -1;  // index of the panel tab it belongs to, -1 for the window
    std::string text;
    std::vector<std::string> entries;  // list and drop-down entries, editor lines
    bool editor_has_line = false;      // the editor holds at least one (maybe empty) line
    int state = -1;
    int min = 1, max = 10;
    bool has_font = false;
    FontSpec font;
    std::shared_ptr<Image> picture;
  };
  struct Message {
    std::string title;
    std::string text;
  };

  explicit MemoryUi(bool echo = false) : echo_(echo) {}

  // Test and run-time configuration.
  void set_fail_open(bool fail) { fail_open_ = fail; }
  void set_echo_gadget(int gadget) { echo_gadget_ = gadget; }
  void set_start_hidden(bool hidden) { start_hidden_ = hidden; }
  void post_event(UiEvent event) { events_.push_back(event); }
  // Called while a message is "on screen", before message() returns.
  void set_message_hook(std::function<void(const Message&)> hook) { hook_ = std::move(hook); }

  const std::vector<Message>& messages() const { return messages_; }
  bool has_gadget(int number) const { return gadgets_.count(number) != 0; }
  const Gadget& gadget(int number) const { return gadgets_.at(number); }
  const std::vector<int>& creation_order() const { return order_; }
  const std::vector<std::string>& tabs() const { return tabs_; }
  const WindowSpec& window_spec() const { return window_; }
  bool window_visible() const { return visible_; }
  bool window_ever_visible() const { return ever_visible_; }

  bool open_window(const WindowSpec& spec) override;
  bool window_open() const override { return open_; }
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

 private:
  Gadget* find(int number);
  const Gadget* find(int number) const;

  bool echo_ = false;
  bool fail_open_ = false;
  bool start_hidden_ = false;
  bool open_ = false;
  bool visible_ = false;
  bool ever_visible_ = false;
  bool first_show_done_ = false;
  int echo_gadget_ = -1;
  int current_tab_ = -1;
  WindowSpec window_;
  std::map<int, Gadget> gadgets_;
  std::vector<int> order_;
  std::vector<std::string> tabs_;
  std::vector<Message> messages_;
  std::deque<UiEvent> events_;
  std::function<void(const Message&)> hook_;
};

}  // namespace brinkmoor
