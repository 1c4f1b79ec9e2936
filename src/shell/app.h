#pragma once
// The main program's run, from start-up to shutdown.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace brinkmoor {

struct AppContext;
class MemoryUi;

// How long one pass of the event loop waits for the next window event.
inline constexpr int kLoopWaitMs = 1000;

// Splits a command line into parameters: at spaces; a parameter that begins with a double quote
// runs to the next double quote, without the quotes. Used where the system hands over the
// command line as one text.
std::vector<std::string> split_command_line(const std::string& command_line);

// True when a parameter is exactly "-auto" or "/auto". The parameters are those after the
// program's own name, as the system split them.
bool read_command_line(const std::vector<std::string>& params);

// The operations the top level calls, in the order of start-up, loop and shutdown. The
// program's own are those of default_app_steps(); tests replace some to watch the order.
struct AppSteps {
  // Loads UiFont; true when font slot 1 then holds a font.
  std::function<bool(AppContext&)> load_ui_font;
  std::function<void(AppContext&)> reset_draw_font;
  std::function<bool(AppContext&, bool hidden)> open_main_window;
  std::function<void(AppContext&)> start_updater;
  std::function<void(AppContext&)> network_start;
  std::function<void(AppContext&)> fill_background_list;
  std::function<void(AppContext&)> load_settings;
  std::function<void(AppContext&)> generate_signature;
  std::function<void(AppContext&)> upload_signature;
  std::function<void(AppContext&)> check_connection;
  std::function<void(AppContext&)> save_settings;
  std::function<void(AppContext&)> free_canvas;
  std::function<void(AppContext&)> free_draw_font;
  std::function<void(AppContext&)> network_stop;
};
AppSteps default_app_steps();

// The whole run over an already made window layer (ctx.ui): start-up, the unattended run or the
// event loop, shut_down. ctx.work_dir defaults to the working directory. Returns the exit code,
// which is always 0.
int run_app(AppContext& ctx, const std::vector<std::string>& params,
            const AppSteps& steps = default_app_steps());

// The end sequence: save_settings, the Canvas, DrawFont, UiFont, the window, the network.
void shut_down(AppContext& ctx, const AppSteps& steps, bool network_started);

// The window layer of a machine without a display: in-memory gadgets whose messages go to
// standard error and whose status line goes to standard output. An unattended run works on it;
// an interactive one cannot make its window there.
std::unique_ptr<MemoryUi> make_headless_ui(bool auto_mode);

// The parameters after the program's own name.
std::vector<std::string> program_parameters(int argc, const char* const* argv);

}  // namespace brinkmoor
