// Whether a character file (.d2s) is whole. The game rewrites it in place
// (truncate, then one write), so a reader at the wrong moment sees an empty
// file or a prefix of it: such a file must never replace a good backup.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ck {

// The checksum of a save: bytes 12 to 15 count as zero, and over every
// byte b, sum = rotate-left(sum, 1) + b.
std::uint32_t SaveChecksum(const std::uint8_t* data, std::size_t size);

// The signature must open the file; from version 0x5C on, the size field
// must equal the length and the checksum must match. Older saves carry
// neither and pass on their signature alone.
bool IsWholeSave(const std::uint8_t* data, std::size_t size);

}  // namespace ck
