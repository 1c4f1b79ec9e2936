#include "shell/text_file.h"

#include <cstring>

namespace brinkmoor {

TextFileReader::~TextFileReader() {
  close();
}

bool TextFileReader::open(const std::string& path) {
  close();
  file_ = std::fopen(path.c_str(), "rb");
  pos_ = len_ = 0;
  return file_ != nullptr;
}

void TextFileReader::close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  pos_ = len_ = 0;
}

bool TextFileReader::fill() {
  if (pos_ < len_) return true;
  if (file_ == nullptr) return false;
  len_ = std::fread(buffer_, 1, sizeof buffer_, file_);
  pos_ = 0;
  return len_ > 0;
}

bool TextFileReader::at_end_of_file() {
  return !fill();
}

std::string TextFileReader::read_line() {
  std::string line;
  while (fill()) {
    // Copy the run up to the next line end in one piece, so long lines cost linear time.
    const char* start = buffer_ + pos_;
    const size_t avail = len_ - pos_;
    size_t n = 0;
    while (n < avail && start[n] != '\n' && start[n] != '\r' && start[n] != '\0') ++n;
    line.append(start, n);
    pos_ += n;
    if (pos_ == len_) continue;  // no line end in this buffer yet
    const char end = buffer_[pos_++];
    if (end == '\r' && fill() && buffer_[pos_] == '\n') ++pos_;
    return line;
  }
  return line;
}

bool TextFileWriter::create(const std::string& path, unsigned mode) {
  writer_ = std::make_unique<AtomicFileWriter>(path, mode);
  failed_ = false;
  if (writer_->file() == nullptr) {
    writer_.reset();
    return false;
  }
  std::setvbuf(writer_->file(), nullptr, _IOFBF, 4096);
  return true;
}

void TextFileWriter::write_line(const std::string& text) {
  if (!writer_) return;
  std::FILE* f = writer_->file();
  if (std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fputs("\r\n", f) < 0)
    failed_ = true;
}

bool TextFileWriter::close() {
  if (!writer_) return false;
  const bool ok = !failed_ && writer_->commit();
  writer_.reset();
  return ok;
}

}  // namespace brinkmoor
