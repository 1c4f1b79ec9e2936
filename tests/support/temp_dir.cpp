#include "support/temp_dir.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace brinkmoor::test {

TempDir::TempDir() {
  std::random_device rd;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("brinkmoor-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void TempDir::write(const std::string& relative, const std::string& bytes) const {
  const auto p = path_ / relative;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempDir::read(const std::string& relative) const {
  std::ifstream in(path_ / relative, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void TempDir::mkdir(const std::string& relative) const {
  std::filesystem::create_directories(path_ / relative);
}

std::string test_data_path(const std::string& relative) {
  return std::string(BRINKMOOR_TEST_DATA) + "/" + relative;
}

std::string test_data(const std::string& relative) {
  std::ifstream in(test_data_path(relative), std::ios::binary);
  if (!in) throw std::runtime_error("missing test data: " + relative);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace brinkmoor::test
