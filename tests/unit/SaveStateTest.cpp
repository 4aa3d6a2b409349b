// The character's state read from saves laid out as the game writes them
// (made by tools/make_saves.py, in the fuzz targets' seeds).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>

#include "components/SaveState.h"
#include "components/ZipFormat.h"

namespace {

ck::Bytes Seed(const std::string& name) {
  std::ifstream in(std::filesystem::path(CK_FUZZ_SEEDS) / "saves" / name, std::ios::binary);
  return ck::Bytes(std::istreambuf_iterator<char>(in), {});
}

ck::SaveState State(const ck::Bytes& save) { return ck::ReadSaveState(save.data(), save.size()); }

TEST(SaveState, TheLevelAndEachWayOfHavingDied) {
  const ck::SaveState alive = State(Seed("made-Alive.d2s")), dead = State(Seed("made-Dead.d2s")),
                      corpse = State(Seed("made-Corpse.d2s"));
  ASSERT_TRUE(alive.known && dead.known && corpse.known);
  EXPECT_EQ(alive.level, Seed("made-Alive.d2s")[0x2B]);
  EXPECT_TRUE(alive.level >= 1 && alive.level <= 99);
  using Flags = std::tuple<bool, bool, bool, std::optional<int>>;  // hardcore, died, dead, corpses
  const auto of = [](const ck::SaveState& s) { return Flags{s.hardcore, s.died, s.dead(), s.corpses}; };
  EXPECT_EQ(of(alive), (Flags{false, false, false, 0}));
  EXPECT_EQ(of(dead), (Flags{true, true, true, 0}));
  EXPECT_EQ(of(corpse), (Flags{false, true, false, 1}));

  // A classic character's save ends right after the corpse header.
  ck::Bytes classic = Seed("made-Alive.d2s");
  classic.resize(classic.size() - 5);  // "jf", "kf" and the golem's byte
  EXPECT_EQ(State(classic).corpses, 0);
  // Cut inside the items, or inside the stats: no corpse is known, either way.
  classic.resize(classic.size() - 30);
  EXPECT_EQ(State(classic).corpses, std::nullopt);
  classic.resize(0x300);
  EXPECT_TRUE(State(classic).known);
  EXPECT_EQ(State(classic).corpses, std::nullopt);
}

TEST(SaveState, OnlyVersions92And96AreRead) {
  ck::Bytes save = Seed("made-Dead.d2s");
  for (const std::uint8_t version : {71, 89, 97, 98}) {
    save[4] = version;
    EXPECT_FALSE(State(save).known) << int{version};
    EXPECT_FALSE(State(save).dead()) << int{version};
  }
  save[4] = 92;
  EXPECT_TRUE(State(save).dead());
  EXPECT_FALSE(State(ck::Bytes(save.begin(), save.begin() + 0x2FC)).known);
}

// Died since: a new "died" flag, or a corpse where there was none; never a
// corpse already there, nor anything of a save that could not be read.
TEST(SaveState, DiedSinceOnlyForANewFlagOrANewCorpse) {
  const auto state = [](bool died, std::optional<int> corpses, bool known = true) {
    return ck::SaveState{known, 40, false, died, corpses};
  };
  EXPECT_TRUE(ck::DiedSince(state(false, 0), state(true, 0)));
  EXPECT_TRUE(ck::DiedSince(state(true, 0), state(true, 1)));
  EXPECT_TRUE(ck::DiedSince(state(true, std::nullopt), state(true, 1)));
  EXPECT_FALSE(ck::DiedSince(state(true, 1), state(true, 1)));
  EXPECT_FALSE(ck::DiedSince(state(true, 1), state(true, 0)));
  EXPECT_FALSE(ck::DiedSince(state(true, 0), state(true, std::nullopt)));
  EXPECT_FALSE(ck::DiedSince(state(false, 0, false), state(true, 1)));
}

}  // namespace
