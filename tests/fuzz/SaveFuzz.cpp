// The whole-save check over any bytes: it reads nothing outside them (the
// sanitizers watch), and calls a save whole only when its size field and
// checksum say so.
#include "components/SaveCheck.h"
#include "tests/fuzz/Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly the input's length, so that any read beyond it is caught.
  const std::vector<std::uint8_t> save(data, data + size);
  // Spoiled under --wrong: any bytes pass for a whole save.
  if (!ck::IsWholeSave(save.data(), save.size()) && !ck::fuzz::wrong) return 0;
  const auto get32 = [&](std::size_t at) {
    return save[at] | save[at + 1] << 8 | save[at + 2] << 16 | std::uint32_t{save[at + 3]} << 24;
  };
  CK_FUZZ_CHECK(size >= 8 && get32(0) == 0xAA55AA55);
  if (get32(4) >= 0x5C) {
    CK_FUZZ_CHECK(size >= 16 && get32(8) == size && get32(12) == ck::SaveChecksum(save.data(), save.size()));
  }
  return 0;
}
