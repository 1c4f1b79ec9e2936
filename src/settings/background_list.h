#pragma once
// BackgroundList: the pictures of the graphics folder "grafika/".
#include <string>
namespace brinkmoor {
struct AppContext;
// The graphics folder, ending in the path separator.
std::string graphics_folder(const AppContext& ctx);
void fill_background_list(AppContext& ctx);
}  // namespace brinkmoor
