#include "platform/memory_ui.h"

#include <algorithm>
#include <cstdio>

#include "platform/encoding.h"

namespace brinkmoor {
namespace {

bool is_selectable(GadgetKind kind) {
  return kind == GadgetKind::List || kind == GadgetKind::ComboBox;
}

}  // namespace

MemoryUi::Gadget* MemoryUi::find(int number) {
  auto it = gadgets_.find(number);
  return it == gadgets_.end() ? nullptr : &it->second;
}

const MemoryUi::Gadget* MemoryUi::find(int number) const {
  auto it = gadgets_.find(number);
  return it == gadgets_.end() ? nullptr : &it->second;
}

bool MemoryUi::open_window(const WindowSpec& spec) {
  if (fail_open_) return false;
  window_ = spec;
  open_ = true;
  gadgets_.clear();
  order_.clear();
  tabs_.clear();
  current_tab_ = -1;
  if (spec.visible) show_window();
  return true;
}

void MemoryUi::show_window() {
  if (!open_) return;
  // A process started hidden takes its first show request as a hidden one.
  if (!first_show_done_) {
    first_show_done_ = true;
    if (start_hidden_) return;
  }
  visible_ = true;
  ever_visible_ = true;
}

void MemoryUi::close_window() {
  open_ = false;
  visible_ = false;
  gadgets_.clear();
}

void MemoryUi::add_gadget(const GadgetSpec& spec) {
  if (!open_) return;
  Gadget g;
  g.kind = spec.kind;
  g.x = spec.x;
  g.y = spec.y;
  g.width = spec.width;
  g.height = spec.height;
  g.tab = current_tab_;
  g.text = spec.kind == GadgetKind::Editor ? normalise_line_breaks(spec.text) : spec.text;
  if (spec.kind == GadgetKind::Editor) g.editor_has_line = !g.text.empty();
  g.state = spec.kind == GadgetKind::TrackBar ? 1 : -1;
  gadgets_[spec.number] = std::move(g);
  order_.push_back(spec.number);
}

void MemoryUi::begin_tab(int panel, const std::string& title) {
  if (!find(panel)) return;
  tabs_.push_back(title);
  current_tab_ = static_cast<int>(tabs_.size()) - 1;
}

void MemoryUi::end_panel() {
  current_tab_ = -1;
}

void MemoryUi::set_gadget_font(int gadget, const FontSpec& font) {
  if (Gadget* g = find(gadget)) {
    g->has_font = true;
    g->font = font;
  }
}

std::string MemoryUi::text(int gadget) const {
  const Gadget* g = find(gadget);
  if (!g) return {};
  if (is_selectable(g->kind)) {
    return g->state >= 0 && g->state < static_cast<int>(g->entries.size()) ? g->entries[g->state]
                                                                           : std::string();
  }
  return g->text;
}

void MemoryUi::set_text(int gadget, const std::string& text) {
  Gadget* g = find(gadget);
  if (!g) return;
  if (g->kind == GadgetKind::Editor) {
    g->text = normalise_line_breaks(text);
    g->editor_has_line = !g->text.empty();
  } else if (!is_selectable(g->kind)) {
    g->text = text;
  }
  if (gadget == echo_gadget_ && echo_) {
    std::fprintf(stdout, "%s\n", text.c_str());
    std::fflush(stdout);
  }
}

int MemoryUi::state(int gadget) const {
  const Gadget* g = find(gadget);
  return g ? g->state : 0;
}

void MemoryUi::set_state(int gadget, int state) {
  Gadget* g = find(gadget);
  if (!g) return;
  if (is_selectable(g->kind)) {
    g->state = state >= 0 && state < static_cast<int>(g->entries.size()) ? state : -1;
  } else if (g->kind == GadgetKind::TrackBar) {
    g->state = std::clamp(state, g->min, g->max);
  } else {
    g->state = state;
  }
}

int MemoryUi::count(int gadget) const {
  const Gadget* g = find(gadget);
  if (!g) return 0;
  if (g->kind == GadgetKind::Editor) {
    if (!g->editor_has_line) return 0;
    return static_cast<int>(std::count(g->text.begin(), g->text.end(), '\n')) + 1;
  }
  return static_cast<int>(g->entries.size());
}

std::string MemoryUi::item(int gadget, int index) const {
  const Gadget* g = find(gadget);
  if (!g || index < 0) return {};
  if (g->kind == GadgetKind::Editor) {
    if (!g->editor_has_line) return {};
    // Walk to the line without splitting the whole text.
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
      const auto nl = g->text.find('\n', start);
      if (nl == std::string::npos) return {};
      start = nl + 1;
    }
    const auto nl = g->text.find('\n', start);
    return g->text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
  }
  return index < static_cast<int>(g->entries.size()) ? g->entries[index] : std::string();
}

void MemoryUi::append(int gadget, const std::string& text) {
  Gadget* g = find(gadget);
  if (!g) return;
  if (g->kind == GadgetKind::Editor) {
    if (g->editor_has_line) g->text.push_back('\n');
    g->text += normalise_line_breaks(text);
    g->editor_has_line = true;
  } else {
    g->entries.push_back(text);
  }
}

void MemoryUi::set_picture(int gadget, const Image& picture) {
  if (Gadget* g = find(gadget)) g->picture = std::make_shared<Image>(picture);
}

void MemoryUi::message(const std::string& title, const std::string& text) {
  messages_.push_back({title, text});
  if (echo_) {
    std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
  }
  if (hook_) hook_(messages_.back());
}

UiEvent MemoryUi::wait_event(int /*timeout_ms*/) {
  // Nobody can act on an in-memory window, so there is nothing to wait for.
  if (events_.empty()) return {};
  UiEvent e = events_.front();
  events_.pop_front();
  return e;
}

}  // namespace brinkmoor
