// The main window made: its class, its controls from the design's table,
// placed in twips at the screen's DPI, and their fonts.
#include "mainwindow/frmMain.h"

#include <commctrl.h>

#include <cstdlib>
#include <iterator>

#include "components/Twips.h"
#include "components/Win32DeviceContext.h"
#include "components/Win32LabelFit.h"
#include "mainwindow/Layout.h"
#include "mainwindow/frmMainDesign.h"
#include "resources/resource.h"
#include "resources/version.h"

namespace ck {
namespace {

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

}  // namespace ck
