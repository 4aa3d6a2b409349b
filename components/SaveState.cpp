#include "components/SaveState.h"

namespace ck {
namespace {

constexpr std::size_t kStatus = 0x24, kLevel = 0x2B, kStats = 0x2FD;
constexpr std::uint8_t kHardcore = 0x04, kDied = 0x08;

bool At(const std::uint8_t* data, std::size_t size, std::size_t at, const char* two) {
  return at <= size && size - at >= 2 && data[at] == two[0] && data[at + 1] == two[1];
}

// The byte after the stats, which are bit-packed from the least significant
// bit: a 9-bit id, then its value, until the id 0x1FF, padded to a byte.
std::optional<std::size_t> AfterStats(const std::uint8_t* data, std::size_t size) {
  static constexpr int kWidths[16] = {10, 10, 10, 10, 10, 8, 21, 21, 21, 21, 21, 21, 7, 32, 25, 25};
  const std::size_t end = (size - kStats - 2) * 8;  // bits after "gf"
  std::size_t bit = 0;
  const auto read = [&](int width, std::uint32_t& value) {
    if (end - bit < static_cast<std::size_t>(width)) return false;
    value = 0;
    for (int i = 0; i < width; ++i, ++bit) {
      value |= static_cast<std::uint32_t>((data[kStats + 2 + bit / 8] >> (bit % 8)) & 1) << i;
    }
    return true;
  };
  // Each of the sixteen at most once, then the end mark.
  for (int stat = 0; stat <= 16; ++stat) {
    std::uint32_t id = 0, value = 0;
    if (!read(9, id)) return std::nullopt;
    if (id == 0x1FF) return kStats + 2 + (bit + 7) / 8;
    if (id >= 16 || !read(kWidths[id], value)) return std::nullopt;
  }
  return std::nullopt;
}

// The corpse header is the first "JM" after the player's own that is
// followed by a count of 0 and then "jf" or the end of the file, or by a
// count of 1, 12 bytes and "JM". An item's own "JM" never is: its next 16
// bits are never 1, and its byte at +4 is never 'j'.
std::optional<int> Corpses(const std::uint8_t* data, std::size_t size) {
  if (!At(data, size, kStats, "gf")) return std::nullopt;
  const std::optional<std::size_t> skills = AfterStats(data, size);
  if (!skills || !At(data, size, *skills, "if")) return std::nullopt;
  const std::size_t items = *skills + 2 + 30;
  if (!At(data, size, items, "JM")) return std::nullopt;
  for (std::size_t at = items + 4; at <= size && size - at >= 4; ++at) {
    if (data[at] != 'J' || data[at + 1] != 'M') continue;
    const int count = data[at + 2] | data[at + 3] << 8;
    if (count == 0 && (size - at == 4 || At(data, size, at + 4, "jf"))) return 0;
    if (count == 1 && At(data, size, at + 16, "JM")) return 1;
  }
  return std::nullopt;
}

}  // namespace

SaveState ReadSaveState(const std::uint8_t* data, std::size_t size) {
  SaveState state;
  if (size < kStats || data[0] != 0x55 || data[1] != 0xAA || data[2] != 0x55 || data[3] != 0xAA) return state;
  const std::uint32_t version = data[4] | data[5] << 8 | data[6] << 16 | std::uint32_t{data[7]} << 24;
  if (version != 92 && version != 96) return state;
  state.known = true;
  state.level = data[kLevel];
  state.hardcore = data[kStatus] & kHardcore;
  state.died = data[kStatus] & kDied;
  state.corpses = Corpses(data, size);
  return state;
}

bool DiedSince(const SaveState& then, const SaveState& now) {
  if (!then.known || !now.known) return false;
  return (now.died && !then.died) || (now.corpse() && !then.corpse());
}

}  // namespace ck
