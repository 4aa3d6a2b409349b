// What the fuzz targets share: the character every fuzzed archive meets,
// and a check that stops the run where a property fails.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "components/ZipFormat.h"
#include "tests/common/SaveFiles.h"

// Aborts with the property that failed, so that libFuzzer keeps the input.
#define CK_FUZZ_CHECK(property)                                                    \
  do {                                                                             \
    if (!(property)) {                                                             \
      std::fprintf(stderr, "%s:%d: does not hold: %s\n", __FILE__, __LINE__, #property); \
      if (ck::fuzz::wrong) throw ck::fuzz::DoesNotHold{};                          \
      std::abort();                                                                \
    }                                                                              \
  } while (0)

namespace ck::fuzz {

// Set by the replay's --wrong: each target then spoils an outcome of the code
// it checks, so that its property is seen to fail, and the failed check
// throws back to the replay instead of aborting.
inline bool wrong = false;
struct DoesNotHold {};

// Small, so that the inputs made of it stay small, and whole; sorted by name
// as the archiver sorts its entries.
inline std::vector<ZipEntry> Character() {
  using testing::Text;
  // 2026-07-07 12:00 in Berlin, 10:00 UTC.
  return {{"Bob.d2s", testing::WholeSave("Bob", 700), 0x6000, 0x5CE7, 1783418400},
          {"Bob.key", Text(std::string(64, 'k')), 0x6000, 0x5CE7, 1783418400},
          {"Bob.ma0", Text("the map of Bob's first act"), 0x6000, 0x5CE7, {}}};
}

}  // namespace ck::fuzz
