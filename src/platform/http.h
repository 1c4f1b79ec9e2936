#pragma once
// HTTP downloads into files, over libcurl.
#include <cstddef>
#include <string>

namespace brinkmoor {

struct HttpLimits {
  long connect_timeout_s = 15;
  // A transfer slower than one byte a second for this long counts as stalled and fails.
  long stall_timeout_s = 30;
  // A whole download may take at most this long.
  long total_timeout_s = 300;
  size_t max_body_bytes = 16u * 1024u * 1024u;
  long max_redirects = 5;
};

// Brings the network layer up and down (once per process, around all other calls).
void network_start();
void network_stop();

// GETs the address into the file. True only for a complete 2xx body within the limits
// (redirects followed, to https too). On failure the file is left exactly as it was: the body
// goes into a temporary file beside it, renamed over it only on success.
bool http_get_to_file(const std::string& address, const std::string& path,
                      const HttpLimits& limits = {});

}  // namespace brinkmoor
