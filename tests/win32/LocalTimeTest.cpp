// Local times go by the summer-time rule of their own date, never by today's:
// make check runs this group in Berlin (TZ), an hour ahead of UTC in winter
// and two in summer, so that whatever the day of the run, one of a winter's
// and a summer's time lies in the other season.
#include <windows.h>

#include <gtest/gtest.h>

#include <tuple>

#include "components/Win32FileSystem.h"
#include "components/Win32LocalTime.h"

namespace {

// A file dated from a zip entry's DOS time alone, as a restore dates it, is
// listed with that DOS time and the UTC time of its date's offset, and shown
// at that local time.
TEST(LocalTime, ADosTimeInWinterOrSummerGoesByTheOffsetOfItsOwnDate) {
  TIME_ZONE_INFORMATION zone;
  ::GetTimeZoneInformation(&zone);
  const bool berlin = zone.Bias == -60 && zone.DaylightBias == -60;
  // Windows itself ignores TZ: there the machine's own zone decides.
  const bool wine = ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  if (!berlin && !wine) GTEST_SKIP() << "needs Berlin's time zone";
  ASSERT_TRUE(berlin) << "to be run in Berlin's time zone (TZ=Europe/Berlin)";
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  const std::string name = "ck-local-time.d2s", file = temp + name;
  ck::Win32FileSystem files;
  // 12:00 in Berlin on the 7th: 11:00 UTC in January, 10:00 in July.
  for (const auto& [month, weekday, utc] : {std::tuple(1, 3, 1767783600), std::tuple(7, 2, 1783418400)}) {
    ::CloseHandle(::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ck::ZipEntry entry;
    ck::ToDosDateTime(2026, month, 7, 12, 0, 0, entry.dosDate, entry.dosTime);
    ASSERT_TRUE(files.SetLastWrite(file, entry));
    const std::vector<ck::FileInfo> listed = files.List(temp, name, false);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].unixTime, utc) << month;
    EXPECT_EQ(std::tuple(listed[0].dosDate, listed[0].dosTime), std::tuple(entry.dosDate, entry.dosTime)) << month;
    const SYSTEMTIME noon{2026, static_cast<WORD>(month), static_cast<WORD>(weekday), 7, 12, 0, 0, 0};
    EXPECT_EQ(ck::LocalDateTimeText(listed[0].lastWrite, ck::Seconds::Shown),
              ck::LocalDateTimeText(noon, ck::Seconds::Shown))
        << month;
  }
  ::DeleteFileA(file.c_str());
  // The offset of a moment, as history names carry it: of its own date.
  EXPECT_EQ(files.UtcOffsetMinutes(1767783600), 60);
  EXPECT_EQ(files.UtcOffsetMinutes(1783418400), 120);
  // Summer time ends at 01:00 UTC on 2026-10-25: half an hour either side.
  EXPECT_EQ(files.UtcOffsetMinutes(1792888200), 120);
  EXPECT_EQ(files.UtcOffsetMinutes(1792891800), 60);
}

}  // namespace
