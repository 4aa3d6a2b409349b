#include <gtest/gtest.h>

#include "about/SystemFolder.h"

using ck::ThroughSysnative;

TEST(ThroughSysnative, OnlyPathsInTheSystemFolderItselfGoThroughTheAlias) {
  const char* system = "C:\\Windows\\system32";
  EXPECT_EQ(ThroughSysnative("C:\\WINDOWS\\System32\\msinfo32.exe", system, "C:\\Windows"),
            "C:\\Windows\\Sysnative\\msinfo32.exe");
  EXPECT_EQ(ThroughSysnative("c:\\windows\\system32", system, "C:\\Windows\\"), "C:\\Windows\\Sysnative");
  EXPECT_EQ(ThroughSysnative("C:\\Windows\\System32x\\msinfo32.exe", system, "C:\\Windows"),
            "C:\\Windows\\System32x\\msinfo32.exe");
  EXPECT_EQ(ThroughSysnative("C:\\Program Files\\msinfo32.exe", system, "C:\\Windows"),
            "C:\\Program Files\\msinfo32.exe");
  EXPECT_EQ(ThroughSysnative("", system, "C:\\Windows"), "");
}
