#include "platform/ftp.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/curl_api.h"
#include "platform/files.h"

namespace brinkmoor {

struct FtpSession::State {
  // The library's functions; set by open() once the login is worth trying.
  const CurlApi* api = nullptr;
  CURL* curl = nullptr;
  // The address of every operation of the session; only its path changes between them.
  CURLU* url = nullptr;
  bool open = false;
};

namespace {

// CR or LF would end the FTP command early and start another one; NUL would cut it short.
bool has_line_break(const std::string& text) {
  return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

// A name in the login folder: no folder part, no control character.
bool plain_file_name(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return c < 0x20 || c == 0x7f || c == '/' || c == '\\';
  });
}

struct Source {
  const std::string* bytes;
  size_t offset = 0;
};

size_t read_body(char* buffer, size_t size, size_t count, void* user) {
  auto* source = static_cast<Source*>(user);
  const size_t n = std::min(size * count, source->bytes->size() - source->offset);
  std::memcpy(buffer, source->bytes->data() + source->offset, n);
  source->offset += n;
  return n;
}

// One STOR of the bytes under name, followed (only after a complete transfer) by the commands
// in after.
CURLcode store(const CurlApi& api, CURL* curl, CURLU* url, const std::string& name,
               const std::string& bytes, const std::vector<std::string>& after) {
  // The name is encoded into the address here and decoded again by libcurl, so whatever it
  // holds stays one file name.
  const std::string path = "/" + name;
  if (api.url_set(url, CURLUPART_PATH, path.c_str(), CURLU_URLENCODE) != CURLUE_OK)
    return CURLE_URL_MALFORMAT;
  curl_slist* commands = nullptr;
  for (const auto& command : after) {
    curl_slist* longer = api.slist_append(commands, command.c_str());
    if (longer == nullptr) {
      api.slist_free_all(commands);
      return CURLE_OUT_OF_MEMORY;
    }
    commands = longer;
  }
  Source source{&bytes};
  api.easy_setopt(curl, CURLOPT_NOBODY, 0L);
  api.easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  api.easy_setopt(curl, CURLOPT_TRANSFERTEXT, 0L);
  api.easy_setopt(curl, CURLOPT_READFUNCTION, read_body);
  api.easy_setopt(curl, CURLOPT_READDATA, &source);
  api.easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(bytes.size()));
  api.easy_setopt(curl, CURLOPT_POSTQUOTE, commands);
  const CURLcode rc = api.easy_perform(curl);
  api.easy_setopt(curl, CURLOPT_POSTQUOTE, nullptr);
  api.easy_setopt(curl, CURLOPT_READDATA, nullptr);
  api.easy_setopt(curl, CURLOPT_UPLOAD, 0L);
  api.slist_free_all(commands);
  return rc;
}

}  // namespace

bool ftp_host_acceptable(const std::string& host) {
  if (host.empty() || host.size() > 253) return false;
  // Letters, digits, dots, hyphens and underscores; bytes above 127 are left to the name
  // lookup (international names). Everything else could change how an address is read.
  return std::all_of(host.begin(), host.end(), [](char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_' || c >= 0x80;
  });
}

FtpSession::FtpSession() : state_(std::make_unique<State>()) {}

FtpSession::~FtpSession() {
  close();
}

bool FtpSession::is_open() const {
  return state_->open;
}

bool FtpSession::open(const std::string& host, const std::string& user, const std::string& password,
                      int port, bool passive, const FtpLimits& limits) {
  close();
  if (!ftp_host_acceptable(host) || has_line_break(user) || has_line_break(password) || port < 1 ||
      port > 65535)
    return false;
  State& s = *state_;
  // Only a login worth trying loads the library.
  s.api = curl_api();
  if (s.api == nullptr) return false;
  s.curl = s.api->easy_init();
  s.url = s.api->url();
  if (s.curl == nullptr || s.url == nullptr) {
    close();
    return false;
  }
  // The address is built part by part, never pasted together from text, so the host field
  // cannot bring in a port, a path or a user of its own.
  const std::string port_text = std::to_string(port);
  if (s.api->url_set(s.url, CURLUPART_SCHEME, "ftp", 0) != CURLUE_OK ||
      s.api->url_set(s.url, CURLUPART_HOST, host.c_str(), 0) != CURLUE_OK ||
      s.api->url_set(s.url, CURLUPART_PORT, port_text.c_str(), 0) != CURLUE_OK ||
      s.api->url_set(s.url, CURLUPART_PATH, "/", 0) != CURLUE_OK) {
    close();
    return false;
  }
  const long connect_s = std::max(1L, limits.connect_timeout_s);
  const long stall_s = std::max(1L, limits.stall_timeout_s);
  CURL* c = s.curl;
  s.api->easy_setopt(c, CURLOPT_CURLU, s.url);
  s.api->easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp");
  s.api->easy_setopt(c, CURLOPT_USERNAME, user.c_str());
  s.api->easy_setopt(c, CURLOPT_PASSWORD, password.c_str());
  s.api->easy_setopt(c, CURLOPT_CONNECTTIMEOUT, connect_s);
  s.api->easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, stall_s);
  s.api->easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  s.api->easy_setopt(c, CURLOPT_LOW_SPEED_TIME, stall_s);
  s.api->easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  // Passive data connections go to the control connection's address, whatever address the
  // server names in its reply.
  s.api->easy_setopt(c, CURLOPT_FTP_SKIP_PASV_IP, 1L);
  if (!passive) s.api->easy_setopt(c, CURLOPT_FTPPORT, "-");
  // Logging in and asking for the current folder, nothing else: the connection then stays in
  // the handle, logged in, and later operations of the session reuse it.
  s.api->easy_setopt(c, CURLOPT_NOBODY, 1L);
  if (s.api->easy_perform(c) != CURLE_OK) {
    close();
    return false;
  }
  s.open = true;
  return true;
}

bool FtpSession::send_file(const std::string& local_path, const std::string& remote_name) {
  State& s = *state_;
  if (!s.open || !plain_file_name(remote_name)) return false;
  const std::optional<std::string> bytes = read_file(local_path);
  if (!bytes) return false;

  const std::string temp_name = remote_name + ".part";
  CURLcode rc =
      store(*s.api, s.curl, s.url, temp_name, *bytes, {"RNFR " + temp_name, "RNTO " + remote_name});
  if (rc == CURLE_OK) return true;

  long reply = 0;
  s.api->easy_getinfo(s.curl, CURLINFO_RESPONSE_CODE, &reply);
  // The transfer was complete but the server would not rename it.
  const bool rename_refused = rc == CURLE_QUOTE_ERROR;
  // The server refused the temporary name outright (a permanent negative reply to STOR).
  const bool temp_refused = rc == CURLE_UPLOAD_FAILED && reply >= 500;
  if (!rename_refused && !temp_refused) return false;

  // Such a server gets the file under its final name; the complete copy under the temporary
  // name is removed if the server lets us ("*": its refusal does not fail the upload).
  std::vector<std::string> after;
  if (rename_refused) after.push_back("*DELE " + temp_name);
  rc = store(*s.api, s.curl, s.url, remote_name, *bytes, after);
  return rc == CURLE_OK;
}

void FtpSession::close() {
  State& s = *state_;
  // Cleaning up the handle sends QUIT on a connection that is still alive and closes it.
  if (s.curl != nullptr) s.api->easy_cleanup(s.curl);
  if (s.url != nullptr) s.api->url_cleanup(s.url);
  s.curl = nullptr;
  s.url = nullptr;
  s.open = false;
}

}  // namespace brinkmoor
