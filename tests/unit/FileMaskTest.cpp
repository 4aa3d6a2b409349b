#include <gtest/gtest.h>

#include <string>

#include "components/FileMask.h"
#include "components/Twips.h"

using ck::MatchesMask;

TEST(MatchesMask, ExtensionsMatchExactlyNotByShortName) {
  EXPECT_TRUE(MatchesMask("Bob.d2s", "*.d2s"));
  EXPECT_TRUE(MatchesMask("BOB.D2S", "*.d2s"));
  EXPECT_FALSE(MatchesMask("x.d2sx", "*.d2s"));
  EXPECT_FALSE(MatchesMask("c.d2s.bak", "*.d2s"));
  EXPECT_TRUE(MatchesMask("Bob3.zip", "*.zip"));
  EXPECT_FALSE(MatchesMask("Bob3.zipx", "*.zip"));
}

TEST(MatchesMask, CharacterMasksKeepToTheirOwnName) {
  EXPECT_TRUE(MatchesMask("Bob.ma0", "Bob.*"));
  EXPECT_TRUE(MatchesMask("Bob.", "Bob.*"));
  EXPECT_FALSE(MatchesMask("Bobby.d2s", "Bob.*"));
  EXPECT_FALSE(MatchesMask("Bob1.zip", "Bob.*"));
  EXPECT_FALSE(MatchesMask("xBob.d2s", "Bob.*"));
  EXPECT_TRUE(MatchesMask("Bob.d2s.bak", "Bob.*"));
}

TEST(MatchesMask, StarsAndQuestionMarks) {
  EXPECT_TRUE(MatchesMask("", "*"));
  EXPECT_FALSE(MatchesMask("", "?"));
  EXPECT_TRUE(MatchesMask("abc", "a?c"));
  EXPECT_TRUE(MatchesMask("a.b.c", "*.*.*"));
  EXPECT_FALSE(MatchesMask("ab", "a*b*c"));
  // Many stars against a long name finish at once rather than back-track
  // exponentially.
  EXPECT_FALSE(MatchesMask(std::string(5000, 'a'), std::string(50, '*') + "b"));
}

TEST(TwipsToPixels, KeepsThePhysicalSizeAtEveryDpi) {
  EXPECT_EQ(ck::TwipsToPixels(5805, 96), 387);
  EXPECT_EQ(ck::TwipsToPixels(4080, 96), 272);
  EXPECT_EQ(ck::TwipsToPixels(4080, 120), 340);
  EXPECT_EQ(ck::TwipsToPixels(5805, 120), 484);  // 483.75 rounds up
  EXPECT_EQ(ck::TwipsToPixels(5805, 144), 581);  // 580.5 rounds up
  EXPECT_EQ(ck::PointsToFontHeight(8.25, 96), -11);
  EXPECT_EQ(ck::PointsToFontHeight(13.5, 96), -18);
}
