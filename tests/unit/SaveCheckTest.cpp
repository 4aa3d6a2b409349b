// Whole saves told from torn ones.
#include <gtest/gtest.h>

#include "components/SaveCheck.h"
#include "tests/common/SaveFiles.h"

using ck::Bytes;
using ck::testing::WholeSave;

namespace {

// A save cut short, changed or lengthened is refused (the fuzz target for
// saves checks that on any bytes); a whole one is not.
TEST(SaveCheck, AcceptsWholeSavesOfEachVersion) {
  const Bytes save = WholeSave("Bob", 335);
  EXPECT_TRUE(ck::IsWholeSave(save.data(), save.size()));
  // Before version 0x5C there is neither size nor checksum.
  Bytes old = WholeSave("Bob", 300, 0x59);
  old[200] ^= 1;
  EXPECT_TRUE(ck::IsWholeSave(old.data(), old.size()));
  old[0] = 0;
  EXPECT_FALSE(ck::IsWholeSave(old.data(), old.size()));
}

TEST(SaveCheck, ChecksumRotatesRatherThanShifts) {
  // With a shift the top bit would be lost; the rotation carries it round.
  Bytes data(40, 0);
  data[0] = 0x80;
  std::uint32_t expected = 0x80;
  for (int i = 1; i < 40; ++i) expected = (expected << 1) | (expected >> 31);
  EXPECT_EQ(ck::SaveChecksum(data.data(), data.size()), expected);
}

}  // namespace
