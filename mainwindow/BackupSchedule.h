// When a backup pass is due, and which slot it writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ck {

// The pass is due once `intervalText` minutes have passed. A text that is no
// number (the box is still empty while a start-up message is open) is never due.
bool IsDue(std::string_view intervalText, std::uint64_t elapsedMs,
           std::string_view decimalSeparator = ".");

// The slot after `current` (0 before the first pass) when `keep` archives
// are kept per character: 1, 2, ..., keep, 1, ...
int NextSlot(int current, int keep);

}  // namespace ck
