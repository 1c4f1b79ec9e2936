#include "shell/main_window.h"

#include "shell/context.h"

namespace brinkmoor {
namespace {

struct Row {
  int number;
  GadgetKind kind;
  int x, y, width, height;
  const char* text;
  bool ui_font;
};

constexpr Row kGeneratingTab[] = {
    {ScriptLabel, GadgetKind::Label, 3, 13, 360, 20, "Script:", true},
    {ScriptEditor, GadgetKind::Editor, 3, 33, 370, 105, "", true},
    {BackgroundLabel, GadgetKind::Label, 3, 153, 360, 20, "Background image:", true},
    {BackgroundList, GadgetKind::List, 3, 173, 370, 85, "", true},
    {PreviewLabel, GadgetKind::Label, 3, 293, 325, 25, "Preview:", true},
    {PreviewImage, GadgetKind::Picture, 3, 323, 375, 100, "", false},
    {CreateButton, GadgetKind::Button, 63, 263, 260, 25, "Create signature", true},
    {UploadButton, GadgetKind::Button, 48, 443, 300, 25, "Upload file", true},
    {StatusText, GadgetKind::Label, 3, 473, 375, 40, "Status.", true},
};

constexpr Row kSettingsTab[] = {
    {ServerLabel, GadgetKind::Label, 13, 73, 145, 15, "Server:", true},
    {UserLabel, GadgetKind::Label, 13, 103, 145, 15, "User:", true},
    {PasswordLabel, GadgetKind::Label, 13, 133, 145, 15, "Password:", true},
    {ServerField, GadgetKind::TextField, 163, 73, 205, 20, "", true},
    {UserField, GadgetKind::TextField, 163, 103, 205, 20, "", true},
    {PasswordField, GadgetKind::PasswordField, 163, 133, 205, 20, "", true},
    {CheckConnectionButton, GadgetKind::Button, 43, 163, 300, 30, "Check connection", true},
    {QualityLabel, GadgetKind::Label, 33, 273, 310, 20, "Image quality (low -medium - high)", true},
    {QualitySlider, GadgetKind::TrackBar, 33, 293, 320, 20, "", false},
    {FileTypeLabel, GadgetKind::Label, 33, 213, 270, 20, "Save as .. filetype:", true},
    {FileTypeCombo, GadgetKind::ComboBox, 33, 233, 270, 20, "", true},
    {UploadMethodLabel, GadgetKind::Label, 13, 13, 280, 20, "File upload method:", true},
    {UploadMethodCombo, GadgetKind::ComboBox, 13, 33, 280, 20, "", true},
    {ColorsLabel, GadgetKind::Label, 33, 323, 270, 20, "Colors:", true},
    {ColorsCombo, GadgetKind::ComboBox, 33, 343, 270, 20, "", true},
};

void create_rows(AppContext& ctx, const Row* rows, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const Row& r = rows[i];
    ctx.ui->add_gadget({r.number, r.kind, r.x, r.y, r.width, r.height, r.text});
    // The gadgets get UiFont only when it could be loaded; otherwise they keep the default.
    if (r.ui_font && ctx.ui_font) ctx.ui->set_gadget_font(r.number, ui_font_spec());
  }
}

}  // namespace

FontSpec ui_font_spec() {
  return FontSpec{"Arial", 10, false, false};
}

bool open_main_window(AppContext& ctx, bool hidden) {
  WindowSpec window;
  window.title = "Brinkmoor";
  window.x = 418;
  window.y = 172;
  window.width = 400;
  window.height = 558;
  window.minimize_box = true;
  window.visible = !hidden;
  if (!ctx.ui->open_window(window)) return false;
  ctx.ui->add_gadget({MainPanel, GadgetKind::Panel, 5, 5, 390, 550, ""});
  ctx.ui->begin_tab(MainPanel, "Generating");
  create_rows(ctx, kGeneratingTab, std::size(kGeneratingTab));
  ctx.ui->begin_tab(MainPanel, "Settings");
  create_rows(ctx, kSettingsTab, std::size(kSettingsTab));
  ctx.ui->end_panel();
  return true;
}

}  // namespace brinkmoor
