// The notification-area icon's record, in the shell's first layout, which
// every version of Windows reads.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "tray/TrayNotification.h"
#include "tray/Win32NotifyApi.h"

namespace ck {

static_assert(kTrayCallbackMessage == WM_APP + 1);
// 88 bytes in the 32-bit program; pointers make the same fields 104 in a
// 64-bit build.
static_assert(NOTIFYICONDATAA_V1_SIZE == (sizeof(void*) == 4 ? 88 : 104));

class TrayIcon {
 public:
  static constexpr const char* kTip = "Cairnkeep";

  explicit TrayIcon(const NotifyApi& shell = NotifyApi::Shell32()) : shell_(shell) {}
  ~TrayIcon() { Remove(); }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Adds the icon for `window`. The shell refuses to add an icon it already
  // shows, and says so with false.
  bool Add(HWND window, HICON icon);
  // Adds the icon, or updates it where the shell refuses the add because it
  // shows it already.
  void AddOrUpdate(HWND window, HICON icon);
  // Until the icon has been added there is nothing to remove, so every way
  // out can call Remove.
  void Remove();

  const NOTIFYICONDATAA& Record() const { return record_; }

 private:
  const NotifyApi& shell_;
  NOTIFYICONDATAA record_{};
};

}  // namespace ck
