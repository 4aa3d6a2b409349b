// The main window's procedure: every message, command and key goes from
// here to its handler, in the frmMain* files beside this one.
#include "mainwindow/frmMain.h"

#include "resources/resource.h"

namespace ck {

frmMain::frmMain(HINSTANCE instance, const RegistryApi& registry, Stopwatch::Clock clock,
                 const ProcessApi& processes, const RunningApi& running, const NotifyApi& shell,
                 FileSystem& files)
    : instance_(instance), processes_(&processes), running_(&running), registry_(registry), clock_(clock),
      tray_(shell), files_(files), about_(MakeAboutBox(instance, registry, processes)),
      history_(MakeHistoryBox(instance, files, *this)) {}

frmMain::~frmMain() {
  timer1_.Enabled(false);
  if (hwnd_) ::DestroyWindow(hwnd_);
}

bool frmMain::TranslateDialogKeys(MSG& msg) const {
  // A spin with the focus steps with the arrow keys itself, but does not say
  // so to the dialog manager, which would take the keys to move the focus.
  const bool arrow = msg.message == WM_KEYDOWN && (msg.wParam == VK_UP || msg.wParam == VK_DOWN);
  if (arrow && (msg.hwnd == Control(IDC_UDINTERVAL) || msg.hwnd == Control(IDC_UDBACKUP))) return false;
  // Enter on the list offers to restore the archive selected, and with none
  // does nothing: the dialog manager would press the start button and start
  // the game the player meant to restore.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && msg.hwnd == Control(IDC_FILE1)) {
    if (::SendMessageA(msg.hwnd, LB_GETCURSEL, 0, 0) != LB_ERR) ::PostMessageA(hwnd_, Id(AppMessage::ArchiveChosen), 0, 0);
    return true;
  }
  // The window's own keys, not the About box's.
  const bool ours = hwnd_ && (msg.hwnd == hwnd_ || ::IsChild(hwnd_, msg.hwnd));
  if (ours && accelerators_ && ::TranslateAcceleratorA(hwnd_, accelerators_, &msg)) return true;
  return (hwnd_ && ::IsDialogMessageA(hwnd_, &msg)) || about_->TranslateDialogKeys(msg) ||
         history_->TranslateDialogKeys(msg);
}

LRESULT CALLBACK frmMain::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<frmMain*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<frmMain*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    ::RemovePropA(hwnd, kPassesProperty);
    self->hwnd_ = nullptr;
    self->controls_ = {};
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  }
  // An exception must not unwind through the system's code into the message
  // loop: whatever a handler throws ends that handler alone.
  try {
    return self->HandleMessage(msg, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

LRESULT frmMain::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_TIMER:
      if (wParam == Id(TimerId::Tick)) OnTimer();
      if (wParam == Id(TimerId::ReadArchives)) archiveList_.OnReadTimer();
      if (wParam == Id(TimerId::Settle)) {
        ::KillTimer(hwnd_, wParam);
        settleAt_ = 0;
        OnNotices();
      }
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_SIZE:
      OnSize(wParam);
      return 0;
    case Id(AppMessage::ArchiveChosen):
      OnArchiveChosen();
      return 0;
    case Id(AppMessage::Show):
      Restore();
      return 0;
    case Id(AppMessage::TrayNotification):
      OnTrayNotification(wParam, lParam);
      return 0;
    case WM_INITMENUPOPUP:
      OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
      return 0;
    case WM_CONTEXTMENU:
      // The list's right click, not the keyboard's menu key (-1); the
      // caption's right click keeps its system menu.
      if (reinterpret_cast<HWND>(wParam) != Control(IDC_FILE1) || lParam == -1) {
        return ::DefWindowProcA(hwnd_, msg, wParam, lParam);
      }
      OnArchiveListRightClick();
      return 0;
    case WM_VSCROLL:
      // A spin reports each new value once; the end of the scroll is no change.
      if (LOWORD(wParam) == SB_THUMBPOSITION) OnSpin(reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return OnControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_ERASEBKGND:
      OnEraseBackground(reinterpret_cast<HDC>(wParam));
      return TRUE;
    case DM_GETDEFID:
      return MAKELRESULT(IDC_CMDSTART, DC_HASDEFID);
    case WM_CLOSE:
      Unload();
    case WM_ENDSESSION:
      if (wParam) Unload();
      return 0;
    default:
      if (msg == taskbarCreated_ && msg != 0) {
        OnTaskbarCreated();
        return 0;
      }
      return ::DefWindowProcA(hwnd_, msg, wParam, lParam);
  }
}

void frmMain::OnCommand(UINT id, UINT code) {
  switch (id) {
    case IDC_TXTINTERVAL:
    case IDC_TXTNUMBACKUP:
      if (code == EN_CHANGE) OnSettingTextChanged(static_cast<int>(id));
      break;
    case IDC_CMDSTART:
      // Owner-drawn, the button reports the second of two quick clicks as a
      // double click: it is a press like the first.
      if (code == BN_CLICKED || code == BN_DOUBLECLICKED) StartGame();
      break;
    case IDC_FILE1:
      if (code == LBN_DBLCLK) OnArchiveChosen();
      break;
    case IDM_FILE_START:
      StartGame();
      break;
    case IDM_FILE_KEEP:
      OnKeepSelected();
      break;
    case IDM_FILE_HISTORY:
      history_->ShowFor(hwnd_, SelectedArchive());
      break;
    case IDM_HELP_ABOUT:
      about_->Show(hwnd_);
      break;
    case IDM_TRAY_RESTORE:
      Restore();
      break;
    case IDM_TRAY_EXIT:
    case IDM_FILE_EXIT:
      Unload();
    default:
      break;
  }
}

HWND frmMain::Control(int id) const {
  const auto index = static_cast<std::size_t>(id - IDC_CMDSTART);
  return index < controls_.size() ? controls_[index] : ::GetDlgItem(hwnd_, id);
}

std::string frmMain::ControlText(int id) const {
  HWND control = Control(id);
  // One message when the text is short, as the settings' always are: under
  // Wine each message to a spin's buddy asks the window server for the
  // spin's hook, more than once.
  char shortText[64];
  const int length = ::GetWindowTextA(control, shortText, sizeof shortText);
  if (length < static_cast<int>(sizeof shortText) - 1) return std::string(shortText, static_cast<std::size_t>(length));
  std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(control)) + 1, '\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace ck
