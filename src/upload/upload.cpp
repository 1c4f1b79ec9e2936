#include "upload/upload.h"

#include "shell/context.h"

namespace brinkmoor {
void check_connection(AppContext& /*ctx*/) {}
void upload_signature(AppContext& /*ctx*/) {}
}  // namespace brinkmoor
