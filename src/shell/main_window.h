#pragma once
// MainWindow: its gadgets by number, and the function that builds it.
#include "platform/font.h"

namespace brinkmoor {

struct AppContext;

enum MainGadget : int {
  MainPanel = 0,
  ScriptLabel = 1,
  ScriptEditor = 2,
  BackgroundLabel = 3,
  BackgroundList = 4,
  PreviewLabel = 5,
  PreviewImage = 6,
  CreateButton = 7,
  ServerLabel = 8,
  UserLabel = 9,
  PasswordLabel = 10,
  ServerField = 11,
  UserField = 12,
  PasswordField = 13,
  UploadButton = 14,
  CheckConnectionButton = 15,
  StatusText = 16,
  QualityLabel = 17,
  QualitySlider = 18,
  FileTypeLabel = 19,
  FileTypeCombo = 20,
  UploadMethodLabel = 21,
  UploadMethodCombo = 22,
  ColorsLabel = 23,
  ColorsCombo = 24,
};

// "Arial" 10: the gadgets' font.
FontSpec ui_font_spec();

// Creates MainWindow with all its gadgets, hidden or shown. False when the window cannot be
// created; then no gadget exists.
bool open_main_window(AppContext& ctx, bool hidden);

}  // namespace brinkmoor
