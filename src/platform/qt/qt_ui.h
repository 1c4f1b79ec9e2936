#pragma once
// The Qt 6 Widgets implementation of the gadget interface. This header does not include Qt, so
// the programs' main() can choose between it and the in-memory one.
#include <functional>
#include <memory>
#include <string>

#include "platform/ui.h"

namespace brinkmoor {

// True when a display (X11 or Wayland) is set in the environment and can be connected to.
bool display_usable();

// Creates the application object and the Qt gadget layer; nullptr when no display is usable
// (never aborts). argc/argv must outlive the returned object.
std::unique_ptr<Ui> make_qt_ui(int& argc, char** argv);

// When set, every Qt message box of this process calls the hook instead of showing itself, and
// counts as dismissed when the hook returns. For tests that must not block on a modal box.
using QtMessageHook = std::function<void(const std::string& title, const std::string& text)>;
void set_qt_message_hook(QtMessageHook hook);

}  // namespace brinkmoor
