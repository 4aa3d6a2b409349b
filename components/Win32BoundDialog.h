// The one way a dialog's procedure finds the object it belongs to: the
// object's address, given to CreateDialogParam, is kept in DWLP_USER from
// WM_INITDIALOG on, and the object's handle is cleared at WM_NCDESTROY, so
// that a dialog closed by the system leaves no dangling handle behind.
// Nothing a handler throws reaches the system's code or the message loop.
#pragma once

#include <windows.h>

namespace ck {

// For a class with a member `HWND hwnd_` and `INT_PTR HandleMessage(UINT,
// WPARAM, LPARAM)`, which names this its friend.
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

}  // namespace ck
