#pragma once
// The main program's side of the update: it starts the updater with its own version.
namespace brinkmoor {
struct AppContext;
inline constexpr const char* kProgramVersion = "0.50";
void start_updater(AppContext& ctx);
}  // namespace brinkmoor
