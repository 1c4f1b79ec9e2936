#include "support/server_process.h"

#include <gtest/gtest.h>

namespace brinkmoor::test {

ServerProcess::ServerProcess(const std::string& script, const std::vector<std::string>& args,
                             const std::vector<std::string>& extra_env) {
  std::vector<std::string> argv = {"-u", std::string(BRINKMOOR_TEST_SUPPORT) + "/" + script};
  argv.insert(argv.end(), args.begin(), args.end());
  if (!child_.start("python3", argv, "", extra_env)) {
    ADD_FAILURE() << "cannot start python3 " << script;
    return;
  }
  std::string line;
  while (child_.read_line(&line, 10000)) {
    if (line.rfind("PORT ", 0) == 0) {
      port_ = std::stoi(line.substr(5));
      return;
    }
  }
  ADD_FAILURE() << "server " << script << " did not start";
}

ServerProcess::~ServerProcess() {
  child_.kill();
}

std::vector<std::string> ServerProcess::requests(int wait_ms) {
  std::string line;
  while (child_.read_line(&line, wait_ms)) lines_.push_back(line);
  return lines_;
}

}  // namespace brinkmoor::test
