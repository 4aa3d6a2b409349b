#include "components/Win32LocalTime.h"

namespace ck {

std::string LocalDateTimeText(const SYSTEMTIME& local, Seconds seconds) {
  char date[64] = {}, time[64] = {};
  ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, sizeof date);
  ::GetTimeFormatA(LOCALE_USER_DEFAULT, seconds == Seconds::Shown ? 0 : TIME_NOSECONDS, &local, nullptr, time,
                   sizeof time);
  return std::string(date) + " " + time;
}

std::string LocalDateTimeText(std::uint64_t lastWrite, Seconds seconds) {
  const FILETIME utc{static_cast<DWORD>(lastWrite), static_cast<DWORD>(lastWrite >> 32)};
  SYSTEMTIME system, local;
  // Not FileTimeToLocalFileTime, which applies today's offset to every date.
  if (!::FileTimeToSystemTime(&utc, &system) || !::SystemTimeToTzSpecificLocalTime(nullptr, &system, &local)) {
    return {};
  }
  return LocalDateTimeText(local, seconds);
}

}  // namespace ck
