// When a backup pass is due.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ck {

// The pass is due once `intervalText` minutes have passed. A text that is no
// number (the box is still empty while a start-up message is open) is never due.
bool IsDue(std::string_view intervalText, std::uint64_t elapsedMs,
           std::string_view decimalSeparator = ".");

}  // namespace ck
