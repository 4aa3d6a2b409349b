#include <gtest/gtest.h>

#include "mainwindow/BackupSchedule.h"
#include "mainwindow/GameLaunch.h"
#include "mainwindow/SavePath.h"

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
}

TEST(GameLaunch, QuotesThePathAndStartsInItsFolder) {
  EXPECT_EQ(ck::GameCommandLine("C:\\Program Files\\Diablo II\\Game.exe"),
            "\"C:\\Program Files\\Diablo II\\Game.exe\"");
  EXPECT_EQ(ck::GameFolder("C:\\Program Files\\Diablo II\\Game.exe"), "C:\\Program Files\\Diablo II");
  EXPECT_EQ(ck::GameFolder("C:\\Game.exe"), "C:\\");
  EXPECT_EQ(ck::GameFolder("Game.exe"), "");
  EXPECT_EQ(ck::GameFolder("Z:/home/player/d2/Game.exe"), "Z:/home/player/d2");
}
