#include "shell/app.h"

#include "platform/files.h"
#include "platform/font.h"
#include "platform/http.h"
#include "platform/memory_ui.h"
#include "platform/process.h"
#include "render/canvas.h"
#include "render/script.h"
#include "render/text_run.h"
#include "settings/background_list.h"
#include "settings/settings.h"
#include "shell/context.h"
#include "shell/main_window.h"
#include "shell/text.h"
#include "updater/launcher.h"
#include "upload/upload.h"

namespace brinkmoor {
namespace {

bool load_ui_font(AppContext& ctx) {
  ctx.ui_font = Font::load(ui_font_spec());
  return ctx.ui_font != nullptr;
}

void dispatch(AppContext& ctx, const AppSteps& steps, const UiEvent& event) {
  switch (event.kind) {
    case UiEvent::Kind::Gadget:
      // Only the three buttons act; a new BackgroundList selection waits for CreateButton.
      if (event.gadget == CreateButton) {
        steps.generate_signature(ctx);
      } else if (event.gadget == UploadButton) {
        steps.upload_signature(ctx);
      } else if (event.gadget == CheckConnectionButton) {
        steps.check_connection(ctx);
      }
      break;
    case UiEvent::Kind::Close:
      // The window stays open until shut_down has saved its gadgets.
      ctx.main_running = false;
      break;
    case UiEvent::Kind::None:
      break;
  }
}

}  // namespace

std::vector<std::string> split_command_line(const std::string& command_line) {
  std::vector<std::string> params;
  size_t i = 0;
  const size_t n = command_line.size();
  while (i < n) {
    if (command_line[i] == ' ') {
      ++i;
      continue;
    }
    std::string param;
    if (command_line[i] == '"') {
      // A quoted parameter runs to the next quote (or to the end when there is none).
      const size_t close = command_line.find('"', i + 1);
      const size_t end = close == std::string::npos ? n : close;
      param = command_line.substr(i + 1, end - i - 1);
      i = close == std::string::npos ? n : close + 1;
    }
    // Characters that follow up to the next space belong to the same parameter, so that
    // "\"-auto\"x" is not taken for "-auto".
    while (i < n && command_line[i] != ' ') param.push_back(command_line[i++]);
    params.push_back(std::move(param));
  }
  return params;
}

bool read_command_line(const std::vector<std::string>& params) {
  bool auto_mode = false;
  for (const auto& p : params)
    if (text_equals(p, "-auto") || text_equals(p, "/auto")) auto_mode = true;
  return auto_mode;
}

std::vector<std::string> program_parameters(int argc, const char* const* argv) {
  std::vector<std::string> params;
  for (int i = 1; i < argc; ++i)
    if (argv[i] != nullptr) params.emplace_back(argv[i]);
  return params;
}

AppSteps default_app_steps() {
  AppSteps s;
  s.load_ui_font = load_ui_font;
  s.reset_draw_font = reset_draw_font;
  s.open_main_window = open_main_window;
  s.start_updater = start_updater;
  s.network_start = [](AppContext&) { network_start(); };
  s.fill_background_list = fill_background_list;
  s.load_settings = load_settings;
  s.generate_signature = generate_signature;
  s.upload_signature = upload_signature;
  s.check_connection = check_connection;
  s.save_settings = save_settings;
  s.free_canvas = free_canvas;
  s.free_draw_font = free_draw_font;
  s.network_stop = [](AppContext&) { network_stop(); };
  return s;
}

std::unique_ptr<MemoryUi> make_headless_ui(bool auto_mode) {
  auto ui = std::make_unique<MemoryUi>(/*echo=*/true);
  ui->set_echo_gadget(StatusText);
  ui->set_start_hidden(started_hidden());
  // Nobody could see or use an interactive window here.
  ui->set_fail_open(!auto_mode);
  return ui;
}

void shut_down(AppContext& ctx, const AppSteps& steps, bool network_started) {
  steps.save_settings(ctx);
  steps.free_canvas(ctx);
  steps.free_draw_font(ctx);
  ctx.ui_font.reset();
  if (ctx.window_open && ctx.ui != nullptr) ctx.ui->close_window();
  ctx.window_open = false;
  if (network_started) steps.network_stop(ctx);
}

int run_app(AppContext& ctx, const std::vector<std::string>& params, const AppSteps& steps) {
  if (ctx.work_dir.empty()) ctx.work_dir = current_directory();
  if (!ctx.pause_ms) ctx.pause_ms = sleep_ms;

  const bool have_ui_font = steps.load_ui_font(ctx);
  // No Canvas yet: the first generation makes it.
  steps.reset_draw_font(ctx);
  // Without UiFont the run still opens its window and loads its settings, but the loop makes a
  // single pass.
  ctx.main_running = have_ui_font;

  ctx.auto_mode = read_command_line(params);

  bool network_started = false;
  ctx.window_open = ctx.ui != nullptr && steps.open_main_window(ctx, ctx.auto_mode);
  if (!ctx.window_open) {
    show_message(ctx, kMessageTitle, "Critical error! Unable to create window.");
  } else {
    steps.start_updater(ctx);
    steps.network_start(ctx);
    network_started = true;
    steps.fill_background_list(ctx);
    steps.load_settings(ctx);

    if (ctx.auto_mode) {
      steps.generate_signature(ctx);
      steps.upload_signature(ctx);
      ctx.main_running = false;
    }

    // At least one pass; an unattended run makes exactly one.
    do {
      dispatch(ctx, steps, ctx.ui->wait_event(kLoopWaitMs));
    } while (ctx.main_running);
  }

  shut_down(ctx, steps, network_started);
  return 0;
}

}  // namespace brinkmoor
