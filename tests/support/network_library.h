#pragma once
// Whether this process has the network library mapped, whoever loaded it.
#include <fstream>
#include <string>

namespace brinkmoor::test {

inline bool network_library_mapped() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line))
    if (line.find("/libcurl") != std::string::npos) return true;
  return false;
}

}  // namespace brinkmoor::test
