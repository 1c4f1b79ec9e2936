#pragma once
// Starting other programs.
#include <cstdint>
#include <string>
#include <vector>

namespace brinkmoor {

// The environment variable through which a launcher asks for a hidden start: the started
// program treats its first request to show a window as a request to keep it hidden.
inline constexpr const char* kStartHiddenVariable = "BRINKMOOR_START_HIDDEN";

// A program whose output goes to a pipe that its reader has closed (a scheduler's log helper
// that ended) must go on and save its settings rather than die of SIGPIPE; writes then fail
// quietly instead.
void ignore_broken_pipe();

// True when this process was started with a hidden initial show state.
bool started_hidden();

// Starts a program and does not wait for it; the child never becomes a zombie of ours.
// False when the program does not exist, is not executable or cannot be started.
bool start_detached(const std::string& program, const std::vector<std::string>& args,
                    const std::string& working_dir, bool hidden);

// A child process whose standard output can be read; used by test fixtures and the
// end-to-end suite to run servers and the real binaries.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // extra_env: "NAME=value" entries added to (or replacing in) this process's environment;
  // an entry "NAME=" with nothing after it (or "-NAME") removes NAME.
  bool start(const std::string& program, const std::vector<std::string>& args,
             const std::string& working_dir = "", const std::vector<std::string>& extra_env = {},
             bool capture_stderr = false);
  // The next line of standard output, waiting at most timeout_ms; false on time-out or end.
  bool read_line(std::string* line, int timeout_ms);
  // Everything still to come on standard output (and standard error when captured), until the
  // process closes it or timeout_ms runs out.
  std::string read_all(int timeout_ms);
  // Waits for the end; the exit code, or -1 when it had to be killed after timeout_ms, or
  // 128 + signal when a signal ended it.
  int wait(int timeout_ms);
  void kill();
  int pid() const { return pid_; }
  bool running() const { return pid_ > 0; }

 private:
  static int64_t now_ms();
  bool read_more(int64_t deadline);
  int pid_ = -1;
  int out_fd_ = -1;
  std::string buffer_;
};

}  // namespace brinkmoor
