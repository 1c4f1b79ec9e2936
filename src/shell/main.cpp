// brinkmoor: picks the window layer (Qt when a display is usable, the in-memory one otherwise)
// and runs the program over it.
#include <memory>
#include <string>
#include <vector>

#include "platform/memory_ui.h"
#include "platform/process.h"
#include "platform/ui.h"
#include "platform/ui_loader.h"
#include "shell/app.h"
#include "shell/context.h"

int main(int argc, char** argv) {
  using namespace brinkmoor;
  ignore_broken_pipe();
  const std::vector<std::string> params = program_parameters(argc, argv);

  std::unique_ptr<Ui> ui;
  ui = load_window_ui(argc, argv);
  if (!ui) ui = make_headless_ui(read_command_line(params));

  AppContext ctx;
  ctx.ui = ui.get();
  run_app(ctx, params);
  return 0;
}
