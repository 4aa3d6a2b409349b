#include "components/SaveCheck.h"

namespace ck {
namespace {

std::uint32_t Get32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

std::uint32_t SaveChecksum(const std::uint8_t* data, std::size_t size) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t b = (i >= 12 && i < 16) ? 0 : data[i];
    sum = ((sum << 1) | (sum >> 31)) + b;
  }
  return sum;
}

bool IsWholeSave(const std::uint8_t* data, std::size_t size) {
  constexpr std::uint32_t kSignature = 0xAA55AA55;
  constexpr std::uint32_t kFirstChecksummedVersion = 0x5C;
  if (size < 8 || Get32(data) != kSignature) return false;
  if (Get32(data + 4) < kFirstChecksummedVersion) return true;
  return size >= 16 && Get32(data + 8) == size && Get32(data + 12) == SaveChecksum(data, size);
}

}  // namespace ck
