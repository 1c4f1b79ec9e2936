#pragma once
// Text files read and written line by line through a 4096-byte buffer. Lines end at LF, CR,
// CR LF or a NUL byte when read, and are written with CR LF.
#include <cstdio>
#include <memory>
#include <string>

#include "platform/files.h"

namespace brinkmoor {

class TextFileReader {
 public:
  TextFileReader() = default;
  ~TextFileReader();
  TextFileReader(const TextFileReader&) = delete;
  TextFileReader& operator=(const TextFileReader&) = delete;

  // The file must exist.
  bool open(const std::string& path);
  bool is_open() const { return file_ != nullptr; }
  // The next line without its ending; empty text at the end of the file.
  std::string read_line();
  // True when no byte is left to read.
  bool at_end_of_file();
  void close();

 private:
  bool fill();
  std::FILE* file_ = nullptr;
  char buffer_[4096];
  size_t pos_ = 0;
  size_t len_ = 0;
};

// Writes a new file. Nothing is visible under the target name until close() succeeds: the
// lines go to a temporary file that close() flushes to disk and renames over the target, so a
// failed or interrupted write leaves the previous file intact.
class TextFileWriter {
 public:
  // mode: permission bits of the file (0600 for files holding passwords).
  bool create(const std::string& path, unsigned mode = 0644);
  void write_line(const std::string& text);
  // True when every line reached the disk and the file took the target's place.
  bool close();

 private:
  std::unique_ptr<AtomicFileWriter> writer_;
  bool failed_ = false;
};

}  // namespace brinkmoor
