#include "tray/Win32TrayIcon.h"

#include <cstring>

namespace ck {
namespace {
constexpr std::size_t kTipField = 64;
}  // namespace

bool TrayIcon::Add(HWND window, HICON icon) {
  record_.cbSize = NOTIFYICONDATAA_V1_SIZE;
  record_.hWnd = window;
  record_.uID = kTrayIconId;
  record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record_.uCallbackMessage = kTrayCallbackMessage;
  record_.hIcon = icon;
  // The tip, its end, then blanks to the end of the first layout's field.
  std::memset(record_.szTip, ' ', kTipField);
  std::memcpy(record_.szTip, kTip, std::strlen(kTip) + 1);
  return shell_.NotifyIcon(NIM_ADD, &record_) != FALSE;
}

void TrayIcon::AddOrUpdate(HWND window, HICON icon) {
  if (!Add(window, icon)) shell_.NotifyIcon(NIM_MODIFY, &record_);
}

void TrayIcon::Remove() {
  if (record_.hWnd) shell_.NotifyIcon(NIM_DELETE, &record_);
}

}  // namespace ck
