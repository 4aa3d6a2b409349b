#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "components/FolderPrefix.h"
#include "mainwindow/BackupSchedule.h"
#include "mainwindow/GameLaunch.h"

using ck::IsDue;

TEST(IsDue, DueExactlyWhenTheIntervalHasPassed) {
  EXPECT_FALSE(IsDue("3", 179999));
  EXPECT_TRUE(IsDue("3", 180000));
  EXPECT_TRUE(IsDue("2.5", 150000));
  EXPECT_FALSE(IsDue("2.5", 149999));
  EXPECT_TRUE(IsDue("2,5", 150000, ","));
  EXPECT_TRUE(IsDue("60", 3600000));
}

TEST(IsDue, TextThatIsNoNumberIsNeverDueAndLongWaitsStillCount) {
  // The interval box is empty while a start-up message box is open.
  EXPECT_FALSE(IsDue("", 0xFFFFFFFFFFull));
  EXPECT_FALSE(IsDue("x", 0xFFFFFFFFFFull));
  EXPECT_TRUE(IsDue("60", 0x100000000ull));  // past 32 bits of milliseconds
}

TEST(FolderPrefix, AddsTheSeparatorOnlyWhereItIsMissing) {
  EXPECT_EQ(ck::FolderPrefix("C:\\Games\\save"), "C:\\Games\\save\\");
  EXPECT_EQ(ck::FolderPrefix("C:\\Games\\save\\"), "C:\\Games\\save\\");
  EXPECT_EQ(ck::FolderPrefix("c:\\"), "c:\\");
  EXPECT_EQ(ck::FolderPrefix("Z:/home/save/"), "Z:/home/save/");
  EXPECT_EQ(ck::FolderPrefix(""), "");
  // Shift-JIS: 0x95 0x5C is one character, whose second byte is a backslash's.
  const auto shiftJis = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
  EXPECT_EQ(ck::FolderPrefix("C:\\\x95\\", shiftJis), "C:\\\x95\\\\");
  EXPECT_EQ(ck::FolderPrefix("C:\\\x95\\\\", shiftJis), "C:\\\x95\\\\");
}

TEST(GameLaunch, QuotesThePathAndStartsInItsFolder) {
  EXPECT_EQ(ck::GameCommandLine("C:\\Program Files\\Diablo II\\Game.exe"),
            "\"C:\\Program Files\\Diablo II\\Game.exe\"");
  EXPECT_EQ(ck::GameFolder("C:\\Program Files\\Diablo II\\Game.exe"), "C:\\Program Files\\Diablo II");
  EXPECT_EQ(ck::GameFolder("C:\\Game.exe"), "C:\\");
  EXPECT_EQ(ck::GameFolder("Game.exe"), "");
  EXPECT_EQ(ck::GameFolder("Z:/home/player/d2/Game.exe"), "Z:/home/player/d2");
}

namespace {

using ck::SaveWatchSchedule;
constexpr std::uint64_t kQuiet = SaveWatchSchedule::kQuietMs, kBurst = SaveWatchSchedule::kBurstMs;

// Due for what the watch saw alone: the interval is far off.
bool SeenDue(const SaveWatchSchedule& s, std::uint64_t now) { return s.Due(now, "60", 0); }

}  // namespace

TEST(SaveWatchSchedule, ASaveIsDueOnceItsCharactersFilesAreQuiet) {
  SaveWatchSchedule s;
  EXPECT_FALSE(s.DueAt());
  s.Changed("Bob.d2s", 1000);
  EXPECT_FALSE(SeenDue(s, 1000 + kQuiet - 1));
  EXPECT_TRUE(SeenDue(s, 1000 + kQuiet));
  EXPECT_EQ(s.Cause(), "Bob.d2s");
  s.PassRan(1000 + kQuiet);
  EXPECT_FALSE(s.DueAt());
  EXPECT_FALSE(SeenDue(s, 1000000));

  // In two writes, as a save over 4096 bytes reaches the disk; then the
  // automap appended at Save and Exit: the quiet runs from the last.
  s.Changed("Bob.d2s", 0);
  s.Changed("Bob.d2s", 300);
  s.Changed("bob.MA0", 1500);
  EXPECT_FALSE(SeenDue(s, 1500 + kQuiet - 1));
  EXPECT_TRUE(SeenDue(s, 1500 + kQuiet));
  s.PassRan(1500 + kQuiet);

  // Another character's companions do not hold this one back.
  s.Changed("Bob.d2s", 0);
  s.Changed("Alice.ma0", 1000);
  s.Changed("Bobby.key", 1000);
  EXPECT_TRUE(SeenDue(s, kQuiet));
  s.PassRan(kQuiet);

  // Another character saving does: the pass packs everyone, and would catch
  // that one half-written. The pass acts on the first save seen.
  s.Changed("Bob.d2s", 10000);
  s.Changed("Alice.d2s", 11990);
  EXPECT_FALSE(SeenDue(s, 10000 + kQuiet));
  EXPECT_EQ(*s.DueAt(), 11990 + kQuiet);
  s.Changed("BOB.D2S", 12500);  // the same file, as Windows compares names
  EXPECT_EQ(*s.DueAt(), 12500 + kQuiet);
  EXPECT_EQ(s.Cause(), "Bob.d2s");
  // Up to the first one's burst limit, however the others go on.
  for (std::uint64_t t = 13000; t < 30000; t += 500) s.Changed("Alice.ma0", t);
  EXPECT_EQ(*s.DueAt(), 10000 + kBurst);
}

TEST(SaveWatchSchedule, ASaveThePassCouldNotKeepIsTriedAgainAFewTimes) {
  // Held a moment by a scanner: again once the folder is quiet, three times
  // at most, and only what a save had made due.
  SaveWatchSchedule s;
  s.Changed("Bob.d2s", 0);
  std::uint64_t now = kQuiet;
  for (int pass = 1; pass <= SaveWatchSchedule::kRetries; ++pass) {
    ASSERT_TRUE(SeenDue(s, now)) << pass;
    s.PassRan(now, {"bob", "Alice"});
    EXPECT_EQ(*s.DueAt(), now + kQuiet);
    EXPECT_EQ(s.Cause(), "Bob.d2s");
    now += kQuiet;
  }
  s.PassRan(now, {"Bob"});
  EXPECT_FALSE(s.DueAt());
  // Saved at the next: nothing more.
  s.Changed("Bob.d2s", now);
  s.PassRan(now + kQuiet, {"Alice"});
  EXPECT_FALSE(s.DueAt());
}

TEST(SaveWatchSchedule, AGameThatNeverStopsWritingGetsAPassEveryTenSecondsAndNoMore) {
  // Many times a second for a minute: save and automap, as a busy game.
  SaveWatchSchedule s;
  std::vector<std::uint64_t> passes;
  for (std::uint64_t now = 0; now <= 60000; now += 50) {
    s.Changed("Bob.d2s", now);
    s.Changed("Bob.ma0", now);
    if (SeenDue(s, now)) {
      passes.push_back(now);
      s.PassRan(now);
    }
  }
  ASSERT_GE(passes.size(), 5u);
  EXPECT_EQ(passes.front(), kBurst);
  for (std::size_t i = 1; i < passes.size(); ++i) {
    EXPECT_GE(passes[i] - passes[i - 1], kBurst);
    EXPECT_LE(passes[i] - passes[i - 1], kBurst + 50);
  }
}

TEST(SaveWatchSchedule, CompanionsAloneArchivesAndTemporariesStartNoPass) {
  SaveWatchSchedule s;
  for (const char* file : {"Bob.ma0", "Bob.map", "Bob.key", "Bob1.zip", "Bob-before-death-20261209-120000.zip",
                           "~Bob3.zip.cktmp", "~Bob.d2s.cktmp", "Other.zip", "notes.txt", "Bob.d2sx", ".d2s", "Save"}) {
    s.Changed(file, 0);
  }
  EXPECT_FALSE(s.DueAt());
  EXPECT_FALSE(SeenDue(s, 3600000));
  // A companion seen before the save does not count once the save comes.
  s.Changed("Bob.d2s", 5000);
  EXPECT_EQ(*s.DueAt(), 5000 + kQuiet);
  // Nor do the pass's own archive and temporary, written after it.
  s.Changed("~Bob4.zip.cktmp", 6000);
  s.Changed("Bob4.zip", 6500);
  EXPECT_EQ(*s.DueAt(), 5000 + kQuiet);
}

TEST(SaveWatchSchedule, LostNoticesAreAChangeOfEveryoneAndTheIntervalStillCounts) {
  // Any save may be half-written: a pass once the folder is quiet, whatever
  // changes after, or 10 s into a flood that overflows again and again.
  SaveWatchSchedule s;
  s.Lost(1000);
  EXPECT_EQ(*s.DueAt(), 1000 + kQuiet);
  s.Changed("notes.txt", 2000);
  EXPECT_EQ(*s.DueAt(), 2000 + kQuiet);
  for (std::uint64_t t = 3000; t < 20000; t += 500) s.Lost(t);
  EXPECT_EQ(*s.DueAt(), 1000 + kBurst);
  EXPECT_TRUE(SeenDue(s, 1000 + kBurst));
  s.PassRan(1000 + kBurst, {"Bob"});  // a loss is no save: not tried again
  EXPECT_FALSE(s.DueAt());
  // What comes due first is told: a save's name, or nothing for the loss.
  s.Changed("Bob.d2s", 30000);
  s.Lost(31000);
  EXPECT_EQ(s.Cause(), "Bob.d2s");
  s.PassRan(33000);
  s.Lost(40000);
  s.Changed("Bob.d2s", 40500);
  EXPECT_EQ(s.Cause(), "");
  s.PassRan(43000);

  // With the watch silent, the interval alone, from the last pass of either kind.
  EXPECT_FALSE(s.Due(500000, "3", 179999));
  EXPECT_TRUE(s.Due(500000, "3", 180000));
  EXPECT_FALSE(s.Due(500000, "", 0xFFFFFFFFull));
  // Due in the middle of a save, the interval's pass waits for it too.
  s.Changed("Bob.d2s", 500000);
  EXPECT_FALSE(s.Due(500010, "3", 180000));
  EXPECT_TRUE(s.Due(500000 + kQuiet, "3", 180000));
}
