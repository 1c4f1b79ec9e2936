#include "render/text_run.h"

#include "shell/context.h"

namespace brinkmoor {
void draw_text_run(AppContext& ctx, int32_t, int32_t, const std::string&, uint32_t, uint32_t,
                   bool) {
  ctx.cursor.pending_text.clear();
}
void select_draw_font(AppContext&, const std::string&, int32_t, int) {}
void reset_draw_font(AppContext&) {}
void free_draw_font(AppContext& ctx) { ctx.draw_font.reset(); }
}  // namespace brinkmoor
