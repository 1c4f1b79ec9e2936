#include "platform/curl_api.h"

#include <dlfcn.h>

#include <mutex>

namespace brinkmoor {
namespace {

// The library's run-time name (its soname), as every distribution ships it.
constexpr const char* kLibraryName = "libcurl.so.4";

enum class LoadState { NotTried, Loaded, Failed };

struct Library {
  std::mutex mutex;
  LoadState state = LoadState::NotTried;
  bool initialised = false;
  CurlApi api{};
};

Library& library() {
  static Library instance;
  return instance;
}

template <typename Function>
bool resolve(void* handle, const char* name, Function& out) {
  void* symbol = ::dlsym(handle, name);
  out = reinterpret_cast<Function>(symbol);
  return symbol != nullptr;
}

// Maps the library and fills the table; false (with nothing left mapped) when the library is
// missing or lacks any of the functions.
bool load(CurlApi& api) {
  void* handle = ::dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return false;
  const bool complete = resolve(handle, "curl_global_init", api.global_init) &&
                        resolve(handle, "curl_global_cleanup", api.global_cleanup) &&
                        resolve(handle, "curl_easy_init", api.easy_init) &&
                        resolve(handle, "curl_easy_setopt", api.easy_setopt) &&
                        resolve(handle, "curl_easy_perform", api.easy_perform) &&
                        resolve(handle, "curl_easy_getinfo", api.easy_getinfo) &&
                        resolve(handle, "curl_easy_cleanup", api.easy_cleanup) &&
                        resolve(handle, "curl_slist_append", api.slist_append) &&
                        resolve(handle, "curl_slist_free_all", api.slist_free_all) &&
                        resolve(handle, "curl_url", api.url) &&
                        resolve(handle, "curl_url_set", api.url_set) &&
                        resolve(handle, "curl_url_cleanup", api.url_cleanup);
  if (!complete) {
    api = CurlApi{};
    ::dlclose(handle);
    return false;
  }
  // The handle is deliberately never closed: the TLS library underneath registers exit
  // handlers and does not expect to be unmapped while the process runs.
  return true;
}

}  // namespace

const CurlApi* curl_api() {
  Library& lib = library();
  std::lock_guard<std::mutex> lock(lib.mutex);
  if (lib.state == LoadState::NotTried)
    lib.state = load(lib.api) ? LoadState::Loaded : LoadState::Failed;
  if (lib.state != LoadState::Loaded) return nullptr;
  if (!lib.initialised) lib.initialised = lib.api.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return lib.initialised ? &lib.api : nullptr;
}

bool curl_api_loaded() {
  Library& lib = library();
  std::lock_guard<std::mutex> lock(lib.mutex);
  return lib.state == LoadState::Loaded;
}

void curl_api_release() {
  Library& lib = library();
  std::lock_guard<std::mutex> lock(lib.mutex);
  if (!lib.initialised) return;
  lib.api.global_cleanup();
  lib.initialised = false;
}

}  // namespace brinkmoor
