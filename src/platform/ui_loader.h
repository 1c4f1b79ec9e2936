#pragma once
// Chooses the programs' window layer at run time.
#include <memory>

#include "platform/ui.h"

namespace brinkmoor {

// The Qt window layer, loaded from its module, when a display is usable; nullptr otherwise
// (no display in the environment, no module, or a display that cannot be connected to).
// argc/argv must outlive the returned object.
std::unique_ptr<Ui> load_window_ui(int& argc, char** argv);

}  // namespace brinkmoor
