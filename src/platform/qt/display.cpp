// Finding out, before Qt is started, whether a window can be shown at all. Qt ends the process
// when its platform plugin cannot connect to a display, so the program asks first and falls
// back to the in-memory gadgets when the answer is no.
#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/qt/qt_ui_impl.h"

namespace brinkmoor {
namespace {

std::string environment(const char* name) {
  const char* v = std::getenv(name);
  return v == nullptr ? std::string() : std::string(v);
}

// True when Qt has a platform plugin whose file name starts with libq<name> (libqxcb.so,
// libqwayland-generic.so, libqoffscreen.so, ...).
bool plugin_present(const std::string& name) {
  const QString prefix = QStringLiteral("libq") + QString::fromStdString(name);
  for (const QString& path : QCoreApplication::libraryPaths()) {
    const QDir dir(path + QStringLiteral("/platforms"));
    const QStringList files =
        dir.entryList({prefix + QStringLiteral("*.so")}, QDir::Files | QDir::Readable);
    if (!files.isEmpty()) return true;
  }
  return false;
}

// Connects to the X server the way Qt's xcb plugin will (display name, authority file and
// all). libxcb is loaded at run time: the plugin needs it anyway, and the program does not.
bool x11_connectable() {
  const std::string display = environment("DISPLAY");
  if (display.empty()) return false;
  void* lib = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (lib == nullptr) return false;
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  auto connect = reinterpret_cast<Connect>(::dlsym(lib, "xcb_connect"));
  auto has_error = reinterpret_cast<HasError>(::dlsym(lib, "xcb_connection_has_error"));
  auto disconnect = reinterpret_cast<Disconnect>(::dlsym(lib, "xcb_disconnect"));
  bool ok = false;
  if (connect != nullptr && has_error != nullptr && disconnect != nullptr) {
    // A busy server may turn a connection away now and then; ask a few times before giving up.
    for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
      if (attempt > 0) ::usleep(50000);
      // xcb_connect never returns null; a failed connection is an object in an error state
      // that still has to be freed.
      void* conn = connect(display.c_str(), nullptr);
      ok = has_error(conn) == 0;
      disconnect(conn);
    }
  }
  // libxcb stays loaded: the Qt platform plugin is about to load it again anyway.
  return ok;
}

// A Wayland compositor listens on a Unix socket: WAYLAND_DISPLAY names it, relative to
// XDG_RUNTIME_DIR unless it is an absolute path.
bool wayland_connectable() {
  const std::string name = environment("WAYLAND_DISPLAY");
  if (name.empty()) return false;
  std::string path = name;
  if (name[0] != '/') {
    const std::string runtime = environment("XDG_RUNTIME_DIR");
    if (runtime.empty()) return false;
    path = runtime + "/" + name;
  }
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof(addr.sun_path)) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
  ::close(fd);
  return ok;
}

bool platform_usable(const std::string& name) {
  if (name == "xcb") return plugin_present(name) && x11_connectable();
  if (name.rfind("wayland", 0) == 0) return plugin_present(name) && wayland_connectable();
  // offscreen, minimal, vnc, ...: chosen on purpose and needing no display server.
  return plugin_present(name);
}

}  // namespace

std::string usable_qt_platform() {
  // QT_QPA_PLATFORM may name one platform or a list ("wayland;xcb"); each entry may carry
  // options after a colon ("offscreen:fontengine=freetype").
  const std::string requested = environment("QT_QPA_PLATFORM");
  if (!requested.empty()) {
    size_t start = 0;
    while (start <= requested.size()) {
      size_t end = requested.find(';', start);
      if (end == std::string::npos) end = requested.size();
      const std::string entry = requested.substr(start, end - start);
      const std::string name = entry.substr(0, entry.find(':'));
      if (!name.empty() && platform_usable(name)) return entry;
      start = end + 1;
    }
    return {};
  }
  if (platform_usable("xcb")) return "xcb";
  if (platform_usable("wayland")) return "wayland";
  return {};
}

bool display_usable() {
  return !usable_qt_platform().empty();
}

}  // namespace brinkmoor
