#include "shell/text.h"
#include "stats/stats.h"

namespace brinkmoor {

std::string extract_between(std::string_view text, std::string_view anchor,
                            std::string_view start_marker, std::string_view end_marker,
                            int max_length) {
  const int64_t a = find_text(text, anchor, 1);
  // The search starts at the anchor's last character, so the two may share it ("<td>" and ">").
  const int64_t s = find_text(text, start_marker, a + text_length(anchor) - 1);
  // Only the low 8 bits of the window size count.
  const int64_t window_size = static_cast<int64_t>(static_cast<uint32_t>(max_length) & 0xFFu);
  const std::string window = mid_text(text, s + text_length(start_marker), window_size);
  const int64_t e = find_text(window, end_marker, 1);
  return mid_text(window, 1, e - 1);
}

}  // namespace brinkmoor
