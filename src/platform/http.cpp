#include "platform/http.h"

#include "platform/curl_api.h"
#include "platform/files.h"

namespace brinkmoor {
namespace {

struct Sink {
  std::FILE* file;
  size_t written = 0;
  size_t limit;
  bool over_limit = false;
};

size_t write_body(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const size_t n = size * count;
  if (sink->written + n > sink->limit) {
    sink->over_limit = true;
    return 0;  // makes libcurl stop with a write error
  }
  if (std::fwrite(data, 1, n, sink->file) != n) return 0;
  sink->written += n;
  return n;
}

}  // namespace

// The library is loaded and initialised by the first transfer (curl_api), so a run that
// transfers nothing never pays for it.
void network_start() {}
void network_stop() {
  curl_api_release();
}

bool http_get_to_file(const std::string& address, const std::string& path,
                      const HttpLimits& limits) {
  if (address.empty()) return false;
  AtomicFileWriter out(path, 0644, AtomicFileWriter::Durability::Unsynced);
  if (out.file() == nullptr) return false;
  const CurlApi* api = curl_api();
  if (api == nullptr) return false;
  CURL* curl = api->easy_init();
  if (curl == nullptr) return false;
  Sink sink{out.file(), 0, limits.max_body_bytes};
  api->easy_setopt(curl, CURLOPT_URL, address.c_str());
  api->easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  api->easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  api->easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  api->easy_setopt(curl, CURLOPT_MAXREDIRS, limits.max_redirects);
  api->easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  api->easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.connect_timeout_s);
  api->easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  api->easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limits.stall_timeout_s);
  api->easy_setopt(curl, CURLOPT_TIMEOUT, limits.total_timeout_s);
  api->easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.max_body_bytes));
  api->easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  api->easy_setopt(curl, CURLOPT_USERAGENT, "Brinkmoor/0.50");
  api->easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
  api->easy_setopt(curl, CURLOPT_WRITEFUNCTION, write_body);
  api->easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  const CURLcode rc = api->easy_perform(curl);
  long status = 0;
  api->easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  api->easy_cleanup(curl);
  if (rc != CURLE_OK || sink.over_limit || status < 200 || status > 299) return false;
  return out.commit();
}

}  // namespace brinkmoor
