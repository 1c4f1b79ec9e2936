// The Qt window layer as a module of its own, loaded by load_window_ui() only when a display is
// there: an unattended run without a display never maps the toolkit's libraries.
#include "platform/qt/qt_ui.h"

extern "C" __attribute__((visibility("default"))) brinkmoor::Ui* brinkmoor_make_qt_ui(int* argc,
                                                                                      char** argv) {
  return brinkmoor::make_qt_ui(*argc, argv).release();
}
