#pragma once
// Files, folders, time and pauses: the only place that talks to the operating system about them.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace brinkmoor {

// The native path separator ('/' here, '\\' on Windows).
char path_separator();

// The process's working directory, without a trailing separator guarantee.
std::string working_directory();

struct DirEntry {
  std::string name;
  bool is_directory = false;
};
// Every entry of a folder ("." and ".." included, as folders), in the order the system lists
// them; nullopt when the folder cannot be listed.
std::optional<std::vector<DirEntry>> list_directory(const std::string& path);

bool file_exists(const std::string& path);
bool remove_file(const std::string& path);
bool make_directory(const std::string& path);
// Last-modification time in seconds since 1970; 0 when the file does not exist.
int64_t file_mtime(const std::string& path);
bool set_file_mtime(const std::string& path, int64_t seconds);
int64_t now_seconds();
void sleep_ms(int milliseconds);

// Reads a whole file; nullopt when it cannot be read.
std::optional<std::string> read_file(const std::string& path);

// Writes a file so that a reader never sees it half-written: the bytes go into a temporary file
// in the same folder, which is flushed to disk and renamed over the target by commit(). When the
// writer is destroyed without a successful commit, the temporary file is removed and the target
// keeps its previous content.
class AtomicFileWriter {
 public:
  // mode: permission bits of a newly created file (for example 0600 for files with passwords).
  // durable: commit() also syncs the bytes to disk before the rename, so that even a power
  // failure cannot leave an empty file behind. Files that are remade on every run and cost
  // nothing to lose (the signature picture, downloads) skip the sync, which costs milliseconds.
  enum class Durability { Synced, Unsynced };
  explicit AtomicFileWriter(std::string target, unsigned mode = 0644,
                            Durability durability = Durability::Synced);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // The open temporary file, or nullptr when it could not be created.
  std::FILE* file() const { return file_; }
  // Flushes, syncs and renames over the target. False (target untouched) on any failure.
  bool commit();
  // Drops the temporary file; the target is untouched.
  void discard();
  const std::string& temp_path() const { return temp_path_; }

 private:
  std::string target_;
  std::string temp_path_;
  std::FILE* file_ = nullptr;
  Durability durability_ = Durability::Synced;
};

}  // namespace brinkmoor
