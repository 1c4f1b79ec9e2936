#pragma once
// The updater program `aktualizator`: it compares the running version that the main program
// handed it with the newest one on the update server, shows the list of changes when there is
// something new, and on request downloads the two programs and hands over to the script that
// puts them in place.
#include <string>
#include <vector>

#include "platform/font.h"
#include "platform/http.h"
#include "platform/ui.h"

namespace brinkmoor {

// File names on the update server and their local copies, relative to the working directory.
#ifdef _WIN32
inline constexpr const char* kMainProgramName = "brinkmoor.exe";
inline constexpr const char* kUpdaterProgramName = "aktualizator.exe";
inline constexpr const char* kHandOverScript = "wsad_aktual.bat";
#else
inline constexpr const char* kMainProgramName = "brinkmoor";
inline constexpr const char* kUpdaterProgramName = "aktualizator";
inline constexpr const char* kHandOverScript = "wsad_aktual.sh";
#endif
inline constexpr const char* kVersionFileRemote = "nwkd.txt";
inline constexpr const char* kChangeListFileRemote = "nwkchange.txt";
inline constexpr const char* kTempFolder = "temp/";
inline constexpr const char* kVersionFileLocal = "temp/new_version.txt";
inline constexpr const char* kChangeListFileLocal = "temp/zmiany.txt";

// The updater's titles and messages.
inline constexpr const char* kUpdaterTitle = "Actualization";
inline constexpr const char* kUpdaterErrorTitle = "Error";
inline constexpr const char* kCloseMainProgramText = "Close Brinkmoor!";
inline constexpr const char* kCriticalErrorText = "Critical error!";
inline constexpr const char* kDownloadFailedText = "Update download failed.";

// UpdaterWindow's gadgets.
enum UpdaterGadget : int {
  ChangeListEditor = 0,
  UpdateButton = 1,
};

// The update server's folder, "http://HOST/brinkmoor/aktual/", with the host this build was
// configured for.
std::string default_update_address();

// Everything one run of the updater works with; tests point it at their own server and folder.
struct UpdaterContext {
  Ui* ui = nullptr;
  // Where every file is named from; ends in the path separator.
  std::string work_dir;
  // The update server's folder, ending in '/'; the file names are appended to it.
  std::string update_address;
  // The command-line parameters after the program's own name.
  std::vector<std::string> params;
  // False when no one can see a window or press a button (no display): the check is still
  // made, but an update cannot be offered, so nothing is ever installed.
  bool interactive = true;
  FontSpec gadget_font{"Arial", 10, false, false};
  // Limits of the small text files and of the program downloads.
  HttpLimits text_limits;
  HttpLimits program_limits{15, 30, 600, 256u * 1024u * 1024u, 5};
  // The event loop repeats while this is set.
  bool running = false;
};

// The first parameter as a number; 0 (no parameter, 0, or text that is not a number) means 1.
float read_running_version(const UpdaterContext& ctx);
// The first line of the server's version file as a number; 0 when it cannot be fetched or read.
float fetch_newest_version(const UpdaterContext& ctx);
bool update_available(float running_version, float newest_version);
// The lines of the server's change list, empty lines included; none when there is no file.
std::vector<std::string> fetch_change_list(const UpdaterContext& ctx);
// Asks the user to close the main program, downloads both programs into "temp/" and starts the
// hand-over script. The script is started only when both downloads succeeded in this run and
// neither is empty; otherwise the user is told and nothing is installed. True when the script
// was started.
bool install_update(UpdaterContext& ctx);
// Deletes the two downloaded text files; the downloaded programs stay.
void remove_temp_files(const UpdaterContext& ctx);

// Creates UpdaterWindow with its two gadgets; false when the window cannot be opened.
bool open_updater_window(UpdaterContext& ctx);
// The event loop: runs at least once, then while ctx.running is set.
void run_updater_loop(UpdaterContext& ctx);
// The program's whole run, from opening the window to the removal of the temporary files.
// Always 0, the process's exit code.
int run_updater(UpdaterContext& ctx);

}  // namespace brinkmoor
