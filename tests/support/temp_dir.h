#pragma once
// A scratch folder for one test, removed with everything in it at the end.
#include <filesystem>
#include <string>

namespace brinkmoor::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder as the program names folders: ending in the separator.
  std::string dir() const { return path_.string() + "/"; }
  std::string file(const std::string& relative) const { return (path_ / relative).string(); }
  // Writes bytes to a file below the folder, making its folders.
  void write(const std::string& relative, const std::string& bytes) const;
  std::string read(const std::string& relative) const;
  void mkdir(const std::string& relative) const;

 private:
  std::filesystem::path path_;
};

// The bytes of a file of tests/data.
std::string test_data(const std::string& relative);
std::string test_data_path(const std::string& relative);

}  // namespace brinkmoor::test
