#include "settings/background_list.h"

#include "platform/files.h"
#include "shell/context.h"

namespace brinkmoor {
std::string graphics_folder(const AppContext& ctx) {
  return ctx.work_dir + "grafika" + path_separator();
}
void fill_background_list(AppContext& /*ctx*/) {}
}  // namespace brinkmoor
