// How registry locations and data become text. No Win32 here, so the rules
// are unit-tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ck {

// Value types the accessor understands, with their Win32 numbers.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

// MainBranch\RegBase\Program\Section, parts taken as they are (empty parts
// leave doubled backslashes), less one trailing backslash.
std::string ComposeKeyPath(std::string_view mainBranch, std::string_view regBase,
                           std::string_view program, std::string_view section);

// The text of REG_SZ data: the `returned` bytes the query stored in `data`
// (which holds `capacity` bytes), ending at the first NUL, since Win32 reads
// a string no further than that whether or not the value was stored with a
// terminator.
std::string DecodeStringData(const char* data, std::size_t capacity, std::size_t returned);

// The text of REG_DWORD data: its bits read as a signed 32-bit number.
std::string DwordText(std::uint32_t bits);

// ReadEntry's answer: the value's text, or the default when that is empty.
std::string TextOrDefault(const std::optional<std::string>& value, std::string_view fallback);

}  // namespace ck
