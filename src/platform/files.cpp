#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <thread>

namespace brinkmoor {

char path_separator() {
  return '/';
}

std::string working_directory() {
  std::string buf(4096, '\0');
  while (::getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE) return ".";
    buf.resize(buf.size() * 2);
  }
  buf.resize(std::char_traits<char>::length(buf.c_str()));
  return buf;
}

std::optional<std::vector<DirEntry>> list_directory(const std::string& path) {
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return std::nullopt;
  std::vector<DirEntry> entries;
  while (const dirent* e = ::readdir(dir)) {
    DirEntry entry;
    entry.name = e->d_name;
    if (e->d_type == DT_DIR) {
      entry.is_directory = true;
    } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st {};
      const std::string full = path + "/" + entry.name;
      entry.is_directory = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    entries.push_back(std::move(entry));
  }
  ::closedir(dir);
  return entries;
}

bool file_exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool remove_file(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

bool make_directory(const std::string& path) {
  return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

int64_t file_mtime(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  return static_cast<int64_t>(st.st_mtime);
}

bool set_file_mtime(const std::string& path, int64_t seconds) {
  struct timespec times[2];
  times[0].tv_sec = static_cast<time_t>(seconds);
  times[0].tv_nsec = 0;
  times[1] = times[0];
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

int64_t now_seconds() {
  return static_cast<int64_t>(std::time(nullptr));
}

void sleep_ms(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::optional<std::string> read_file(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return std::nullopt;
  std::string data;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  if (!ok) return std::nullopt;
  return data;
}

AtomicFileWriter::AtomicFileWriter(std::string target, unsigned mode, Durability durability)
    : target_(std::move(target)), durability_(durability) {
  std::string pattern = target_ + ".tmp-XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return;
  // mkstemp creates the file 0600; give it the requested mode (the umask still applies to
  // modes wider than the owner's).
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, static_cast<mode_t>(mode) & ~mask);
  file_ = ::fdopen(fd, "w+b");
  if (file_ == nullptr) {
    ::close(fd);
    ::unlink(pattern.c_str());
    return;
  }
  temp_path_ = pattern;
}

AtomicFileWriter::~AtomicFileWriter() {
  discard();
}

void AtomicFileWriter::discard() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_path_.empty()) {
    ::unlink(temp_path_.c_str());
    temp_path_.clear();
  }
}

bool AtomicFileWriter::commit() {
  if (file_ == nullptr) return false;
  bool ok = std::fflush(file_) == 0 && std::ferror(file_) == 0 &&
            (durability_ == Durability::Unsynced || ::fsync(::fileno(file_)) == 0);
  ok = (std::fclose(file_) == 0) && ok;
  file_ = nullptr;
  if (ok) ok = ::rename(temp_path_.c_str(), target_.c_str()) == 0;
  if (!ok) {
    ::unlink(temp_path_.c_str());
  }
  temp_path_.clear();
  return ok;
}

}  // namespace brinkmoor
