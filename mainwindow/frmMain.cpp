#include "mainwindow/frmMain.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "components/FolderPrefix.h"
#include "components/Win32DeviceContext.h"
#include "components/Win32LabelFit.h"
#include "mainwindow/BackupPass.h"
#include "mainwindow/BackupSchedule.h"
#include "mainwindow/Layout.h"
#include "mainwindow/NumberText.h"
#include "resources/resource.h"
#include "resources/version.h"

namespace ck {
namespace {

COLORREF ToColorRef(layout::Rgb c) { return RGB(c.r, c.g, c.b); }

struct ControlDesign {
  int id;
  const char* className;
  const char* text;
  DWORD style;
  DWORD exStyle;
  TwipRect rect;
};

// Created in this order, which is also the tab order.
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | WS_CLIPSIBLINGS | SS_NOPREFIX;
constexpr DWORD kSpin = kChild | WS_TABSTOP | UDS_ARROWKEYS | UDS_SETBUDDYINT | UDS_NOTHOUSANDS;
const ControlDesign kControls[] = {
    {IDC_CMDSTART, "BUTTON", "&Start Diablo ][", kChild | WS_TABSTOP | BS_OWNERDRAW, 0, layout::kCmdStart},
    {IDC_LABEL1, "STATIC", "Current Save Directory :", kLabel, 0, layout::kLabel1},
    {IDC_TXTSAVEDIR, "EDIT", "", kChild | WS_DISABLED | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, layout::kTxtSaveDir},
    {IDC_LABEL2, "STATIC", "Backup Interval in Minutes:", kLabel, 0, layout::kLabel2},
    {IDC_STATUSBAR1, STATUSCLASSNAMEA, "", kChild | SBARS_TOOLTIPS, 0, layout::kStatusBar1},
    {IDC_TXTINTERVAL, "EDIT", "", kChild | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, layout::kTxtInterval},
    {IDC_UDINTERVAL, UPDOWN_CLASSA, "", kSpin, 0, layout::kUdInterval},
    {IDC_LABEL3, "STATIC", "Number of Backups to maintain :", kLabel, 0, layout::kLabel3},
    {IDC_TXTNUMBACKUP, "EDIT", "", kChild | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, layout::kTxtNumBackup},
    {IDC_UDBACKUP, UPDOWN_CLASSA, "", kSpin, 0, layout::kUdBackup},
    {IDC_LABEL4, "STATIC", "Current Backups", kLabel, 0, layout::kLabel4},
    {IDC_FILE1, "LISTBOX", "", kChild | WS_TABSTOP | WS_VSCROLL | LBS_SORT | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                                         LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
     WS_EX_CLIENTEDGE, layout::kFile1},
};

static_assert(std::size(kControls) == frmMain::kControlCount);

struct SpinDesign {
  int id;
  int buddyId;
  int lower, upper, start;
};
const SpinDesign kSpins[] = {{IDC_UDINTERVAL, IDC_TXTINTERVAL, 1, 60, 3}, {IDC_UDBACKUP, IDC_TXTNUMBACKUP, 1, 50, 10}};

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

bool IsLabel(int id) {
  return id == IDC_LABEL1 || id == IDC_LABEL2 || id == IDC_LABEL3 || id == IDC_LABEL4;
}

// Whether `font` is drawn in `face` with characters `height` pixels high,
// within a pixel.
bool DrawsAsAsked(HFONT font, const char* face, int height) {
  const WindowDc screen;
  const SelectedObject selected(screen.get(), font);
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(screen.get(), &metrics);
  char drawn[LF_FACESIZE] = {};
  ::GetTextFaceA(screen.get(), sizeof drawn, drawn);
  return _stricmp(drawn, face) == 0 && std::abs(metrics.tmHeight - metrics.tmInternalLeading - height) <= 1;
}

// MS Sans Serif is a bitmap face made at a few sizes: asked for one it lacks
// (the bold caption, most sizes above 120 DPI) Windows draws a smaller one,
// and the text no longer grows with the window. Then an outline face of the
// same kind takes its place: Windows' Microsoft Sans Serif, the same design,
// or Tahoma, which Wine has.
UniqueFont MakeFont(double points, int weight, int dpi) {
  const int height = -PointsToFontHeight(points, dpi);
  UniqueFont font;
  for (const char* face : {"MS Sans Serif", "Microsoft Sans Serif", "Tahoma"}) {
    font.reset(::CreateFontA(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face));
    if (DrawsAsAsked(font.get(), face, height)) break;
  }
  return font;
}

}  // namespace

frmMain::frmMain(HINSTANCE instance, const RegistryApi& registry, Stopwatch::Clock clock,
                 const ProcessApi& processes, const RunningApi& running, const NotifyApi& shell)
    : instance_(instance), processes_(&processes), running_(&running), registry_(registry), clock_(clock),
      tray_(shell), about_(MakeAboutBox(instance, registry, processes)) {}

frmMain::~frmMain() {
  timer1_.Enabled(false);
  if (hwnd_) ::DestroyWindow(hwnd_);
}

bool frmMain::Create() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &frmMain::WindowProc;
  wc.hInstance = instance_;
  wc.hIcon = ::LoadIconA(instance_, MAKEINTRESOURCEA(IDI_CAIRNKEEP));
  wc.hIconSm = static_cast<HICON>(::LoadImageA(instance_, MAKEINTRESOURCEA(IDI_CAIRNKEEP), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXSMICON),
                                               ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  // Registering twice (a second window in the same process) is harmless.
  if (!::RegisterClassExA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

  UniqueMenu menu(::LoadMenuA(instance_, MAKEINTRESOURCEA(IDR_MAINMENU)));
  ::CreateWindowExA(0, kClassName, CK_CAPTION, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, nullptr, menu.get(), instance_, this);
  if (!hwnd_) return false;
  menu.release();  // the window destroys its menu bar
  trayMenu_.reset(::LoadMenuA(instance_, MAKEINTRESOURCEA(IDR_TRAYMENU)));
  accelerators_ = ::LoadAcceleratorsA(instance_, MAKEINTRESOURCEA(IDR_ACCELERATORS));
  return true;
}

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

bool frmMain::TranslateDialogKeys(MSG& msg) const {
  // A spin with the focus steps with the arrow keys itself, but does not say
  // so to the dialog manager, which would take the keys to move the focus.
  const bool arrow = msg.message == WM_KEYDOWN && (msg.wParam == VK_UP || msg.wParam == VK_DOWN);
  if (arrow && (msg.hwnd == Control(IDC_UDINTERVAL) || msg.hwnd == Control(IDC_UDBACKUP))) return false;
  // Enter on the list offers to restore the archive selected, and with none
  // does nothing: the dialog manager would press the start button and start
  // the game the player meant to restore.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && msg.hwnd == Control(IDC_FILE1)) {
    if (::SendMessageA(msg.hwnd, LB_GETCURSEL, 0, 0) != LB_ERR) ::PostMessageA(hwnd_, kArchiveChosenMessage, 0, 0);
    return true;
  }
  // The window's own keys, not the About box's.
  const bool ours = hwnd_ && (msg.hwnd == hwnd_ || ::IsChild(hwnd_, msg.hwnd));
  if (ours && accelerators_ && ::TranslateAcceleratorA(hwnd_, accelerators_, &msg)) return true;
  return (hwnd_ && ::IsDialogMessageA(hwnd_, &msg)) || about_->TranslateDialogKeys(msg);
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
      if (wParam == kTimerId) OnTimer();
      if (wParam == ArchiveList::kReadTimerId) archiveList_.OnReadTimer();
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
    case kArchiveChosenMessage:
      OnArchiveChosen();
      return 0;
    case kShowMessage:
      Restore();
      return 0;
    case kTrayCallbackMessage:
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

void frmMain::OnCreate() {
  dpi_ = ScreenDpi();
  char separator[8] = {};
  if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) > 1) {
    decimalSeparator_ = separator;
  }
  font_ = MakeFont(layout::kFontPoints, FW_NORMAL, dpi_);
  startFont_ = MakeFont(layout::kStartFontPoints, FW_BOLD, dpi_);
  backBrush_.reset(::CreateSolidBrush(ToColorRef(layout::kBackColour)));
  startBrush_.reset(::CreateSolidBrush(ToColorRef(layout::kStartBack)));
  CreateControls();
  PlaceWindow();
}

int frmMain::Pixels(int twips) const { return TwipsToPixels(twips, dpi_); }

void frmMain::CreateControls() {
  for (const ControlDesign& c : kControls) {
    HWND control = ::CreateWindowExA(c.exStyle, c.className, c.text, c.style, Pixels(c.rect.left),
                                     Pixels(c.rect.top), Pixels(c.rect.width), Pixels(c.rect.height), hwnd_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr);
    controls_.at(static_cast<std::size_t>(c.id - IDC_CMDSTART)) = control;
    HFONT font = c.id == IDC_CMDSTART ? startFont_.get() : font_.get();
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // Labels lie beneath the other controls, as painted captions do: "Current
    // Backups" overlaps the list's top edge by a pixel. Not being tab stops,
    // their place in the z-order does not touch the tab order.
    if (IsLabel(c.id)) ::SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    GrowToFitText(control);
  }
  archiveList_.Attach(Control(IDC_FILE1), hwnd_, ToColorRef(layout::kBoxText), ToColorRef(layout::kBackColour));
  for (const SpinDesign& s : kSpins) {
    HWND spin = Control(s.id);
    ::SendMessageA(spin, UDM_SETRANGE32, s.lower, s.upper);
    // Set before the buddy: a buddy's text follows every position set, and
    // the boxes stay empty until start-up fills them, so that no tick finds
    // an interval while a start-up message is open.
    ::SendMessageA(spin, UDM_SETPOS32, 0, s.start);
    // The box is the spin's buddy: what it shows is what the spin steps on
    // from, and a typed number becomes the spin's value.
    ::SendMessageA(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Control(s.buddyId)), 0);
    // One step per click, however long an arrow is held: Windows would
    // otherwise step by 5 after two seconds and by 20 after five.
    UDACCEL oneStep{0, 1};
    ::SendMessageA(spin, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&oneStep));
  }

  HWND status = Control(IDC_STATUSBAR1);
  int edges[std::size(layout::kPanelWidths)];
  int right = 0;
  for (std::size_t i = 0; i < std::size(layout::kPanelWidths); ++i) {
    right += Pixels(layout::kPanelWidths[i]);
    edges[i] = right;
  }
  ::SendMessageA(status, SB_SETMINHEIGHT, Pixels(layout::kStatusBar1.height), 0);
  ::SendMessageA(status, SB_SETPARTS, std::size(edges), reinterpret_cast<LPARAM>(edges));
  RefreshClockPanels();
}

// The window's client area has the designed size in pixels at the screen's
// DPI, and the window is centred on the screen.
void frmMain::PlaceWindow() {
  RECT frame{0, 0, Pixels(layout::kClientWidth), Pixels(layout::kClientHeight)};
  ::AdjustWindowRectEx(&frame, kWindowStyle, TRUE, 0);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  // The menu bar's real height can differ from the estimate; correct by what
  // the client area really got.
  RECT client;
  ::GetClientRect(hwnd_, &client);
  width += Pixels(layout::kClientWidth) - client.right;
  height += Pixels(layout::kClientHeight) - client.bottom;
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  ::SetWindowPos(hwnd_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void frmMain::OnTimer() {
  RefreshClockPanels();
  if (!stopwatch_) return;
  if (!IsDue(ControlText(IDC_TXTINTERVAL), stopwatch_->Elapsed(), decimalSeparator_)) return;
  RunBackupPass();
}

void frmMain::RunBackupPass() {
  // The number the box shows, whole part: the spin's own range ends at 50
  // and it reads no fraction, so its value can differ from the box's text.
  // The box always holds a number the settings accepted.
  const int keep = static_cast<int>(ParseNumber(ControlText(IDC_TXTNUMBACKUP), decimalSeparator_).value());
  const std::optional<PassResult> pass = ck::RunBackupPass(files_, saveDir_, keep, characters_, passMemory_);
  if (!pass) return;  // no character yet: due again at the next tick
  stopwatch_->Reset();
  // The names of characters not saved may not fit the panel; the tip adds
  // who was saved and who was unchanged.
  const std::string time = TimeNow();
  ShowFirstPanel(LastSaveText(time, *pass), LastSaveTip(time, *pass));
  RefreshArchiveList();
}

void frmMain::ShowFirstPanel(const std::string& text, const std::string& tip) const {
  ::SendDlgItemMessageA(hwnd_, IDC_STATUSBAR1, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
  ::SendDlgItemMessageA(hwnd_, IDC_STATUSBAR1, SB_SETTIPTEXTA, 0, reinterpret_cast<LPARAM>(tip.c_str()));
}

std::string frmMain::TimeNow() {
  char time[64] = {};
  ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time);
  return time;
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

LRESULT frmMain::OnControlColor(HDC dc, HWND control) {
  if (IsLabel(::GetDlgCtrlID(control))) {
    ::SetTextColor(dc, ToColorRef(layout::kLabelText));
    ::SetBkMode(dc, TRANSPARENT);
  } else {
    ::SetTextColor(dc, ToColorRef(layout::kBoxText));
    ::SetBkColor(dc, ToColorRef(layout::kBackColour));
  }
  return reinterpret_cast<LRESULT>(backBrush_.get());
}

void frmMain::OnEraseBackground(HDC dc) {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  ::FillRect(dc, &client, backBrush_.get());
}

// The start button is drawn green, raised, and sunken while pressed.
void frmMain::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlID == IDC_FILE1) archiveList_.Draw(item);
  if (item.CtlID != IDC_CMDSTART) return;
  RECT r = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  ::FillRect(item.hDC, &r, startBrush_.get());
  ::DrawEdge(item.hDC, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

  char caption[64];
  ::GetWindowTextA(item.hwndItem, caption, sizeof caption);
  RECT text = r;
  if (pressed) ::OffsetRect(&text, 1, 1);
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::SetTextColor(item.hDC, ::GetSysColor(COLOR_BTNTEXT));
  UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (item.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
  {
    const SelectedObject font(item.hDC, startFont_.get());
    ::DrawTextA(item.hDC, caption, -1, &text, format);
  }

  if (item.itemState & ODS_FOCUS) {
    RECT focus = r;
    ::InflateRect(&focus, -4, -4);
    ::DrawFocusRect(item.hDC, &focus);
  }
}

void frmMain::RefreshClockPanels() {
  char text[128];
  HWND status = Control(IDC_STATUSBAR1);
  if (::GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, nullptr, nullptr, text, sizeof text) &&
      shownTime_ != text) {
    shownTime_ = text;
    ::SendMessageA(status, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text));
  }
  if (::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text, sizeof text) &&
      shownDate_ != text) {
    shownDate_ = text;
    ::SendMessageA(status, SB_SETTEXTA, 2, reinterpret_cast<LPARAM>(text));
  }
}

void frmMain::RefreshArchiveList() { archiveList_.Refresh(saveDir_); }

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
