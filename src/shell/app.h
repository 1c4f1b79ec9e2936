#pragma once
// The main program's run, from start-up to shutdown.
#include <string>
#include <vector>

namespace brinkmoor {

struct AppContext;

// True when a parameter is exactly "-auto" or "/auto". The parameters are those after the
// program's own name, as the system split them.
bool read_command_line(const std::vector<std::string>& params);

}  // namespace brinkmoor
