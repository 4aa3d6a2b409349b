// Names that look alike, each read as whose, which kind, which slot and
// which time, and made again from what was read.
#include "components/ArchiveNames.h"

#include <gtest/gtest.h>

namespace {

using ck::ArchiveKind;

struct Row {
  const char* file;
  ArchiveKind kind;
  const char* character;  // whose, by the name alone
  int slot;
  const char* stamp;
  int clash;
};

TEST(ArchiveNames, NamesThatLookAlikeAreEachReadForWhatTheyAre) {
  const Row rows[] = {
      {"Bob3.zip", ArchiveKind::Slot, "Bob", 3, "", 1},
      {"Bob-Kept1.zip", ArchiveKind::Slot, "Bob-Kept", 1, "", 1},
      {"Bob_Jr9999.zip", ArchiveKind::Slot, "Bob_Jr", 9999, "", 1},
      {"Bob-kept-20261207-050412.zip", ArchiveKind::Kept, "Bob", 0, "20261207-050412", 1},
      {"Bob-kept-20261207-050412-2.zip", ArchiveKind::Kept, "Bob", 0, "20261207-050412", 2},
      {"Bob-Kept-kept-20261207-050412-13.zip", ArchiveKind::Kept, "Bob-Kept", 0, "20261207-050412", 13},
      {"Bob-before-death-20261207-170412.zip", ArchiveKind::BeforeDeath, "Bob", 0, "20261207-170412", 1},
      {"Bob-before-restore-20261207-170412-3.zip", ArchiveKind::BeforeRestore, "Bob", 0, "20261207-170412", 3},
      {"Bob-before-restore.zip", ArchiveKind::BeforeRestore, "Bob", 0, "", 1},
      {"Bob-restoring-20261207-170412.zip", ArchiveKind::Restoring, "Bob", 0, "20261207-170412", 1},
      {"Bob-before-undo.zip", ArchiveKind::BeforeRestore, "Bob", 0, "", 1},
      {"bob1.ZIP", ArchiveKind::Slot, "bob", 1, "", 1},
      {"Bj\xF6rn2.zip", ArchiveKind::Slot, "Bj\xF6rn", 2, "", 1},
      {"\x83\x41\x83\x8A\x83X7.zip", ArchiveKind::Slot, "\x83\x41\x83\x8A\x83X", 7, "", 1},
      {"~Bob3.zip.cktmp", ArchiveKind::Temporary, "Bob", 3, "", 1},
      {"~Bob-kept-20261207-050412-2.zip.cktmp", ArchiveKind::Temporary, "Bob", 0, "20261207-050412", 2},
      {"~Bob.d2s.cktmp", ArchiveKind::Temporary, "Bob", 0, "", 1},
      {"Bob-20261025-023000+0200.zip", ArchiveKind::History, "Bob", 0, "20261025-023000", 1},
      {"Bob-20261025-023000+0100-2.zip", ArchiveKind::History, "Bob", 0, "20261025-023000", 2},
      {"Bob-Kept-20260308-013000-0500.zip", ArchiveKind::History, "Bob-Kept", 0, "20260308-013000", 1},
      {"Bj\xF6rn-20261209-120000+0100-12.zip", ArchiveKind::History, "Bj\xF6rn", 0, "20261209-120000", 12},
      // None of these is anyone's by its name alone: no number, a leading
      // zero, a number too long, a name the game gives no one, a stamp cut
      // short or a clash of 1.
      {"Bob.zip", ArchiveKind::None, "", 0, "", 1},
      {"Bob01.zip", ArchiveKind::None, "", 0, "", 1},
      {"Bob12345.zip", ArchiveKind::None, "", 0, "", 1},
      {"Bob1 - Copy.zip", ArchiveKind::None, "", 0, "", 1},
      {"Bob - Copy2.zip", ArchiveKind::None, "", 0, "", 1},
      {"Bob-Kept-1.zip", ArchiveKind::None, "", 0, "", 1},
      {"1.zip", ArchiveKind::None, "", 0, "", 1},
      {"Bob1.zip.bak", ArchiveKind::None, "", 0, "", 1},
      {"Bob-kept-2026127-050412.zip", ArchiveKind::None, "", 0, "", 1},
      {"Bob-kept-20261207-050412-1.zip", ArchiveKind::None, "", 0, "", 1},
      {"-kept-20261207-050412.zip", ArchiveKind::None, "", 0, "", 1},
      {"~.cktmp", ArchiveKind::None, "", 0, "", 1},
      {"Bob-20261209-120000+1500.zip", ArchiveKind::None, "", 0, "", 1},
      {"Bob-20261309-120000+0100.zip", ArchiveKind::None, "", 0, "", 1},
      {"Bob-20261209-120000+0100-1.zip", ArchiveKind::None, "", 0, "", 1},
      {"Bob-20261209-120000.zip", ArchiveKind::None, "", 0, "", 1},
      {"-20261209-120000+0100.zip", ArchiveKind::None, "", 0, "", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    const ck::ArchiveName read = ck::ReadArchiveName(row.file);
    EXPECT_EQ(read.kind, row.kind);
    EXPECT_EQ(read.character, row.character);
    EXPECT_EQ(read.slot, row.slot);
    EXPECT_EQ(read.stamp, row.stamp);
    EXPECT_EQ(read.clash, row.clash);
    // What was read makes the same name again, but for the case of the
    // letters that are not the character's.
    if (row.kind != ArchiveKind::None && row.kind != ArchiveKind::Slot) {
      EXPECT_EQ(ck::MakeArchiveName(read), row.file);
    }
  }
  EXPECT_EQ(ck::MakeArchiveName(ck::ReadArchiveName("bob1.ZIP")), "bob1.zip");
}

TEST(ArchiveNames, ACharactersOwnArchivesAreItsAloneWhateverTheNamesAround) {
  struct Asked {
    const char* file;
    const char* character;
    ArchiveKind kind;  // as that character's
    int slot;
  };
  const Asked rows[] = {
      // A legal name with one dash owns its slots; Bob does not.
      {"Bob-Kept1.zip", "Bob-Kept", ArchiveKind::Slot, 1},
      {"Bob-Kept1.zip", "Bob", ArchiveKind::None, 0},
      {"Bob-kept-20261207-050412.zip", "Bob", ArchiveKind::Kept, 0},
      {"Bob-kept-20261207-050412.zip", "Bob-kept", ArchiveKind::None, 0},
      {"Bobby1.zip", "Bob", ArchiveKind::None, 0},
      {"Bob1.zip", "Bobby", ArchiveKind::None, 0},
      {"Bob01.zip", "Bob", ArchiveKind::None, 0},
      {"bob1.ZIP", "Bob", ArchiveKind::Slot, 1},
      {"Bob-before-death-20261207-170412.zip", "Bob", ArchiveKind::BeforeDeath, 0},
      {"Bob-before-death-20261207-170412.zip", "Bob-before", ArchiveKind::None, 0},
      {"Bob-before-restore.zip", "Bob", ArchiveKind::BeforeRestore, 0},
      {"~Bob3.zip.cktmp", "Bob", ArchiveKind::Temporary, 3},
      {"~Bob3.zip.cktmp", "Alice", ArchiveKind::None, 0},
      {"~Bob.d2s.cktmp", "Bobby", ArchiveKind::None, 0},
      // Copies that players keep are characters too, and own what follows
      // their whole name.
      {"Bob - Copy2.zip", "Bob - Copy", ArchiveKind::Slot, 2},
      {"Bob1 - Copy.zip", "Bob", ArchiveKind::None, 0},
      {"Bob11.zip", "Bob1", ArchiveKind::Slot, 1},
      // Bytes beyond ASCII are compared as they are.
      {"Bj\xF6rn2.zip", "Bj\xF6rn", ArchiveKind::Slot, 2},
      {"Bj\xD6rn2.zip", "Bj\xF6rn", ArchiveKind::None, 0},
  };
  for (const Asked& row : rows) {
    SCOPED_TRACE(std::string(row.file) + " as " + row.character + "'s");
    const ck::ArchiveName read = ck::ReadArchiveName(row.file, row.character);
    EXPECT_EQ(read.kind, row.kind);
    EXPECT_EQ(read.slot, row.slot);
  }

  // Beside a copy kept as Bob1, no name that Bob1's archives could have is
  // Bob's; a copy whose number starts with 0 takes no name of his.
  const std::vector<std::string> folder = {"Bob1", "Bob", "Bob01", "Alice"};
  EXPECT_EQ(ck::ReadArchiveName("Bob1.zip", "Bob", folder).slot, 1);
  EXPECT_EQ(ck::ReadArchiveName("Bob21.zip", "Bob", folder).slot, 21);
  EXPECT_EQ(ck::ReadArchiveName("bob11.zip", "Bob", folder).kind, ArchiveKind::None);
  EXPECT_EQ(ck::ReadArchiveName("~Bob12.zip.cktmp", "Bob", folder).kind, ArchiveKind::None);
  EXPECT_EQ(ck::ReadArchiveName("Bob-kept-20261207-050412-12.zip", "Bob", folder).kind, ArchiveKind::Kept);
  EXPECT_EQ(ck::NamesTakenFrom("Bob1", folder), "Bob");
  for (const char* free : {"Bob", "Bob01", "Alice"}) EXPECT_EQ(ck::NamesTakenFrom(free, folder), "") << free;
}

TEST(ArchiveNames, MadeNamesReadBackAndAClashTakesTheNextFreeNumber) {
  EXPECT_EQ(ck::SlotName("Bob", 10), "Bob10.zip");
  EXPECT_EQ(ck::DatedName(ArchiveKind::BeforeDeath, "Bob", "20261207-170412"), "Bob-before-death-20261207-170412.zip");
  EXPECT_EQ(ck::TemporaryName("C:\\save\\Bob3.zip"), "C:\\save\\~Bob3.zip.cktmp");
  EXPECT_EQ(ck::TemporaryName("Bob.d2s"), "~Bob.d2s.cktmp");
  EXPECT_EQ(ck::NameStamp(2026, 12, 7, 5, 4, 12), "20261207-050412");
  // 2026-12-07 17:04:12 in DOS form keeps even seconds only.
  EXPECT_EQ(ck::NameStamp(static_cast<std::uint16_t>((46 << 9) | (12 << 5) | 7),
                          static_cast<std::uint16_t>((17 << 11) | (4 << 5) | 6)),
            "20261207-170412");

  std::vector<std::string> tried;
  const std::string free = ck::FirstFreeName(ArchiveKind::Kept, "Bob", "20261207-050412", [&](const std::string& f) {
    tried.push_back(f);
    return tried.size() < 3;
  });
  EXPECT_EQ(free, "Bob-kept-20261207-050412-3.zip");
  EXPECT_EQ(tried, (std::vector<std::string>{"Bob-kept-20261207-050412.zip", "Bob-kept-20261207-050412-2.zip",
                                             "Bob-kept-20261207-050412-3.zip"}));
  // Every name taken: the tries end.
  int tries = 0;
  ck::FirstFreeName(ArchiveKind::Kept, "Bob", "20261207-050412", [&](const std::string&) { return ++tries > 0; });
  EXPECT_EQ(tries, ck::kMostClashes);

  // A history name carries the local time and its offset, so the hour that
  // summer time's end repeats gives two; the time read back is the one
  // made, on either side of UTC and before 1970.
  struct Made {
    std::int64_t unixTime;
    int offset;
    const char* file;
  };
  for (const Made& made : {Made{1792888200, 120, "Bob-20261025-023000+0200.zip"},
                           Made{1792891800, 60, "Bob-20261025-023000+0100.zip"},
                           Made{1772951400, -300, "Bob-20260308-013000-0500.zip"},
                           Made{1793511000, -240, "Bob-20261101-013000-0400.zip"},
                           Made{1793514600, -300, "Bob-20261101-013000-0500.zip"},
                           Made{1772951400, 330, "Bob-20260308-120000+0530.zip"},
                           Made{-3600, 0, "Bob-19691231-230000+0000.zip"}}) {
    EXPECT_EQ(ck::HistoryName("Bob", made.unixTime, made.offset), made.file);
    const ck::ArchiveName read = ck::ReadArchiveName(made.file, "Bob");
    EXPECT_EQ(read.offsetMinutes, made.offset) << made.file;
    EXPECT_EQ(ck::HistoryTime(read), made.unixTime) << made.file;
  }
  EXPECT_EQ(ck::HistoryName("Bob", 1792888200, 120, 3), "Bob-20261025-023000+0200-3.zip");
  EXPECT_EQ(ck::HistoryFolder("C:\\save\\", "Bob"), "C:\\save\\Cairnkeep History\\Bob\\");
  EXPECT_EQ(ck::HistoryFolder("/save/", "Bob"), "/save/Cairnkeep History/Bob/");

  for (int slot : {1, 9, 10, 9999}) {
    const ck::ArchiveName read = ck::ReadArchiveName(ck::SlotName("Bob-Kept", slot));
    EXPECT_EQ(read.kind, ArchiveKind::Slot);
    EXPECT_EQ(read.character, "Bob-Kept");
    EXPECT_EQ(read.slot, slot);
  }
}

}  // namespace
