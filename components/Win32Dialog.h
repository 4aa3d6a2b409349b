// What the program's dialogs share: the one way a dialog's procedure finds
// the object it belongs to, and their place on the screen.
#pragma once

#include <windows.h>

namespace ck {

// The object's address, given to CreateDialogParam, is kept in DWLP_USER
// from WM_INITDIALOG on, and the object's handle is cleared at WM_NCDESTROY,
// so that a dialog the system closes leaves no stale handle behind. Nothing
// a handler throws reaches the system's code or the message loop. For a
// class with a member `HWND hwnd_` and `INT_PTR HandleMessage(UINT, WPARAM,
// LPARAM)`, which names this its friend.
template <typename Dialog>
INT_PTR CALLBACK BoundDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Dialog*>(lParam);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
  }
  auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
  if (!self) return FALSE;
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
    return FALSE;
  }
  try {
    return self->HandleMessage(msg, wParam, lParam);
  } catch (...) {
    return FALSE;
  }
}

// Gives `dialog` a client area of `width` by `height` pixels, centred on
// `centreOn` while it is shown, else on the screen, its caption on it.
inline void PlaceDialog(HWND dialog, int width, int height, HWND centreOn) {
  const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_EXSTYLE));
  RECT frame{0, 0, width, height};
  ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  width = frame.right - frame.left, height = frame.bottom - frame.top;
  RECT around{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (centreOn && ::IsWindowVisible(centreOn)) ::GetWindowRect(centreOn, &around);
  const LONG x = (around.left + around.right - width) / 2, y = (around.top + around.bottom - height) / 2;
  ::SetWindowPos(dialog, nullptr, x, y > 0 ? y : 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace ck
