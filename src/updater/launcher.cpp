#include "updater/launcher.h"

#include "platform/process.h"
#include "shell/context.h"

namespace brinkmoor {
void start_updater(AppContext& ctx) {
  // The outcome is not examined: a missing updater is no reason to stop.
  start_detached(ctx.work_dir + "aktualizator", {kProgramVersion}, ctx.work_dir, true);
}
}  // namespace brinkmoor
