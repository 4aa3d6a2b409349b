// What the archives hold in their headers, as other zip readers read them.
#include <gtest/gtest.h>

#include <algorithm>

#include "components/ZipFormat.h"
#include "tests/common/SaveFiles.h"

using ck::Bytes;
using ck::testing::Text;

namespace {

// The UTF-8 flag marks exactly the names beyond ASCII, in both headers:
// readers take an unflagged name to be in code page 437.
TEST(ZipFormat, TheUtf8FlagMarksExactlyTheNamesBeyondAscii) {
  const Bytes archive = ck::BuildZip({{"Bob.d2s", Text("a"), 0, 33, {}}, {"H\xC3\xA9l\xC3\xA8ne.d2s", Text("b"), 0, 33, {}}});
  std::vector<int> flags;  // of each local header, then of each central one
  for (std::size_t at = 0; at + 10 <= archive.size(); ++at) {
    if (archive[at] != 'P' || archive[at + 1] != 'K') continue;
    const std::size_t flag = archive[at + 2] == 3 && archive[at + 3] == 4   ? at + 6
                             : archive[at + 2] == 1 && archive[at + 3] == 2 ? at + 8
                                                                            : 0;
    if (flag) flags.push_back(archive[flag] | archive[flag + 1] << 8);
  }
  EXPECT_EQ(flags, (std::vector<int>{0, 0x800, 0, 0x800}));
}

// The exact time rides in the extended timestamp of both headers, where
// its signed 32-bit field can hold it: not past January 2038.
TEST(ZipFormat, TheExactTimeIsInBothHeadersUntil2038) {
  constexpr std::int64_t kJuly = 1783418400, k2038 = std::int64_t{1} << 31;
  const Bytes archive = ck::BuildZip({{"a", Text("x"), 0, 33, kJuly}, {"b", Text("y"), 0, 33, k2038},
                                      {"c", Text("z"), 0, 33, {}}, {"d", Text("w"), 0, 33, -1}});
  std::vector<ck::ZipEntry> entries;
  ASSERT_TRUE(ck::ReadZip(archive, entries));
  EXPECT_EQ(entries[0].unixTime, kJuly);
  EXPECT_EQ(entries[1].unixTime, std::nullopt);
  EXPECT_EQ(entries[2].unixTime, std::nullopt);
  EXPECT_EQ(entries[3].unixTime, -1);
  std::vector<std::int64_t> found;  // every extended timestamp, in order
  const Bytes tag = {'U', 'T', 5, 0, 1};
  for (auto at = archive.begin(); (at = std::search(at, archive.end(), tag.begin(), tag.end())) != archive.end();
       ++at) {
    found.push_back(static_cast<std::int32_t>(at[5] | at[6] << 8 | at[7] << 16 | std::uint32_t{at[8]} << 24));
  }
  EXPECT_EQ(found, (std::vector<std::int64_t>{kJuly, -1, kJuly, -1}));
  // bsdtar writes a time past 2038 unsigned: the DOS date tells which it is.
  constexpr std::int64_t k2040 = 2208988800;
  std::uint16_t date = 0, time = 0;
  ck::ToDosDateTime(2040, 1, 1, 0, 0, 0, date, time);
  ASSERT_TRUE(ck::ReadZip(ck::BuildZip({{"e", Text("v"), time, date, k2040 - (std::int64_t{1} << 32)}}), entries));
  EXPECT_EQ(entries[0].unixTime, k2040);
}

// Zip64 marked in the central directory alone, the local header plain, is
// refused as zip64 like any other: whether the 32-bit fields say 0xFFFFFFFF
// or still hold the values, the reader never has to choose between the two.
TEST(ZipFormat, Zip64InTheCentralDirectoryAloneIsRefused) {
  for (const bool marked : {false, true}) {
    Bytes a = ck::BuildZip({{"Bob.d2s", Text("the save"), 0, 33, {}}}, 0);
    const std::size_t end = a.size() - 22, central = end - 46 - 7;  // the end record; 46 bytes and the name
    const auto put32 = [&](std::size_t at, std::uint32_t v) {
      for (int b = 0; b < 4; ++b) a[at + b] = static_cast<std::uint8_t>(v >> (8 * b));
    };
    // Its size, its packed size (stored: the same 8) and its header's offset, 0.
    const Bytes zip64 = {1, 0, 24, 0, 8, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    a.insert(a.begin() + static_cast<std::ptrdiff_t>(end), zip64.begin(), zip64.end());
    a[central + 30] = static_cast<std::uint8_t>(zip64.size());
    put32(end + zip64.size() + 12, static_cast<std::uint32_t>(end + zip64.size() - central));
    if (marked) {
      for (const std::size_t field : {central + 20, central + 24, central + 42}) put32(field, 0xFFFFFFFF);
    }
    std::vector<ck::ZipEntry> entries;
    ck::ZipProblem why;
    EXPECT_FALSE(ck::ReadZip(a, entries, &why)) << marked;
    EXPECT_EQ(why.error, ck::ZipError::Zip64) << marked;
    EXPECT_EQ(why.entry, "Bob.d2s") << marked;
    ck::ZipEntry alone;
    EXPECT_FALSE(ck::ReadZipEntry(a, [](const std::string&) { return true; }, alone)) << marked;
  }
}

TEST(ZipFormat, DosTimesStartIn1980) {
  std::uint16_t date = 0, time = 0;
  ck::ToDosDateTime(2026, 12, 6, 23, 59, 58, date, time);
  EXPECT_EQ(date, ((2026 - 1980) << 9) | (12 << 5) | 6);
  EXPECT_EQ(time, (23 << 11) | (59 << 5) | 29);
  ck::ToDosDateTime(1970, 1, 1, 0, 0, 0, date, time);
  EXPECT_EQ(date, (1 << 5) | 1);
  EXPECT_EQ(time, 0);
}

}  // namespace
