#include "render/script.h"

#include "render/canvas.h"
#include "shell/context.h"

namespace brinkmoor {
void generate_signature(AppContext& ctx) {
  load_background(ctx);
  save_signature(ctx);
}
}  // namespace brinkmoor
