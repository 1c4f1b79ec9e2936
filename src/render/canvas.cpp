#include "render/canvas.h"

#include "platform/files.h"
#include "settings/background_list.h"
#include "shell/context.h"

namespace brinkmoor {
std::string output_picture_path(const AppContext& ctx) {
  return graphics_folder(ctx) + "brinkmoortest.jpg";
}
void load_background(AppContext& /*ctx*/) {}
void save_signature(AppContext& /*ctx*/) {}
void free_canvas(AppContext& ctx) { ctx.canvas.reset(); }
}  // namespace brinkmoor
