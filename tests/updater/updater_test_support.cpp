#include "updater_test_support.h"

#include <filesystem>

#include "platform/files.h"

namespace brinkmoor::test {

std::string built_hand_over_script() {
  return std::string(BRINKMOOR_BINARY_DIR) + "/src/updater/wsad_aktual.sh";
}

bool eventually(const std::function<bool()>& condition, int timeout_ms) {
  for (int waited = 0; waited < timeout_ms; waited += 20) {
    if (condition()) return true;
    sleep_ms(20);
  }
  return condition();
}

bool is_executable(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const auto perms = fs::status(path, ec).permissions();
  if (ec) return false;
  return (perms & (fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec)) !=
         fs::perms::none;
}

}  // namespace brinkmoor::test
