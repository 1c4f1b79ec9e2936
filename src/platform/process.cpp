#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>

extern char** environ;

namespace brinkmoor {
namespace {

std::vector<std::string> merged_environment(const std::vector<std::string>& extra) {
  std::map<std::string, std::string> vars;
  std::vector<std::string> order;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const auto eq = entry.find('=');
    const std::string name = entry.substr(0, eq);
    if (!vars.count(name)) order.push_back(name);
    vars[name] = entry;
  }
  for (const auto& entry : extra) {
    const auto eq = entry.find('=');
    if (!entry.empty() && entry[0] == '-') {
      vars.erase(entry.substr(1));
      continue;
    }
    const std::string name = entry.substr(0, eq);
    if (eq == std::string::npos || eq + 1 == entry.size()) {
      vars.erase(name);
      continue;
    }
    if (!vars.count(name)) order.push_back(name);
    vars[name] = entry;
  }
  std::vector<std::string> env;
  for (const auto& name : order)
    if (vars.count(name)) env.push_back(vars[name]);
  return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (auto& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

}  // namespace

int64_t ChildProcess::now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void ignore_broken_pipe() {
  ::signal(SIGPIPE, SIG_IGN);
}

bool started_hidden() {
  const char* v = std::getenv(kStartHiddenVariable);
  return v != nullptr && std::strcmp(v, "1") == 0;
}

bool start_detached(const std::string& program, const std::vector<std::string>& args,
                    const std::string& working_dir, bool hidden) {
  struct stat st {};
  if (::stat(program.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      ::access(program.c_str(), X_OK) != 0)
    return false;
  // A short-lived shell starts the program in the background and ends at once; we reap the
  // shell, and the program, orphaned, is reaped by the system, so no zombie stays behind.
  std::vector<std::string> argv = {"/bin/sh", "-c", "\"$0\" \"$@\" </dev/null &", program};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> env =
      merged_environment({std::string(kStartHiddenVariable) + "=" + (hidden ? "1" : "")});
  auto argv_p = pointers(argv);
  auto env_p = pointers(env);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!working_dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, working_dir.c_str());
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, "/bin/sh", &actions, nullptr, argv_p.data(), env_p.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

ChildProcess::~ChildProcess() {
  kill();
  if (out_fd_ >= 0) ::close(out_fd_);
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& args,
                         const std::string& working_dir, const std::vector<std::string>& extra_env,
                         bool capture_stderr) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> env = merged_environment(extra_env);
  auto argv_p = pointers(argv);
  auto env_p = pointers(env);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  if (capture_stderr) posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (!working_dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, working_dir.c_str());
  pid_t pid = -1;
  const int rc =
      posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv_p.data(), env_p.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    return false;
  }
  pid_ = pid;
  out_fd_ = fds[0];
  return true;
}

// Waits until output arrives (appended to the buffer), the output ends, or the deadline passes.
// False when nothing more can come before the deadline.
bool ChildProcess::read_more(int64_t deadline) {
  if (out_fd_ < 0) return false;
  const int64_t left = deadline - now_ms();
  if (left <= 0) return false;
  pollfd p{out_fd_, POLLIN, 0};
  if (::poll(&p, 1, static_cast<int>(left)) <= 0) return true;  // look at the clock again
  char buf[4096];
  const ssize_t n = ::read(out_fd_, buf, sizeof buf);
  if (n <= 0) {
    ::close(out_fd_);
    out_fd_ = -1;
    return false;
  }
  buffer_.append(buf, static_cast<size_t>(n));
  return true;
}

bool ChildProcess::read_line(std::string* line, int timeout_ms) {
  const int64_t deadline = now_ms() + timeout_ms;
  for (;;) {
    const auto nl = buffer_.find('\n');
    if (nl != std::string::npos) {
      *line = buffer_.substr(0, nl);
      buffer_.erase(0, nl + 1);
      return true;
    }
    if (!read_more(deadline)) return false;
  }
}

std::string ChildProcess::read_all(int timeout_ms) {
  const int64_t deadline = now_ms() + timeout_ms;
  while (read_more(deadline)) {
  }
  std::string out;
  out.swap(buffer_);
  return out;
}

int ChildProcess::wait(int timeout_ms) {
  if (pid_ <= 0) return -1;
  const int64_t deadline = now_ms() + timeout_ms;
  int status = 0;
  for (;;) {
    const pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) break;
    if (r < 0 && errno != EINTR) {
      pid_ = -1;
      return -1;
    }
    if (now_ms() >= deadline) {
      kill();
      return -1;
    }
    ::usleep(5000);
  }
  pid_ = -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

void ChildProcess::kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

}  // namespace brinkmoor
