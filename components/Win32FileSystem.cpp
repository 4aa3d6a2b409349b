#include "components/Win32FileSystem.h"

#include <windows.h>

#include <unordered_map>

#include "components/Win32UniqueHandle.h"

namespace ck {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::uint64_t Ticks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// FILETIME counts 100 ns from 1601.
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kUnixEpoch = 11644473600LL * kTicksPerSecond;

std::int64_t UnixTime(std::uint64_t ticks) {
  const std::int64_t since = static_cast<std::int64_t>(ticks) - kUnixEpoch;
  return since / kTicksPerSecond - (since % kTicksPerSecond < 0 ? 1 : 0);  // rounded down, before 1970 too
}

// A DOS time is the local time of the file's own date: FileTimeToLocalFileTime
// would apply today's summer-time rule, an hour off for half the year.
bool ToDos(const FILETIME& utc, std::uint16_t& dosDate, std::uint16_t& dosTime) {
  SYSTEMTIME system, local;
  if (!::FileTimeToSystemTime(&utc, &system) || !::SystemTimeToTzSpecificLocalTime(nullptr, &system, &local)) {
    return false;
  }
  ToDosDateTime(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond, dosDate, dosTime);
  return true;
}

// The way back, by the rule of the same date.
bool FromDos(std::uint16_t dosDate, std::uint16_t dosTime, FILETIME& utc) {
  SYSTEMTIME local{}, system;
  local.wYear = static_cast<WORD>(1980 + (dosDate >> 9));
  local.wMonth = static_cast<WORD>((dosDate >> 5) & 15);
  local.wDay = static_cast<WORD>(dosDate & 31);
  local.wHour = static_cast<WORD>(dosTime >> 11);
  local.wMinute = static_cast<WORD>((dosTime >> 5) & 63);
  local.wSecond = static_cast<WORD>(2 * (dosTime & 31));
  // SystemTimeToFileTime refuses a date that does not exist, such as the
  // 31st of April, before the zone conversion gets to see it.
  FILETIME check;
  return ::SystemTimeToFileTime(&local, &check) && ::TzSpecificLocalTimeToSystemTime(nullptr, &local, &system) &&
         ::SystemTimeToFileTime(&system, &utc);
}

bool StampOf(HANDLE file, FileStamp& stamp) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(file, &info)) return false;
  stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  stamp.lastWrite = Ticks(info.ftLastWriteTime);
  stamp.identity = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

// Why a file could not be opened for reading.
ReadStatus OpenFailure() {
  const DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadStatus::Missing : ReadStatus::Failed;
}

}  // namespace

Win32FileSystem& Win32FileSystem::Machine() {
  static Win32FileSystem files;
  return files;
}

Win32FileSystem::Win32FileSystem(unsigned codePage) : codePage_(codePage ? codePage : ::GetACP()) {}

// Through UTF-16.
std::string Win32FileSystem::Utf8Name(const std::string& name) const {
  if (codePage_ == CP_UTF8) return name;
  wchar_t wide[MAX_PATH];
  char utf8[3 * MAX_PATH];  // at most three bytes for each UTF-16 unit
  if (::MultiByteToWideChar(codePage_, 0, name.c_str(), -1, wide, MAX_PATH) > 0 &&
      ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr) > 0) {
    return utf8;
  }
  return name;
}

std::vector<FileInfo> Win32FileSystem::List(const std::string& folder, const std::string& pattern,
                                            bool withHidden) {
  std::vector<FileInfo> files;
  WIN32_FIND_DATAA found;
  UniqueFind find(::FindFirstFileA((folder + pattern).c_str(), &found));
  if (!find) return files;
  const DWORD notListed = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM | (withHidden ? 0 : FILE_ATTRIBUTE_HIDDEN);
  do {
    if (found.dwFileAttributes & notListed) continue;
    FileInfo info;
    info.name = found.cFileName;
    info.utf8Name = Utf8Name(info.name);
    info.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    info.lastWrite = Ticks(found.ftLastWriteTime);
    info.hidden = (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    info.unixTime = UnixTime(info.lastWrite);
    ToDos(found.ftLastWriteTime, info.dosDate, info.dosTime);
    files.push_back(std::move(info));
  } while (::FindNextFileA(find.get(), &found));
  return files;
}

ReadStatus Win32FileSystem::ReadWhole(const std::string& path, Bytes& data, FileStamp& before, FileStamp& after,
                                      std::uint64_t limit) {
  // Full sharing, so that the game can save while we read.
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return OpenFailure();
  if (!StampOf(file.get(), before)) return ReadStatus::Failed;
  if (before.size > limit) return ReadStatus::TooLarge;
  data.resize(static_cast<std::size_t>(before.size));
  std::size_t done = 0;
  while (done < data.size()) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), data.data() + done, static_cast<DWORD>(data.size() - done), &got, nullptr)) {
      return ReadStatus::Failed;
    }
    if (got == 0) break;  // shorter than it was: the stamps will differ
    done += got;
  }
  data.resize(done);
  return StampOf(file.get(), after) ? ReadStatus::Ok : ReadStatus::Failed;
}

ReadStatus Win32FileSystem::ReadParts(const std::string& path, FileStamp& stamp,
                                      const std::function<void(std::uint64_t size, const ReadAt& read)>& use) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return OpenFailure();
  if (!StampOf(file.get(), stamp)) return ReadStatus::Failed;
  use(stamp.size, [&](std::uint64_t offset, std::uint32_t length, Bytes& data) {
    data.resize(length);
    std::uint32_t done = 0;
    while (done < length) {
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(offset + done);
      at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
      DWORD got = 0;
      if (!::ReadFile(file.get(), data.data() + done, length - done, &got, &at) || got == 0) return false;
      done += got;
    }
    return true;
  });
  FileStamp after;
  return StampOf(file.get(), after) && after == stamp ? ReadStatus::Ok : ReadStatus::Failed;
}

// One walk over the folder's entries, which gives their identities with
// their names: opening each file would cost a millisecond and more apiece
// under Wine. A name that does not convert is left unknown.
void Win32FileSystem::Identify(const std::string& folder, std::vector<FileInfo>& files) {
  UniqueFile dir(::CreateFileA(folder.empty() ? "." : folder.c_str(), FILE_LIST_DIRECTORY, kShareAll, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!dir) return;
  std::unordered_map<std::string, std::uint64_t> identities;
  alignas(8) char buffer[32768];
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  while (::GetFileInformationByHandleEx(dir.get(), kind, buffer, sizeof buffer)) {
    kind = FileIdBothDirectoryInfo;
    for (std::size_t at = 0;;) {
      const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + at);
      char name[2 * MAX_PATH];
      BOOL lossy = FALSE;
      const int length = ::WideCharToMultiByte(
          codePage_, codePage_ == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS, entry->FileName,
          static_cast<int>(entry->FileNameLength / sizeof(WCHAR)), name, sizeof name, nullptr,
          codePage_ == CP_UTF8 ? nullptr : &lossy);
      if (length > 0 && !lossy) {
        identities[std::string(name, static_cast<std::size_t>(length))] =
            static_cast<std::uint64_t>(entry->FileId.QuadPart);
      }
      if (!entry->NextEntryOffset) break;
      at += entry->NextEntryOffset;
    }
  }
  for (FileInfo& f : files) {
    const auto found = identities.find(f.name);
    if (found != identities.end()) f.identity = found->second;
  }
}

// From the file's own record, where NTFS keeps them current: the listing's
// come from the directory's entry, brought up to date only once the last
// handle that wrote the file is closed.
bool Win32FileSystem::Stamp(const std::string& path, FileStamp& stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  stamp.lastWrite = Ticks(data.ftLastWriteTime);
  return true;
}

Clocks Win32FileSystem::ReadClocks() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  constexpr auto perMs = static_cast<std::uint64_t>(kTicksPerSecond / 1000);
  return {Ticks(now), ::GetTickCount64() * perMs, static_cast<std::uint64_t>(kTicksPerSecond), UnixTime(Ticks(now))};
}

bool Win32FileSystem::MakeFolder(const std::string& path) {
  if (::CreateDirectoryA(path.c_str(), nullptr)) return true;
  Failed();
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::string> Win32FileSystem::Folders(const std::string& folder) {
  std::vector<std::string> folders;
  WIN32_FIND_DATAA found;
  UniqueFind find(::FindFirstFileA((folder + "*").c_str(), &found));
  if (!find) return folders;
  do {
    const std::string name = found.cFileName;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..") folders.push_back(name);
  } while (::FindNextFileA(find.get(), &found));
  return folders;
}

// Local time less UTC at that moment, by the rule of its own date.
int Win32FileSystem::UtcOffsetMinutes(std::int64_t unixTime) {
  const std::uint64_t ticks = static_cast<std::uint64_t>(unixTime * kTicksPerSecond + kUnixEpoch);
  const FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME system, local;
  FILETIME localTime;
  if (!::FileTimeToSystemTime(&utc, &system) || !::SystemTimeToTzSpecificLocalTime(nullptr, &system, &local) ||
      !::SystemTimeToFileTime(&local, &localTime)) {
    return 0;
  }
  const auto difference = static_cast<std::int64_t>(Ticks(localTime)) - static_cast<std::int64_t>(ticks);
  return static_cast<int>(difference / (60 * kTicksPerSecond));
}

bool Win32FileSystem::WriteFlushed(const std::string& path, const Bytes& data) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Failed();
  // A write may store fewer bytes than asked (Wine does on a full disk)
  // and fail only on the next call: continue until all are written.
  std::size_t done = 0;
  while (done < data.size()) {
    DWORD wrote = 0;
    if (!::WriteFile(file.get(), data.data() + done, static_cast<DWORD>(data.size() - done), &wrote, nullptr) ||
        wrote == 0) {
      return Failed();
    }
    done += wrote;
  }
  return ::FlushFileBuffers(file.get()) != 0 || Failed();
}

ReplaceStatus Win32FileSystem::Replace(const std::string& from, const std::string& to) {
  if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return ReplaceStatus::Done;
  }
  Failed();
  return ReplaceRefusal(lastError_);
}

// Without MOVEFILE_REPLACE_EXISTING, a move refuses an existing target.
ReplaceStatus Win32FileSystem::Place(const std::string& from, const std::string& to) {
  if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return ReplaceStatus::Done;
  Failed();
  return lastError_ == ERROR_ALREADY_EXISTS || lastError_ == ERROR_FILE_EXISTS ? ReplaceStatus::Exists
                                                                                : ReplaceRefusal(lastError_);
}

bool Win32FileSystem::Failed() {
  lastError_ = ::GetLastError();
  return false;
}

Trouble Win32FileSystem::TroubleOf(unsigned long error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:  // a replace over a file another handle holds open
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return Trouble::Held;
    case ERROR_WRITE_PROTECT:
      return Trouble::ReadOnly;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Trouble::DiskFull;
    default:
      return Trouble::Unknown;
  }
}

// Another handle open on the target: a scanner, an indexer, the game saving.
ReplaceStatus Win32FileSystem::ReplaceRefusal(unsigned long error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return ReplaceStatus::Held;
    default:
      return ReplaceStatus::Failed;
  }
}

bool Win32FileSystem::Remove(const std::string& path) {
  // Windows deletes no read-only file, and CREATE_ALWAYS would refuse a
  // hidden one left behind: clear both marks first.
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return ::DeleteFileA(path.c_str()) != 0 || Failed();
}

bool Win32FileSystem::IsReadOnly(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool Win32FileSystem::SetLastWrite(const std::string& path, const ZipEntry& entry) {
  UniqueFile file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Failed();
  FILETIME utc;
  if (entry.unixTime) {
    const std::uint64_t ticks = static_cast<std::uint64_t>(*entry.unixTime * kTicksPerSecond + kUnixEpoch);
    utc.dwLowDateTime = static_cast<DWORD>(ticks);
    utc.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  } else if (!FromDos(entry.dosDate, entry.dosTime, utc)) {
    return true;
  }
  return ::SetFileTime(file.get(), nullptr, nullptr, &utc) != 0 || Failed();
}

bool Win32FileSystem::NativeName(const std::string& utf8Name, std::string& name) {
  // Through UTF-16, refusing a character the ANSI code page has not: a
  // best-fit stand-in would name another file.
  wchar_t wide[MAX_PATH];
  char ansi[2 * MAX_PATH];
  BOOL lossy = FALSE;
  if (::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Name.c_str(), -1, wide, MAX_PATH) <= 0) return false;
  // Where the ANSI code page is UTF-8 itself, the flags below are refused,
  // and every name is already as the file calls take it.
  if (codePage_ == CP_UTF8) {
    name = utf8Name;
    return true;
  }
  if (::WideCharToMultiByte(codePage_, WC_NO_BEST_FIT_CHARS, wide, -1, ansi, sizeof ansi, nullptr, &lossy) <= 0 ||
      lossy) {
    return false;
  }
  name = ansi;
  return true;
}

void Win32FileSystem::Pause(unsigned milliseconds) { ::Sleep(milliseconds); }

}  // namespace ck
