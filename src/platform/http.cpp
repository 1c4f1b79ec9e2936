#include "platform/http.h"

#include <curl/curl.h>

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

void network_start() {
  curl_global_init(CURL_GLOBAL_DEFAULT);
}
void network_stop() {
  curl_global_cleanup();
}

bool http_get_to_file(const std::string& address, const std::string& path,
                      const HttpLimits& limits) {
  if (address.empty()) return false;
  AtomicFileWriter out(path, 0644, AtomicFileWriter::Durability::Unsynced);
  if (out.file() == nullptr) return false;
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return false;
  Sink sink{out.file(), 0, limits.max_body_bytes};
  curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, limits.max_redirects);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.connect_timeout_s);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limits.stall_timeout_s);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, limits.total_timeout_s);
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.max_body_bytes));
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Brinkmoor/0.50");
  curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, write_body);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  const CURLcode rc = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(curl);
  if (rc != CURLE_OK || sink.over_limit || status < 200 || status > 299) return false;
  return out.commit();
}

}  // namespace brinkmoor
