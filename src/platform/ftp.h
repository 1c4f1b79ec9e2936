#pragma once
// FTP sessions over libcurl (loaded by the first login attempted): log in, send files, log out.
#include <memory>
#include <string>

namespace brinkmoor {

struct FtpLimits {
  long connect_timeout_s = 15;
  // A transfer without progress, or a server that does not answer a command, for this long
  // ends the operation with a failure, so an unattended run always ends.
  long stall_timeout_s = 30;
};

// True when the text can only name a host: a host name or a dotted IPv4 address. Anything
// that would start a port, a path, a user part, a query or a fragment in an address (":", "/",
// "@", "?", "#"), spaces, control characters and the like make it unacceptable; such a text is
// refused rather than reinterpreted.
bool ftp_host_acceptable(const std::string& host);

// One FTP session: open() logs in, and the control connection then stays logged in until
// close() (or the destructor) sends QUIT and releases it.
class FtpSession {
 public:
  FtpSession();
  ~FtpSession();
  FtpSession(const FtpSession&) = delete;
  FtpSession& operator=(const FtpSession&) = delete;

  // Connects to host:port and logs in. True only when the control connection is made and the
  // server has accepted both the user name and the password; on failure nothing stays open.
  // The host is taken literally (see ftp_host_acceptable); user and password are sent as they
  // are and never become part of an address. A user, password or host holding a line break is
  // refused: it would smuggle further commands onto the control connection.
  bool open(const std::string& host, const std::string& user, const std::string& password, int port,
            bool passive, const FtpLimits& limits = {});
  bool is_open() const;

  // Sends a local file in binary type into the login folder under remote_name, and returns
  // when the transfer has ended. The bytes first go to a temporary remote name, which is
  // renamed to remote_name only after a complete transfer, so a broken transfer never leaves a
  // half file under remote_name. A server that refuses the temporary name or the rename gets
  // the file under remote_name directly. False when the local file cannot be read (nothing is
  // sent then), the name is not a plain file name, or the transfer fails.
  bool send_file(const std::string& local_path, const std::string& remote_name);

  // Logs out (QUIT) and releases the connections. Harmless when nothing is open.
  void close();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace brinkmoor
