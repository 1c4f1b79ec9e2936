#pragma once
// Player statistics: the profile page cache and the two page scrapers.
#include <cstdint>
#include <string>
#include <string_view>

namespace brinkmoor {
struct AppContext;
struct Endpoints;
struct PlayerStats;

// A cached profile page older than this many seconds is loaded again.
inline constexpr int64_t kCacheMaxAge = 14400;

// Status line texts of a fetch.
inline constexpr const char* kStatsDownloadStart = "Stats file downloading - start.";
inline constexpr const char* kStatsDownloadError = "Stats file download error!";
inline constexpr const char* kStatsDownloaded = "Stats file downloaded correctly.";
inline constexpr const char* kStatsUnreadable = "Unable to read stats file.";

// Finds the anchor, then the start marker from the anchor's last character on, takes a window of
// (max_length mod 256) characters behind the start marker and returns the part of it before the
// first end marker. Missing markers never fail: they give the empty text or a window counted from
// the beginning of the line.
std::string extract_between(std::string_view text, std::string_view anchor,
                            std::string_view start_marker, std::string_view end_marker,
                            int max_length);

// True for a game code or server label that may become part of a file name and a host name:
// letters, digits, "." and "_" only, and no "..". The empty text passes only when allow_empty.
bool is_safe_stats_label(std::string_view label, bool allow_empty);

// The profile page address of a player; empty for a game code other than "bw" and "sc2".
// Server and name are inserted as they are.
std::string profile_address(const Endpoints& endpoints, const std::string& game,
                            const std::string& server, int32_t id, const std::string& name);

// The cache file of a player: work_dir (ending in the separator) + "dane/GAME_SERVER_ID.html".
std::string stats_cache_file(const std::string& work_dir, const std::string& game,
                             const std::string& server, int32_t id);

// Whether a cache file modified at file_time (0: no file) must be loaded again at now. The age
// is a signed 32-bit difference, so a file from the future is kept; a missing file is always
// loaded.
bool cache_needs_download(int64_t file_time, int64_t now);

// Reads a cached Bloodwars profile page into the record. False when the file cannot be opened
// (nothing changes then).
bool parse_bloodwars_page(const std::string& path, PlayerStats& stats);

// Reads a cached StarCraft II profile page into the record; name is the player's name, which
// becomes the nick (also when the file cannot be opened) and finds the name heading. False when
// the file cannot be opened.
bool parse_sc2_page(const std::string& path, const std::string& name, PlayerStats& stats);

// Fetches (or reuses) the profile page of a player and fills PlayerStats from it.
void fetch_stats(AppContext& ctx, const std::string& game, const std::string& server, int32_t id,
                 const std::string& name);
}  // namespace brinkmoor
