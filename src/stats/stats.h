#pragma once
// Player statistics: the profile page cache and the two page scrapers.
#include <cstdint>
#include <string>
namespace brinkmoor {
struct AppContext;
// Fetches (or reuses) the profile page of a player and fills PlayerStats from it.
void fetch_stats(AppContext& ctx, const std::string& game, const std::string& server, int32_t id,
                 const std::string& name);
}  // namespace brinkmoor
