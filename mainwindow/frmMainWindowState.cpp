// Showing the window, hiding it to the notification area and coming back,
// the focus it gives back, the icon's menu, the archive list's right click,
// and the one way out.
#include "mainwindow/frmMain.h"

#include "resources/resource.h"
#include "resources/version.h"

namespace ck {

HICON frmMain::WindowIcon() const { return reinterpret_cast<HICON>(::GetClassLongPtrA(hwnd_, GCLP_HICON)); }

// The window opens normal whatever a shortcut asks, but for minimised: it
// offers no maximise box. SW_RESTORE shows a new window as SW_SHOWNORMAL
// does, but Windows does not replace it with the start-up information's
// command on the first call, as it replaces SW_SHOWNORMAL.
void frmMain::Show(int showCommand) {
  // Added here too, as a minimised start hides the window without activating it.
  tray_.Add(hwnd_, WindowIcon());
  const bool minimised = showCommand == SW_SHOWMINIMIZED || showCommand == SW_MINIMIZE ||
                         showCommand == SW_SHOWMINNOACTIVE || showCommand == SW_FORCEMINIMIZE;
  ::ShowWindow(hwnd_, minimised ? showCommand : SW_RESTORE);
  ::UpdateWindow(hwnd_);
  ::SetFocus(Control(IDC_CMDSTART));
}

void frmMain::OnActivate(bool active) {
  // The shell refuses a second icon, and adds again one it has lost.
  if (active) tray_.Add(hwnd_, WindowIcon());
  // Like a dialog, the window gives the focus back to the control that had it.
  if (!active) {
    lastFocus_ = ::GetFocus();
  } else if (lastFocus_ && ::IsChild(hwnd_, lastFocus_)) {
    ::SetFocus(lastFocus_);
  }
}

// A minimised window leaves the screen and the taskbar; only the icon brings
// it back.
void frmMain::OnSize(WPARAM kind) {
  if (kind == SIZE_MINIMIZED) {
    ::ShowWindow(hwnd_, SW_HIDE);
    return;
  }
  // The status bar docks itself to the bottom edge when told the size changed.
  ::SendMessageA(Control(IDC_STATUSBAR1), WM_SIZE, 0, 0);
}

void frmMain::OnTrayNotification(WPARAM id, LPARAM mouse) {
  switch (DecodeTrayNotification(Id(AppMessage::TrayNotification), id, static_cast<std::uintptr_t>(mouse))) {
    case TrayAction::Restore:
      Restore();
      break;
    case TrayAction::OpenMenu:
      ShowTrayMenu();
      break;
    case TrayAction::None:
      break;
  }
}

// A shell that restarted has lost the icon; Windows also says this when the
// DPI changes, and the icon is still there to be updated.
void frmMain::OnTaskbarCreated() {
  tray_.AddOrUpdate(hwnd_, WindowIcon());
}

// Normal first, so that the window comes back as it was before it was
// minimised, then in front of whatever covers it.
void frmMain::Restore() {
  ::ShowWindow(hwnd_, SW_RESTORE);
  ::SetForegroundWindow(hwnd_);
  ::ShowWindow(hwnd_, SW_SHOW);
}

void frmMain::ShowRunning() {
  // The one running may be starting too: its window comes a moment after the
  // name that told us of it.
  HWND running = nullptr;
  for (int wait = 0; wait < 100 && !(running = ::FindWindowA(kClassName, nullptr)); ++wait) ::Sleep(50);
  if (!running) return;
  // Windows lets a process come to the front only when the one in front
  // allows it, which this one, just started by the player, may do. Wine
  // does not enforce the rule, so the tests cannot show the call is needed.
  DWORD process = 0;
  ::GetWindowThreadProcessId(running, &process);
  ::AllowSetForegroundWindow(process);
  ::PostMessageA(running, Id(AppMessage::Show), 0, 0);
}

void frmMain::ShowTrayMenu() {
  // A menu whose window is not in front stays open after a click elsewhere.
  ::SetForegroundWindow(hwnd_);
  POINT at{};
  ::GetCursorPos(&at);
  ::TrackPopupMenu(::GetSubMenu(trayMenu_.get(), 0), 0, at.x, at.y, 0, hwnd_, nullptr);
  // Without a message after it, the next click on the icon would open the
  // menu and close it at once.
  ::PostMessageA(hwnd_, WM_NULL, 0, 0);
}

void frmMain::OnArchiveListRightClick() { ::MessageBoxA(hwnd_, SelectedArchive().c_str(), CK_TITLE, MB_OK); }

// Nothing can cancel it: the timer stops first, so that no backup starts
// while the program ends, and the icon goes before the process does.
void frmMain::Unload() {
  timer1_.Enabled(false);
  stopwatch_.reset();
  watch_.Stop(false);
  tray_.Remove();
  history_->Close();
  ::ExitProcess(0);
}

}  // namespace ck
