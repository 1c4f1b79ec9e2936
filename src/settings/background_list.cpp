#include "settings/background_list.h"

#include "platform/files.h"
#include "shell/context.h"
#include "shell/main_window.h"
#include "shell/text.h"

namespace brinkmoor {

std::string graphics_folder(const AppContext& ctx) {
  std::string dir = ctx.work_dir;
  if (!dir.empty() && dir.back() != path_separator()) dir += path_separator();
  return dir + "grafika" + path_separator();
}

void fill_background_list(AppContext& ctx) {
  if (ctx.ui == nullptr) return;
  // A missing or unreadable folder leaves the list empty, without a word.
  const auto entries = list_directory(graphics_folder(ctx));
  if (!entries) return;
  for (const DirEntry& entry : *entries) {
    if (entry.is_directory) continue;
    // Only the last extension counts; a name without a point has none.
    const size_t dot = entry.name.rfind('.');
    const std::string extension =
        dot == std::string::npos ? std::string() : lower_text(entry.name.substr(dot + 1));
    if (text_equals(extension, "bmp") || text_equals(extension, "jpg") ||
        text_equals(extension, "png")) {
      ctx.ui->append(BackgroundList, entry.name);
    }
  }
}

}  // namespace brinkmoor
