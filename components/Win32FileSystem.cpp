#include "components/Win32FileSystem.h"

#include <windows.h>

#include "components/UniqueHandle.h"

namespace ck {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool StampOf(HANDLE file, FileStamp& stamp) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(file, &info)) return false;
  stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  stamp.lastWrite =
      (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
  return true;
}

}  // namespace

std::vector<FileInfo> Win32FileSystem::List(const std::string& folder, const std::string& pattern) {
  std::vector<FileInfo> files;
  WIN32_FIND_DATAA found;
  UniqueFind find(::FindFirstFileA((folder + pattern).c_str(), &found));
  if (!find) return files;
  constexpr DWORD kNotNormal = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  do {
    if (found.dwFileAttributes & kNotNormal) continue;
    FileInfo info;
    info.name = found.cFileName;
    info.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    FILETIME local;
    WORD date = 0, time = 0;
    if (::FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) && ::FileTimeToDosDateTime(&local, &date, &time)) {
      info.dosDate = date;
      info.dosTime = time;
    }
    files.push_back(std::move(info));
  } while (::FindNextFileA(find.get(), &found));
  return files;
}

ReadStatus Win32FileSystem::ReadWhole(const std::string& path, Bytes& data, FileStamp& before, FileStamp& after) {
  // Full sharing, so that the game can save while we read.
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadStatus::Missing
                                                                           : ReadStatus::Failed;
  }
  if (!StampOf(file.get(), before) || before.size > 0x7FFFFFFF) return ReadStatus::Failed;
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

bool Win32FileSystem::WriteFlushed(const std::string& path, const Bytes& data) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  // A write may store fewer bytes than asked (Wine does on a full disk)
  // and fail only on the next call: continue until all are written.
  std::size_t done = 0;
  while (done < data.size()) {
    DWORD wrote = 0;
    if (!::WriteFile(file.get(), data.data() + done, static_cast<DWORD>(data.size() - done), &wrote, nullptr) ||
        wrote == 0) {
      return false;
    }
    done += wrote;
  }
  return ::FlushFileBuffers(file.get()) != 0;
}

bool Win32FileSystem::Replace(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32FileSystem::Remove(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

bool Win32FileSystem::IsReadOnly(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

void Win32FileSystem::Pause(unsigned milliseconds) { ::Sleep(milliseconds); }

}  // namespace ck
