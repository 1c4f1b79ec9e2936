#include "stats/stats.h"

#include "platform/files.h"
#include "platform/http.h"
#include "shell/context.h"
#include "shell/text.h"

namespace brinkmoor {
namespace {

void pause(AppContext& ctx, int milliseconds) {
  if (ctx.pause_ms) {
    ctx.pause_ms(milliseconds);
  } else {
    sleep_ms(milliseconds);
  }
}

bool is_label_character(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_';
}

}  // namespace

bool is_safe_stats_label(std::string_view label, bool allow_empty) {
  if (label.empty()) return allow_empty;
  for (char c : label) {
    if (!is_label_character(c)) return false;
  }
  return label.find("..") == std::string_view::npos;
}

std::string profile_address(const Endpoints& endpoints, const std::string& game,
                            const std::string& server, int32_t id, const std::string& name) {
  if (text_equals(game, "bw")) {
    return "http://" + server + "." + endpoints.bw_profile_domain +
           "/showmsg.php?a=profile&uid=" + format_int(id);
  }
  if (text_equals(game, "sc2")) {
    return "http://" + server + "." + endpoints.sc2_profile_domain + "/sc2/en/profile/" +
           format_int(id) + "/1/" + name + "/";
  }
  return {};
}

std::string stats_cache_file(const std::string& work_dir, const std::string& game,
                             const std::string& server, int32_t id) {
  return work_dir + "dane/" + game + "_" + server + "_" + format_int(id) + ".html";
}

bool cache_needs_download(int64_t file_time, int64_t now) {
  // No file at all: the age would be the whole clock, which a 32-bit difference cannot hold
  // after 2038.
  if (file_time == 0) return true;
  const auto age = static_cast<int32_t>(static_cast<uint32_t>(now - file_time));
  return age > kCacheMaxAge;
}

void fetch_stats(AppContext& ctx, const std::string& game, const std::string& server, int32_t id,
                 const std::string& name) {
  // The game code and server label name a file below "dane/" and the host that is asked; one
  // that could leave the folder or the game's domain is treated as a failed download.
  if (!is_safe_stats_label(game, true) || !is_safe_stats_label(server, false)) {
    set_status(ctx, kStatsDownloadError);
    pause(ctx, 500);
    ctx.stats.id = id;
    set_status(ctx, kStatsDownloaded);
    return;
  }

  const std::string address = profile_address(ctx.endpoints, game, server, id, name);
  const std::string file = stats_cache_file(ctx.work_dir, game, server, id);
  if (cache_needs_download(file_mtime(file), now_seconds())) {
    set_status(ctx, kStatsDownloadStart);
    if (!http_get_to_file(address, file, ctx.endpoints.http)) {
      set_status(ctx, kStatsDownloadError);
      pause(ctx, 500);
    }
  }
  ctx.stats.id = id;
  // Shown in every case; after a failure the parse below reads whatever the cache still holds.
  set_status(ctx, kStatsDownloaded);

  bool read = true;
  if (text_equals(game, "bw")) {
    read = parse_bloodwars_page(file, ctx.stats);
  } else if (text_equals(game, "sc2")) {
    read = parse_sc2_page(file, name, ctx.stats);
  }
  if (!read) set_status(ctx, kStatsUnreadable);
}

}  // namespace brinkmoor
