#include "stats/stats.h"

#include "shell/context.h"

namespace brinkmoor {
void fetch_stats(AppContext& ctx, const std::string&, const std::string&, int32_t id,
                 const std::string&) {
  ctx.stats.id = id;
}
}  // namespace brinkmoor
