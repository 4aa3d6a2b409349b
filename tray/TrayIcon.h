// The notification-area icon's record. Until the icon has been added,
// removing it does nothing, so every way out can call Remove.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace ck {

class TrayIcon {
 public:
  TrayIcon() = default;
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  void Remove() {
    if (!shown_) return;
    ::Shell_NotifyIconA(NIM_DELETE, &record_);
    shown_ = false;
  }

 private:
  NOTIFYICONDATAA record_{};
  bool shown_ = false;
};

}  // namespace ck
