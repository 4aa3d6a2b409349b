// What a character's save says of the character: its level, and whether it
// has died. The fixed header of versions 92 and 96 gives the level and the
// flags; the corpse is found in the variable part, without the game's item
// tables, by a method that is observed rather than documented: where it
// finds nothing, it says it knows nothing. Reads nothing outside its input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace ck {

struct SaveState {
  bool known = false;  // a save of version 92 or 96 whose header is there
  int level = 0;
  bool hardcore = false;
  bool died = false;            // hardcore: dead for good; softcore: died once at least
  std::optional<int> corpses;   // how many corpses lie where the character died, where found
  bool dead() const { return hardcore && died; }
  bool corpse() const { return corpses.value_or(0) > 0; }
};

SaveState ReadSaveState(const std::uint8_t* data, std::size_t size);

// Whether the character died between a save read as `then` and one read as
// `now`: its "died" flag is new (a hardcore character's death, or a
// softcore character's first), or it holds a corpse and held none then. A
// corpse not found then counts as none: a wrong answer may only ever keep
// an archive more.
bool DiedSince(const SaveState& then, const SaveState& now);

}  // namespace ck
