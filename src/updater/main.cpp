// The updater program `aktualizator`. The main program starts it with its own version as the
// only parameter.
#include <memory>
#include <string>
#include <vector>

#include "platform/memory_ui.h"
#include "platform/process.h"
#ifdef BRINKMOOR_WITH_QT
#include "platform/qt/qt_ui.h"
#endif
#include "shell/text.h"
#include "updater/updater.h"

int main(int argc, char** argv) {
  using namespace brinkmoor;
  UpdaterContext ctx;
  for (int i = 1; i < argc; ++i) ctx.params.emplace_back(argv[i]);
  ctx.work_dir = current_directory();
  ctx.update_address = default_update_address();

  std::unique_ptr<Ui> ui;
#ifdef BRINKMOOR_WITH_QT
  if (display_usable()) ui = make_qt_ui(argc, argv);
#endif
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
