// An archive's time as the player reads it: the local date and time of a
// last write, in the user's short date and time formats.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace ck {

enum class Seconds { Shown, Hidden };

// `local` in the user's short date format, a blank, and the user's time
// format, with its seconds or without.
std::string LocalDateTimeText(const SYSTEMTIME& local, Seconds seconds);

// A last write in the file system's ticks (100 ns since 1601, UTC), in local
// time by the summer-time rule of its own date, as the archives' times are
// kept; empty where the ticks are no time.
std::string LocalDateTimeText(std::uint64_t lastWrite, Seconds seconds);

}  // namespace ck
