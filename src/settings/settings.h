#pragma once
// The settings file "ust.txt": the FTP login, the choices and the script between runs.
//
// The file is positional: line 1 is "en", lines 2 to 4 the FTP server, user and password,
// line 5 the chosen background, lines 6 to 9 the states of FileTypeCombo, QualitySlider,
// UploadMethodCombo and ColorsCombo, and every line from 10 on is one line of the script.
#include <string>

namespace brinkmoor {
struct AppContext;

inline constexpr const char* kSettingsFileName = "ust.txt";
// The title of the two settings-file messages.
inline constexpr const char* kSettingsMessageTitle = "Error!";

// The settings file of the working directory.
std::string settings_path(const AppContext& ctx);

// Adds the drop-down entries and their default selections, then fills the gadgets from the
// file. A missing file is reported and leaves the defaults.
void load_settings(AppContext& ctx);
// Writes the gadgets back. The file is replaced only by a complete new copy (readable by its
// owner only), so a failed or interrupted save keeps the previous one. Nothing is written when
// MainWindow never opened: there are no gadgets to read, and the stored values must survive.
void save_settings(AppContext& ctx);
}  // namespace brinkmoor
