#include "settings/settings.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "shell/context.h"
#include "shell/main_window.h"
#include "shell/text.h"
#include "shell/text_file.h"

namespace brinkmoor {
namespace {

// The file holds the FTP password in plain text: only its owner may read it.
constexpr unsigned kSettingsFileMode = 0600;

// Lines of the file, counted from 0.
enum SettingsLine : int64_t {
  kLanguageLine = 0,
  kServerLine = 1,
  kUserLine = 2,
  kPasswordLine = 3,
  kBackgroundLine = 4,
  kFileTypeLine = 5,
  kQualityLine = 6,
  kUploadMethodLine = 7,
  kColorsLine = 8,
  kFirstScriptLine = 9,
};

// Numbers are stored as written by format_int and read back in their low 32 bits.
int low_32_bits(int64_t value) {
  return static_cast<int>(static_cast<int32_t>(static_cast<uint32_t>(value)));
}

void add_drop_down_entries(Ui& ui) {
  ui.append(FileTypeCombo, "jpg file - lossy compression.");
  ui.set_state(FileTypeCombo, 0);
  ui.append(UploadMethodCombo, "through ftp protocol");
  ui.set_state(UploadMethodCombo, 0);
  ui.append(ColorsCombo, "8 bits - 256 colors");
  ui.append(ColorsCombo, "16 bits - 65536 colors");
  ui.append(ColorsCombo, "24 bits - 16m colors");
  ui.set_state(ColorsCombo, 2);
}

void apply_line(Ui& ui, int64_t number, const std::string& line) {
  switch (number) {
    case kLanguageLine:
      break;
    case kServerLine:
      ui.set_text(ServerField, line);
      break;
    case kUserLine:
      ui.set_text(UserField, line);
      break;
    case kPasswordLine:
      ui.set_text(PasswordField, line);
      break;
    case kBackgroundLine: {
      // Every matching entry is selected in turn, so the last of equal names wins; no match
      // keeps the selection as it was.
      const int entries = ui.count(BackgroundList);
      for (int i = 0; i < entries; ++i)
        if (text_equals(ui.item(BackgroundList, i), line)) ui.set_state(BackgroundList, i);
      break;
    }
    case kFileTypeLine:
      ui.set_state(FileTypeCombo, low_32_bits(parse_int(line)));
      break;
    case kQualityLine:
      ui.set_state(QualitySlider, low_32_bits(parse_int(line)));
      break;
    case kUploadMethodLine:
      ui.set_state(UploadMethodCombo, low_32_bits(parse_int(line)));
      break;
    case kColorsLine:
      ui.set_state(ColorsCombo, low_32_bits(parse_int(line)));
      break;
    default:
      ui.append(ScriptEditor, line);
      break;
  }
}

void report_write_failure(AppContext& ctx) {
  show_message(ctx, kSettingsMessageTitle, "Unable to write config file!");
}

}  // namespace

std::string settings_path(const AppContext& ctx) {
  return ctx.work_dir + kSettingsFileName;
}

void load_settings(AppContext& ctx) {
  if (ctx.ui == nullptr) return;
  Ui& ui = *ctx.ui;
  add_drop_down_entries(ui);

  const std::string path = settings_path(ctx);
  // A folder of that name opens but reads nothing; it is as unreadable as a missing file.
  std::error_code ec;
  TextFileReader in;
  if (std::filesystem::is_directory(path, ec) || !in.open(path)) {
    show_message(ctx, kSettingsMessageTitle, "Unable to open config file!");
    return;
  }
  for (int64_t number = 0; !in.at_end_of_file(); ++number) apply_line(ui, number, in.read_line());
  in.close();
}

void save_settings(AppContext& ctx) {
  if (ctx.ui == nullptr || !ctx.window_open || !ctx.ui->window_open()) return;
  Ui& ui = *ctx.ui;

  TextFileWriter out;
  if (!out.create(settings_path(ctx), kSettingsFileMode)) {
    report_write_failure(ctx);
    return;
  }
  out.write_line("en");
  out.write_line(ui.text(ServerField));
  out.write_line(ui.text(UserField));
  out.write_line(ui.text(PasswordField));
  out.write_line(ui.text(BackgroundList));
  out.write_line(format_int(ui.state(FileTypeCombo)));
  out.write_line(format_int(ui.state(QualitySlider)));
  out.write_line(format_int(ui.state(UploadMethodCombo)));
  out.write_line(format_int(ui.state(ColorsCombo)));
  const int lines = ui.count(ScriptEditor);
  for (int i = 0; i < lines; ++i) out.write_line(ui.item(ScriptEditor, i));
  // Only a complete copy replaces the old file; on any failure the old one stays.
  if (!out.close()) report_write_failure(ctx);
}

}  // namespace brinkmoor
