// The watch of one folder: ReadDirectoryChangesW on that folder alone, for
// names, sizes and last writes, with an event that is set when notices
// wait. The event lets the window's own thread wait for notices beside its
// messages, and a tick look without waiting, so no second thread is needed.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "components/Win32UniqueHandle.h"

namespace ck {

class FolderWatch {
 public:
  // A buffer over 64 KB fails on a network share.
  static constexpr DWORD kBufferBytes = 64 * 1024;

  explicit FolderWatch(DWORD bufferBytes = kBufferBytes) : buffer_((bufferBytes + 3) / 4) {}
  ~FolderWatch() { Stop(); }
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  // Watches `folder` (ANSI, with its separator or without). False when it
  // cannot be watched, with the system's error in Error().
  bool Start(const std::string& folder);
  // Ends the watch; the pending request is cancelled and waited for, so
  // the system writes nothing into the buffer after. At the process's end
  // nothing need be waited for, and a share that is slow to answer must
  // not hold the exit.
  void Stop(bool wait = true);
  bool Armed() const { return static_cast<bool>(directory_); }
  DWORD Error() const { return error_; }
  // Set when notices wait; null while no watch is armed.
  HANDLE Event() const { return Armed() ? event_.get() : nullptr; }

  enum class Taken {
    Nothing,  // no notice waits
    Seen,     // each changed name was given to the callback (UTF-8)
    Lost,     // the system lost notices: anything may have changed
    Failed,   // the watch ended (Error() says why); nothing is watched
  };
  // What waits, without waiting, and the watch armed again at once.
  Taken Take(const std::function<void(std::string_view file)>& changed);

 private:
  bool Request();
  void End(DWORD error);

  UniqueFile directory_;
  UniqueKernelHandle event_;
  OVERLAPPED overlapped_{};
  std::vector<DWORD> buffer_;  // DWORD-aligned, as the records must be
  DWORD error_ = ERROR_SUCCESS;
};

}  // namespace ck
