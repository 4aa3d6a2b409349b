#include <gtest/gtest.h>

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
