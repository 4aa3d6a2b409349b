#include "components/Win32FolderWatch.h"

#include <cstddef>

namespace ck {
namespace {

constexpr DWORD kWhatChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

std::string Utf8(const WCHAR* text, std::size_t units) {
  const int length = static_cast<int>(units);
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

bool FolderWatch::Start(const std::string& folder) {
  Stop();
  error_ = ERROR_SUCCESS;
  if (!event_) event_.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!event_) {
    error_ = ::GetLastError();
    return false;
  }
  // Shared for everything, so that the player can still rename or remove
  // the folder while it is watched.
  directory_.reset(::CreateFileA(folder.empty() ? "." : folder.c_str(), FILE_LIST_DIRECTORY,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
  if (!directory_) {
    error_ = ::GetLastError();
    return false;
  }
  return Request();
}

void FolderWatch::Stop(bool wait) {
  if (!directory_) return;
  if (::CancelIoEx(directory_.get(), &overlapped_) && wait) {
    DWORD bytes = 0;
    ::GetOverlappedResult(directory_.get(), &overlapped_, &bytes, TRUE);
  }
  directory_.reset();
}

bool FolderWatch::Request() {
  ::ResetEvent(event_.get());
  overlapped_ = OVERLAPPED{};
  overlapped_.hEvent = event_.get();
  if (::ReadDirectoryChangesW(directory_.get(), buffer_.data(), static_cast<DWORD>(buffer_.size() * sizeof(DWORD)),
                              FALSE, kWhatChanges, nullptr, &overlapped_, nullptr)) {
    return true;
  }
  // Nothing is pending after a refused request: the handle can go at once.
  End(::GetLastError());
  return false;
}

void FolderWatch::End(DWORD error) {
  error_ = error;
  directory_.reset();
}

FolderWatch::Taken FolderWatch::Take(const std::function<void(std::string_view file)>& changed) {
  if (!directory_) return Taken::Nothing;
  DWORD bytes = 0;
  if (!::GetOverlappedResult(directory_.get(), &overlapped_, &bytes, FALSE)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_IO_INCOMPLETE) return Taken::Nothing;
    // Windows's word for notices it could not keep; the watch goes on.
    if (error != ERROR_NOTIFY_ENUM_DIR) {
      End(error);
      return Taken::Failed;
    }
    bytes = 0;
  }
  // No records: more changed than the buffer could hold.
  if (bytes == 0) return Request() ? Taken::Lost : Taken::Failed;
  // The names are copied out before the buffer is handed back for the next
  // notices, and every record is checked against what the system wrote.
  std::vector<std::string> names;
  const auto* data = reinterpret_cast<const BYTE*>(buffer_.data());
  const std::size_t size = bytes < buffer_.size() * sizeof(DWORD) ? bytes : buffer_.size() * sizeof(DWORD);
  for (std::size_t at = 0; at + offsetof(FILE_NOTIFY_INFORMATION, FileName) <= size;) {
    const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(data + at);
    const std::size_t nameBytes = record->FileNameLength;
    if (at + offsetof(FILE_NOTIFY_INFORMATION, FileName) + nameBytes > size) break;
    names.push_back(Utf8(record->FileName, nameBytes / sizeof(WCHAR)));
    if (record->NextEntryOffset == 0) break;
    at += record->NextEntryOffset;
  }
  const bool armed = Request();
  for (const std::string& name : names) changed(name);
  return armed ? Taken::Seen : Taken::Failed;
}

}  // namespace ck
