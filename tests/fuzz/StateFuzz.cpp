// The state read from any bytes: nothing read outside them (the sanitizers
// watch), a corpse count the method can find, and no death between a save
// and itself.
#include "components/SaveState.h"
#include "tests/fuzz/Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> save(data, data + size);  // exactly its length
  ck::SaveState state = ck::ReadSaveState(save.data(), save.size());
  if (ck::fuzz::wrong) state.corpses = 2;  // spoiled: a count no save holds
  CK_FUZZ_CHECK(state.known || (!state.died && !state.corpses));
  CK_FUZZ_CHECK(!state.corpses || *state.corpses == 0 || *state.corpses == 1);
  CK_FUZZ_CHECK(!ck::DiedSince(state, state) && !ck::DiedSince(ck::SaveState{}, state));
  return 0;
}
