#include "about/frmAbout.h"

#include <cctype>
#include <cstring>

#include "components/Twips.h"
#include "components/Win32DeviceContext.h"
#include "components/Win32LabelFit.h"
#include "resources/resource.h"
#include "resources/version.h"

namespace ck {
namespace {

// The design, in twips from the client area's top left corner.
constexpr int kClientWidth = 6285;
constexpr int kClientHeight = 3450;

constexpr ControlPlacement kPlacements[] = {
    {IDC_PICICON, {240, 240, 540, 540}},        {IDC_LBLTITLE, {1050, 240, 3885, 480}},
    {IDC_LBLVERSION, {1050, 780, 3885, 225}},   {IDC_LBLDESCRIPTION, {1050, 1125, 4845, 1170}},
    {IDC_ABOUTLABEL1, {960, 2520, 2895, 255}},  {IDC_LBLEMAIL, {3960, 2520, 2055, 255}},
    {IDOK, {3360, 2880, 1260, 345}},            {IDC_CMDSYSINFO, {4800, 2880, 1245, 345}},
};

constexpr int kIconTwips = 480;
constexpr double kLinkFontPoints = 8.25;
constexpr COLORREF kLinkColour = RGB(0, 0, 192);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// One paragraph; the sentences are parted by two blanks.
constexpr const char kDescription[] =
    "Ever played too far without saving and then find yourself dead?  "
    "This utility will back-up your character/game info "
    "during gameplay at the intervals you specify.  "
    "Diablo ][ doesn't save your game at intervals, but rather "
    "at certain points in the game.  This utility will ONLY "
    "back-up what Diablo ][ has saved.  It merely provides a way "
    "to go back before you were killed.";

constexpr const char kMailLink[] = "mailto:" CK_CONTACT "?subject=" CK_TITLE;

std::string VersionText() {
  return "Version " + std::to_string(CK_VERSION_MAJOR) + "." + std::to_string(CK_VERSION_MINOR) + "." +
         std::to_string(CK_VERSION_REVISION);
}

}  // namespace

std::unique_ptr<OwnedBox> MakeAboutBox(HINSTANCE instance, const RegistryApi& registry, const ProcessApi& processes) {
  return std::make_unique<frmAbout>(instance, registry, processes);
}

frmAbout::frmAbout(HINSTANCE instance, const RegistryApi& registry, const ProcessApi& processes,
                   const ShellApi& shell)
    : instance_(instance), registry_(&registry), processes_(&processes), shell_(&shell) {}

frmAbout::~frmAbout() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

void frmAbout::Show(HWND centreOn) {
  if (!hwnd_) {
    centreOn_ = centreOn;
    // No owner: the main window stays usable, and stays in front when asked.
    ::CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_ABOUT), nullptr, &BoundDialogProc<frmAbout>,
                         reinterpret_cast<LPARAM>(this));
    if (!hwnd_) return;
  }
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::SetForegroundWindow(hwnd_);
}

bool frmAbout::TranslateDialogKeys(MSG& msg) const {
  if (!hwnd_ || (msg.hwnd != hwnd_ && !::IsChild(hwnd_, msg.hwnd))) return false;
  if (msg.message == WM_SYSCHAR) {
    // The mail link is a label, which takes no focus: the access key of the
    // caption before it opens it, as a click does.
    char caption[64] = {};
    ::GetDlgItemTextA(hwnd_, IDC_ABOUTLABEL1, caption, sizeof caption);
    const char* key = std::strchr(caption, '&');
    const auto upper = [](WPARAM c) { return std::toupper(static_cast<unsigned char>(c)); };
    if (key && upper(msg.wParam) == upper(static_cast<unsigned char>(key[1]))) {
      OnEmailClick();
      return true;
    }
  }
  return ::IsDialogMessageA(hwnd_, &msg);
}

INT_PTR frmAbout::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      Load();
      return TRUE;  // the focus goes to cmdOK, first in the tab order
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return OnControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
      if (!OnSetCursor(reinterpret_cast<HWND>(wParam))) return FALSE;
      ::SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, TRUE);
      return TRUE;
    default:
      return FALSE;
  }
}

// Every text is built anew each time the dialog loads.
void frmAbout::Load() {
  dpi_ = ScreenDpi();

  ::SetWindowTextA(hwnd_, (std::string("About ") + CK_TITLE).c_str());
  ::SetDlgItemTextA(hwnd_, IDC_LBLVERSION, VersionText().c_str());
  ::SetDlgItemTextA(hwnd_, IDC_LBLTITLE, CK_TITLE);
  ::SetDlgItemTextA(hwnd_, IDC_LBLDESCRIPTION, kDescription);

  // The dialog's own icon, distinct from the program's, shown in its caption
  // and task switcher; the program's icon in picIcon.
  for (const auto& [which, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    const int size = ::GetSystemMetrics(metric);
    ::SendMessageA(hwnd_, WM_SETICON, which,
                   reinterpret_cast<LPARAM>(::LoadImageA(instance_, MAKEINTRESOURCEA(IDI_ABOUT), IMAGE_ICON,
                                                         size, size, LR_SHARED)));
  }
  // 32 pixels at 96 DPI, and as much larger as the box around it.
  const int iconSize = Pixels(kIconTwips);
  UniqueIcon programIcon(static_cast<HICON>(::LoadImageA(instance_, MAKEINTRESOURCEA(IDI_CAIRNKEEP), IMAGE_ICON,
                                                         iconSize, iconSize, LR_DEFAULTCOLOR)));
  ::SendDlgItemMessageA(hwnd_, IDC_PICICON, STM_SETICON, reinterpret_cast<WPARAM>(programIcon.get()), 0);
  programIcon_ = std::move(programIcon);

  // The link: the dialog's face, underlined, at its own size.
  LOGFONTA font{};
  ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(hwnd_, WM_GETFONT, 0, 0)), sizeof font, &font);
  font.lfHeight = PointsToFontHeight(kLinkFontPoints, dpi_);
  font.lfWeight = FW_NORMAL;
  font.lfUnderline = TRUE;
  UniqueFont linkFont(::CreateFontIndirectA(&font));
  ::SendDlgItemMessageA(hwnd_, IDC_LBLEMAIL, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont.get()), FALSE);
  linkFont_ = std::move(linkFont);
  hand_ = ::LoadCursorA(instance_, MAKEINTRESOURCEA(IDR_HANDCURSOR));

  for (const ControlPlacement& p : kPlacements) {
    ::SetWindowPos(Control(p.id), nullptr, Pixels(p.rect.left), Pixels(p.rect.top), Pixels(p.rect.width),
                   Pixels(p.rect.height), SWP_NOZORDER | SWP_NOACTIVATE);
    GrowToFitText(Control(p.id));
  }
  PlaceWindow();
}

int frmAbout::Pixels(int twips) const { return TwipsToPixels(twips, dpi_); }

// The designed client area at the screen's DPI, centred on the main window
// (or on the screen without one).
void frmAbout::PlaceWindow() { PlaceDialog(hwnd_, Pixels(kClientWidth), Pixels(kClientHeight), centreOn_); }

void frmAbout::OnCommand(UINT id, UINT code) {
  // Enter presses the button with the focus, however it got there: Wine's
  // dialog manager makes a button the default only when Tab reaches it, not
  // after its access key or a click.
  if (code == BN_SETFOCUS) {
    ::SendMessageA(hwnd_, DM_SETDEFID, id, 0);
    return;
  }
  switch (id) {
    case IDOK:
    case IDCANCEL:  // Esc and the close box
      if (code == BN_CLICKED) Unload();
      break;
    case IDC_CMDSYSINFO:
      if (code == BN_CLICKED) StartSysInfo();
      break;
    case IDC_LBLEMAIL:
      if (code == STN_CLICKED) OnEmailClick();
      break;
    default:
      break;
  }
}

INT_PTR frmAbout::OnControlColor(HDC dc, HWND control) {
  const int id = ::GetDlgCtrlID(control);
  if (id != IDC_LBLEMAIL && id != IDC_LBLTITLE && id != IDC_LBLDESCRIPTION) return FALSE;
  ::SetTextColor(dc, id == IDC_LBLEMAIL ? kLinkColour : kBlack);
  ::SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
}

bool frmAbout::OnSetCursor(HWND over) {
  if (over != Control(IDC_LBLEMAIL) || !hand_) return false;
  ::SetCursor(hand_);
  return true;
}

// A failure (no mail program) is no concern of ours: nothing is shown.
void frmAbout::OnEmailClick() const {
  shell_->ShellExecute(hwnd_, nullptr, kMailLink, nullptr, "c:\\", SW_SHOWNORMAL);
}

void frmAbout::Unload() { ::DestroyWindow(hwnd_); }

}  // namespace ck
