#include "updater/updater.h"

#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/process.h"
#include "shell/text.h"
#include "shell/text_file.h"

#ifndef BRINKMOOR_UPDATE_HOST
#define BRINKMOOR_UPDATE_HOST "updates.brinkmoor.invalid"
#endif

namespace brinkmoor {
namespace {

// How long one wait for a window event may take; a time-out is simply no event.
constexpr int kEventWaitMs = 1000;

// A program download counts only when this run's transfer was complete and left a non-empty
// file: a failed transfer leaves whatever an earlier try put there, which must never be
// installed.
bool download_program(const UpdaterContext& ctx, const std::string& name) {
  const std::string path = ctx.work_dir + kTempFolder + name;
  if (!http_get_to_file(ctx.update_address + name, path, ctx.program_limits)) return false;
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return !ec && size > 0;
}

}  // namespace

std::string default_update_address() {
  return std::string("http://") + BRINKMOOR_UPDATE_HOST + "/brinkmoor/aktual/";
}

float read_running_version(const UpdaterContext& ctx) {
  const std::string param = ctx.params.empty() ? std::string() : ctx.params.front();
  const float version = parse_float(param);
  // Started without a version, or with one that is not a number: the oldest program there is.
  return version == 0.0f ? 1.0f : version;
}

float fetch_newest_version(const UpdaterContext& ctx) {
  const std::string path = ctx.work_dir + kVersionFileLocal;
  if (!http_get_to_file(ctx.update_address + kVersionFileRemote, path, ctx.text_limits)) return 0;
  TextFileReader file;
  if (!file.open(path)) return 0;
  const std::string line = file.read_line();
  file.close();
  return parse_float(line);
}

bool update_available(float running_version, float newest_version) {
  return running_version < newest_version;
}

std::vector<std::string> fetch_change_list(const UpdaterContext& ctx) {
  const std::string path = ctx.work_dir + kChangeListFileLocal;
  // A failed download is not an error here: the update is offered with whatever list there is.
  http_get_to_file(ctx.update_address + kChangeListFileRemote, path, ctx.text_limits);
  std::vector<std::string> lines;
  TextFileReader file;
  if (!file.open(path)) return lines;
  while (!file.at_end_of_file()) lines.push_back(file.read_line());
  file.close();
  return lines;
}

bool install_update(UpdaterContext& ctx) {
  // Nothing checks that the main program was really closed: a running one keeps its old image
  // and the hand-over script replaces the files by renaming.
  ctx.ui->message(kUpdaterTitle, kCloseMainProgramText);
  if (!download_program(ctx, kMainProgramName) || !download_program(ctx, kUpdaterProgramName)) {
    ctx.ui->message(kUpdaterErrorTitle, kDownloadFailedText);
    return false;
  }
  // A missing script fails quietly, as if it had started.
  return start_detached(ctx.work_dir + kHandOverScript, {}, ctx.work_dir, false);
}

void remove_temp_files(const UpdaterContext& ctx) {
  remove_file(ctx.work_dir + kChangeListFileLocal);
  remove_file(ctx.work_dir + kVersionFileLocal);
}

bool open_updater_window(UpdaterContext& ctx) {
  WindowSpec window;
  window.title = kUpdaterTitle;
  window.width = 600;
  window.height = 480;
  window.centred = true;
  window.minimize_box = false;
  // Shown as it opens; a process started hidden takes this first show request as hidden.
  window.visible = true;
  if (!ctx.ui->open_window(window)) return false;
  ctx.ui->add_gadget({ChangeListEditor, GadgetKind::Editor, 10, 10, 580, 430, ""});
  ctx.ui->set_gadget_font(ChangeListEditor, ctx.gadget_font);
  ctx.ui->add_gadget({UpdateButton, GadgetKind::Button, 220, 445, 140, 25, "Update"});
  ctx.ui->set_gadget_font(UpdateButton, ctx.gadget_font);
  return true;
}

void run_updater_loop(UpdaterContext& ctx) {
  do {
    const UiEvent event = ctx.ui->wait_event(kEventWaitMs);
    if (event.kind == UiEvent::Kind::Gadget && event.gadget == UpdateButton) {
      install_update(ctx);
      ctx.running = false;
    } else if (event.kind == UiEvent::Kind::Close) {
      ctx.running = false;
    }
  } while (ctx.running);
}

int run_updater(UpdaterContext& ctx) {
  network_start();
  if (!open_updater_window(ctx)) {
    ctx.ui->message(kUpdaterErrorTitle, kCriticalErrorText);
    network_stop();
    return 0;
  }
  ctx.running = true;
  const float running_version = read_running_version(ctx);
  const float newest_version = fetch_newest_version(ctx);
  if (ctx.interactive && update_available(running_version, newest_version)) {
    for (const std::string& line : fetch_change_list(ctx)) ctx.ui->append(ChangeListEditor, line);
    ctx.ui->show_window();
  } else {
    ctx.running = false;
  }
  run_updater_loop(ctx);
  remove_temp_files(ctx);
  ctx.ui->close_window();
  network_stop();
  return 0;
}

}  // namespace brinkmoor
