// Made-up save files for the tests: never a real player's.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "components/SaveCheck.h"
#include "components/ZipFormat.h"

namespace ck::testing {

// A whole .d2s of `size` bytes for `name`, as the game writes it.
inline Bytes WholeSave(const std::string& name, std::size_t size = 700, std::uint32_t version = 0x60) {
  Bytes d(size);
  for (std::size_t i = 0; i < size; ++i) d[i] = static_cast<std::uint8_t>(i * 7 + name.size());
  auto put = [&](std::size_t at, std::uint32_t v) {
    for (int b = 0; b < 4; ++b) d[at + b] = static_cast<std::uint8_t>(v >> (8 * b));
  };
  put(0, 0xAA55AA55);
  put(4, version);
  put(8, static_cast<std::uint32_t>(size));
  put(12, SaveChecksum(d.data(), d.size()));
  return d;
}

inline Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A whole save whose header tells `level` and the `status` flags (0x04
// hardcore, 0x08 died), but whose body is no game's: no corpse is found,
// unless `corpse` lays one out after the fewest stats, skills and items.
inline Bytes StatedSave(const std::string& name, int level, int status = 0, bool corpse = false) {
  Bytes save = WholeSave(name, corpse ? 900 : 800);
  save[0x24] = static_cast<std::uint8_t>(status);
  save[0x2B] = static_cast<std::uint8_t>(level);
  if (corpse) {  // the stats' end mark, 30 bytes of skills, no item, a corpse holding one
    const std::string body = std::string("gf\xFF\x01if", 6) + std::string(30, '\0') + std::string("JM\0\0JM\x01\0", 8) +
                             std::string(12, '\0') + "JM";
    std::copy(body.begin(), body.end(), save.begin() + 0x2FD);
  }
  const std::uint32_t sum = SaveChecksum(save.data(), save.size());
  for (int b = 0; b < 4; ++b) save[12 + b] = static_cast<std::uint8_t>(sum >> (8 * b));
  return save;
}

#ifdef CK_FUZZ_SEEDS
// Saves laid out as the game's (tools/make_saves.py, in the fuzz seeds):
// "Alive", "Dead" (hardcore) and "Corpse" (softcore, died, a corpse there).
inline Bytes MadeSave(const std::string& state, int status = -1) {
  std::ifstream in(std::filesystem::path(CK_FUZZ_SEEDS) / "saves" / ("made-" + state + ".d2s"), std::ios::binary);
  Bytes save(std::istreambuf_iterator<char>(in), {});
  if (status >= 0) {  // another status byte, the checksum made whole again
    save[0x24] = static_cast<std::uint8_t>(status);
    const std::uint32_t sum = SaveChecksum(save.data(), save.size());
    for (int b = 0; b < 4; ++b) save[12 + b] = static_cast<std::uint8_t>(sum >> (8 * b));
  }
  return save;
}
#endif

}  // namespace ck::testing
