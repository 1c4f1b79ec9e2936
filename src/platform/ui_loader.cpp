#include "platform/ui_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace brinkmoor {
namespace {

bool set(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0';
}

std::string executable_dir() {
  std::string buf(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  buf.resize(static_cast<size_t>(n));
  const auto slash = buf.rfind('/');
  return slash == std::string::npos ? std::string() : buf.substr(0, slash);
}

}  // namespace

std::unique_ptr<Ui> load_window_ui(int& argc, char** argv) {
  // Without any display in the environment there is nothing to connect to: don't even load Qt.
  if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM")) return nullptr;
  const std::string name = "libbrinkmoor_qt.so";
  const std::string exe_dir = executable_dir();
  // Beside the program (a portable folder), the library folder of the installation the program
  // sits in (wherever it was installed to), the configured one, the build tree.
  const std::vector<std::string> candidates = {
      exe_dir + "/" + name,
      exe_dir + "/../" + BRINKMOOR_QT_MODULE_RELATIVE_DIR + "/" + name,
      std::string(BRINKMOOR_QT_MODULE_INSTALL_DIR) + "/" + name,
      std::string(BRINKMOOR_QT_MODULE_BUILD_DIR) + "/" + name,
  };
  for (const auto& path : candidates) {
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) continue;
    using Factory = Ui* (*)(int*, char**);
    auto factory = reinterpret_cast<Factory>(::dlsym(module, "brinkmoor_make_qt_ui"));
    // The module stays loaded for the rest of the process: the toolkit does not like unloading.
    if (factory == nullptr) return nullptr;
    return std::unique_ptr<Ui>(factory(&argc, argv));
  }
  return nullptr;
}

}  // namespace brinkmoor
