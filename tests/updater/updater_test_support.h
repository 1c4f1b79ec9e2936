#pragma once
// Helpers shared by the updater tests.
#include <functional>
#include <string>

namespace brinkmoor::test {

// The hand-over script as the build placed it beside the updater.
std::string built_hand_over_script();

// Polls until the condition holds; false when it still does not after timeout_ms. Used only for
// things that happen in processes the test does not wait for.
bool eventually(const std::function<bool()>& condition, int timeout_ms = 30000);

// True when the file exists and any of its permission bits allows execution.
bool is_executable(const std::string& path);

}  // namespace brinkmoor::test
