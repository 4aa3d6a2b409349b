#include <gtest/gtest.h>

#include "mainwindow/BackupSchedule.h"
#include "mainwindow/GameLaunch.h"
#include "mainwindow/SavePath.h"

using ck::IsDue;
using ck::NextSlot;

TEST(IsDue, DueExactlyWhenTheIntervalHasPassed) {
  EXPECT_FALSE(IsDue("3", 179999));
  EXPECT_TRUE(IsDue("3", 180000));
  EXPECT_TRUE(IsDue("2.5", 150000));
  EXPECT_FALSE(IsDue("2.5", 149999));
  EXPECT_TRUE(IsDue("2,5", 150000, ","));
  EXPECT_TRUE(IsDue("60", 3600000));
}

TEST(IsDue, TextThatIsNoNumberIsNeverDue) {
  // The interval box is empty while a start-up message box is open.
  EXPECT_FALSE(IsDue("", 0xFFFFFFFFFFull));
  EXPECT_FALSE(IsDue("x", 0xFFFFFFFFFFull));
}

TEST(IsDue, ElapsedTimeBeyondThirtyTwoBitsStillCounts) {
  EXPECT_TRUE(IsDue("60", 0x100000000ull));
}

TEST(NextSlot, RotatesAndStartsAgainWhenFewerAreKept) {
  int z = 0;
  int seen[4];
  for (int& s : seen) s = z = NextSlot(z, 3);
  EXPECT_EQ(seen[0], 1);
  EXPECT_EQ(seen[1], 2);
  EXPECT_EQ(seen[2], 3);
  EXPECT_EQ(seen[3], 1);
  // Lowered from 5 to 2 while at slot 4: the next pass writes slot 1.
  EXPECT_EQ(NextSlot(4, 2), 1);
  EXPECT_EQ(NextSlot(1, 1), 1);
}

TEST(FolderPrefix, AddsTheSeparatorOnlyWhereItIsMissing) {
  EXPECT_EQ(ck::FolderPrefix("C:\\Games\\save"), "C:\\Games\\save\\");
  EXPECT_EQ(ck::FolderPrefix("C:\\Games\\save\\"), "C:\\Games\\save\\");
  EXPECT_EQ(ck::FolderPrefix("c:\\"), "c:\\");
  EXPECT_EQ(ck::FolderPrefix("Z:/home/save/"), "Z:/home/save/");
}

TEST(GameLaunch, QuotesThePathAndStartsInItsFolder) {
  EXPECT_EQ(ck::GameCommandLine("C:\\Program Files\\Diablo II\\Game.exe"),
            "\"C:\\Program Files\\Diablo II\\Game.exe\"");
  EXPECT_EQ(ck::GameFolder("C:\\Program Files\\Diablo II\\Game.exe"), "C:\\Program Files\\Diablo II");
  EXPECT_EQ(ck::GameFolder("C:\\Game.exe"), "C:\\");
  EXPECT_EQ(ck::GameFolder("Game.exe"), "");
  EXPECT_EQ(ck::GameFolder("Z:/home/player/d2/Game.exe"), "Z:/home/player/d2");
}
