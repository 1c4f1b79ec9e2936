#include "settings/settings.h"

#include "shell/context.h"

namespace brinkmoor {
void load_settings(AppContext& /*ctx*/) {}
void save_settings(AppContext& /*ctx*/) {}
}  // namespace brinkmoor
