#include "shell/app.h"

#include "shell/text.h"

namespace brinkmoor {

bool read_command_line(const std::vector<std::string>& params) {
  bool auto_mode = false;
  for (const auto& p : params)
    if (text_equals(p, "-auto") || text_equals(p, "/auto")) auto_mode = true;
  return auto_mode;
}

}  // namespace brinkmoor
