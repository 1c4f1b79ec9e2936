#pragma once
// The Canvas: made from the selected background at the start of every generation, shown in
// the preview and written as "grafika/brinkmoortest.jpg" at the end.
#include <string>
namespace brinkmoor {
struct AppContext;
std::string output_picture_path(const AppContext& ctx);
void load_background(AppContext& ctx);
void save_signature(AppContext& ctx);
void free_canvas(AppContext& ctx);
}  // namespace brinkmoor
