#include <gtest/gtest.h>

#include <optional>

#include "registry/RegistryText.h"

using ck::ComposeKeyPath;
using ck::DecodeStringData;

TEST(ComposeKeyPath, JoinsThePartsAndDropsOneTrailingBackslash) {
  EXPECT_EQ(ComposeKeyPath("Software", "Blizzard Entertainment", "Diablo II", ""),
            "Software\\Blizzard Entertainment\\Diablo II");
  // A fresh accessor's parts: empty parts are not skipped.
  EXPECT_EQ(ComposeKeyPath("SOFTWARE", "", "", "Settings"), "SOFTWARE\\\\\\Settings");
  EXPECT_EQ(ComposeKeyPath("A", "B", "C", "D\\"), "A\\B\\C\\D");
  EXPECT_EQ(ComposeKeyPath("A", "B", "C", "D\\\\"), "A\\B\\C\\D\\");
  EXPECT_EQ(ComposeKeyPath("", "", "", ""), "\\\\");
}

TEST(DecodeStringData, DropsTheTerminatorOnlyWhenThereIsOne) {
  const char stored[] = {'c', ':', '\\', '\0'};
  EXPECT_EQ(DecodeStringData(stored, 4, 4), "c:\\");
  const char bare[] = {'c', ':', '\\', 'x'};
  EXPECT_EQ(DecodeStringData(bare, 4, 4), "c:\\x");
  EXPECT_EQ(DecodeStringData(bare, 4, 0), "");
}

TEST(DecodeStringData, NeverReadsBeyondTheBufferOrPastTheFirstNul) {
  const char shrunk[] = {'a', 'b'};
  // The query claims more than the buffer holds: only the buffer is read.
  EXPECT_EQ(DecodeStringData(shrunk, 2, 10), "ab");
  const char twoStrings[] = {'a', '\0', 'b', '\0'};
  EXPECT_EQ(DecodeStringData(twoStrings, 4, 4), "a");
  const char highBytes[] = {'\xE9', 't', '\xE9', '\0'};  // "été" in code page 1252
  EXPECT_EQ(DecodeStringData(highBytes, 4, 4), "\xE9t\xE9");
}

TEST(DwordText, IsTheSignedDecimalOfTheBits) {
  EXPECT_EQ(ck::DwordText(0), "0");
  EXPECT_EQ(ck::DwordText(0xFFFFFFFFu), "-1");
  EXPECT_EQ(ck::DwordText(0x80000000u), "-2147483648");
  EXPECT_EQ(ck::DwordText(261), "261");
}

TEST(TextOrDefault, AnEmptyOrMissingValueGivesTheDefault) {
  EXPECT_EQ(ck::TextOrDefault(std::nullopt, "c:\\"), "c:\\");
  EXPECT_EQ(ck::TextOrDefault(std::string(), "c:\\"), "c:\\");
  EXPECT_EQ(ck::TextOrDefault(std::string("0"), "c:\\"), "0");
}
