#include "shell/context.h"

#include "shell/main_window.h"

namespace brinkmoor {

void set_status(AppContext& ctx, const std::string& text) {
  if (ctx.ui != nullptr) ctx.ui->set_text(StatusText, text);
}

void show_message(AppContext& ctx, const std::string& title, const std::string& text) {
  if (ctx.ui != nullptr) ctx.ui->message(title, text);
}

}  // namespace brinkmoor
