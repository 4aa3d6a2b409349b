#include <gtest/gtest.h>

#include <string>

#include "mainwindow/NumberText.h"

using ck::ParseNumber;

TEST(ParseNumber, ReadsDecimalsWithEitherSeparatorAndBlanksAround) {
  EXPECT_EQ(ParseNumber("45"), 45.0);
  EXPECT_EQ(ParseNumber("2.5"), 2.5);
  EXPECT_EQ(ParseNumber(" 7\t"), 7.0);
  EXPECT_EQ(ParseNumber("2,5", ","), 2.5);
  EXPECT_EQ(ParseNumber("2.5", ","), 2.5);  // "." is always understood
  EXPECT_EQ(ParseNumber("5.", "."), 5.0);
  EXPECT_EQ(ParseNumber(".5"), 0.5);
  EXPECT_EQ(ParseNumber("-1"), -1.0);
  EXPECT_EQ(ParseNumber("+3"), 3.0);
  EXPECT_EQ(ParseNumber("060"), 60.0);
}

TEST(ParseNumber, RejectsEverythingThatIsNotOnePlainNumber) {
  for (const char* text : {"", " ", ".", "-", "abc", "4a", "a4", "1e1", "1 2", "1.2.3", "1,5", "inf", "nan",
                           "INF", "0x10", "4\r\n", "4\n5", "- 4", "1,000"}) {
    EXPECT_FALSE(ParseNumber(text).has_value()) << '"' << text << '"';
  }
  // A separator of the user's locale is one separator, not an extra one.
  EXPECT_FALSE(ParseNumber("1,2.5", ",").has_value());
}

TEST(ParseNumber, RejectsNumbersBeyondTheRangeOfADouble) {
  EXPECT_FALSE(ParseNumber(std::string(1000, '9')).has_value());
  // Many digits within range are still a number.
  EXPECT_EQ(ParseNumber(std::string(300, '0') + "12"), 12.0);
}

TEST(ParseNumber, TakesAMultiCharacterSeparator) {
  EXPECT_EQ(ParseNumber("1::5", "::"), 1.5);
  EXPECT_FALSE(ParseNumber("1:5", "::").has_value());
}
