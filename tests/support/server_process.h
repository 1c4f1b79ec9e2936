#pragma once
// A loopback server for one test (a Python script from tests/support), started on a free port.
// The script prints "PORT <n>" when it listens, then one line for each request it served.
#include <string>
#include <vector>

#include "platform/process.h"

namespace brinkmoor::test {

class ServerProcess {
 public:
  // script: a file name in tests/support. Fails the calling test when the server does not come
  // up within 10 s.
  // extra_env: "NAME=value" entries for the server (BRINKMOOR_TEST_PORT=<n> asks for a port).
  ServerProcess(const std::string& script, const std::vector<std::string>& args,
                const std::vector<std::string>& extra_env = {});
  ~ServerProcess();
  int port() const { return port_; }
  // Request lines printed so far (waits up to wait_ms for more to arrive).
  std::vector<std::string> requests(int wait_ms = 200);
  bool ok() const { return port_ > 0; }

 private:
  ChildProcess child_;
  int port_ = 0;
  std::vector<std::string> lines_;
};

}  // namespace brinkmoor::test
