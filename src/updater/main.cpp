// The updater program `aktualizator`. The main program starts it with its own version as the
// only parameter.
#include <memory>
#include <string>
#include <vector>

#include "platform/memory_ui.h"
#include "platform/process.h"
#include "platform/ui_loader.h"
#include "shell/text.h"
#include "updater/updater.h"

int main(int argc, char** argv) {
  using namespace brinkmoor;
  ignore_broken_pipe();
  UpdaterContext ctx;
  for (int i = 1; i < argc; ++i) ctx.params.emplace_back(argv[i]);
  ctx.work_dir = current_directory();
  ctx.update_address = default_update_address();

  std::unique_ptr<Ui> ui;
  ui = load_window_ui(argc, argv);
  if (!ui) {
    // No display: the check is made without a window, and nothing can be offered.
    auto memory = std::make_unique<MemoryUi>(true);
    memory->set_start_hidden(started_hidden());
    ui = std::move(memory);
    ctx.interactive = false;
  }
  ctx.ui = ui.get();
  return run_updater(ctx);
}
