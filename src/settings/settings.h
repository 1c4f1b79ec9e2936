#pragma once
// The settings file "ust.txt": the FTP login, the choices and the script between runs.
namespace brinkmoor {
struct AppContext;
void load_settings(AppContext& ctx);
void save_settings(AppContext& ctx);
}  // namespace brinkmoor
