#include "history/frmHistory.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "components/Twips.h"
#include "components/Win32DeviceContext.h"
#include "components/Win32LocalTime.h"
#include "resources/resource.h"

namespace ck {
namespace {

// The design, in twips from the client area's top left corner.
constexpr int kClientWidth = 6600;
constexpr int kClientHeight = 4860;

constexpr ControlPlacement kPlacements[] = {
    {IDC_HISTORYLABEL, {120, 165, 900, 255}}, {IDC_CHARACTERS, {1080, 120, 2700, 3000}},
    {IDC_STATES, {120, 540, 6360, 3720}},     {IDOK, {2340, 4380, 1260, 345}},
    {IDC_KEEP, {3780, 4380, 1260, 345}},      {IDCANCEL, {5220, 4380, 1260, 345}},
};

struct Column {
  const char* heading;
  int width;  // twips
};
constexpr Column kColumns[] = {{"Made", 2340}, {"Level", 780}, {"State", 960}, {"Kept as", 1800}};

// The archives' times are in the file system's ticks: 100 ns since 1601.
constexpr std::uint64_t kTicksPerSecond = 10000000;
constexpr std::uint64_t kUnixEpochTicks = 116444736000000000;

// A time before 1601 is none.
std::uint64_t Ticks(std::int64_t unixTime) {
  constexpr auto perSecond = static_cast<std::int64_t>(kTicksPerSecond);
  constexpr auto epoch = static_cast<std::int64_t>(kUnixEpochTicks);
  return unixTime < -epoch / perSecond ? 0 : static_cast<std::uint64_t>(unixTime * perSecond + epoch);
}

bool SameRows(const std::vector<StateRow>& a, const std::vector<StateRow>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const StateRow& x, const StateRow& y) {
    return x.file.name == y.file.name && x.file.size == y.file.size && x.file.lastWrite == y.file.lastWrite &&
           x.madeAt == y.madeAt && x.keeper == y.keeper;
  });
}

}  // namespace

std::unique_ptr<HistoryBox> MakeHistoryBox(HINSTANCE instance, FileSystem& files, ArchiveCommands& commands) {
  return std::make_unique<frmHistory>(instance, files, commands);
}

frmHistory::frmHistory(HINSTANCE instance, FileSystem& files, ArchiveCommands& commands)
    : instance_(instance), files_(files), commands_(commands) {}

frmHistory::~frmHistory() { Close(); }

void frmHistory::ShowFor(HWND centreOn, const std::string& archive) {
  if (!hwnd_) {
    centreOn_ = centreOn;
    character_.clear();
    // No owner, as the About box: the main window stays usable beside it.
    ::CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_HISTORY), nullptr, &BoundDialogProc<frmHistory>,
                         reinterpret_cast<LPARAM>(this));
    if (!hwnd_) return;
  }
  const SavedStates states(files_, commands_.SaveFolder());
  const std::string whose = archive.empty() ? std::string() : states.Whose(archive);
  List(states, whose.empty() ? character_ : whose);
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::SetForegroundWindow(hwnd_);
  ::SetFocus(Control(IDC_STATES));
}

bool frmHistory::TranslateDialogKeys(MSG& msg) const {
  if (!hwnd_ || (msg.hwnd != hwnd_ && !::IsChild(hwnd_, msg.hwnd))) return false;
  // Enter on a row goes back to it, whichever button was the default last.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && msg.hwnd == Control(IDC_STATES)) {
    ::PostMessageA(hwnd_, WM_COMMAND, IDOK, 0);
    return true;
  }
  if (accelerators_ && ::TranslateAcceleratorA(hwnd_, accelerators_, &msg)) return true;
  return ::IsDialogMessageA(hwnd_, &msg);
}

void frmHistory::Refresh() {
  if (hwnd_) List(SavedStates(files_, commands_.SaveFolder()), character_);
}

void frmHistory::Close() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

INT_PTR frmHistory::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      Load();
      return FALSE;  // ShowFor puts the focus on the rows
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_NOTIFY: {
      const INT_PTR result = OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
      ::SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_TIMER:
      if (wParam == kReadTimer) OnReadTimer();
      return TRUE;
    case WM_DESTROY:
      ::KillTimer(hwnd_, kReadTimer);
      return FALSE;
    default:
      return FALSE;
  }
}

void frmHistory::Load() {
  dpi_ = ScreenDpi();
  accelerators_ = ::LoadAcceleratorsA(instance_, MAKEINTRESOURCEA(IDR_ACCELERATORS));
  for (const auto& [which, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    const int size = ::GetSystemMetrics(metric);
    ::SendMessageA(hwnd_, WM_SETICON, which,
                   reinterpret_cast<LPARAM>(::LoadImageA(instance_, MAKEINTRESOURCEA(IDI_CAIRNKEEP), IMAGE_ICON,
                                                         size, size, LR_SHARED)));
  }
  HWND list = Control(IDC_STATES);
  ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  for (const Column& c : kColumns) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>(c.heading);
    column.cx = Pixels(c.width);
    const auto at = static_cast<WPARAM>(&c - kColumns);
    ::SendMessageA(list, LVM_INSERTCOLUMNA, at, reinterpret_cast<LPARAM>(&column));
  }
  PlaceControls();
  characters_.clear();
  rows_.clear();
}

int frmHistory::Pixels(int twips) const { return TwipsToPixels(twips, dpi_); }

// The designed client area at the screen's DPI, centred on the main window
// (or on the screen without one).
void frmHistory::PlaceControls() {
  for (const ControlPlacement& p : kPlacements) {
    ::SetWindowPos(Control(p.id), nullptr, Pixels(p.rect.left), Pixels(p.rect.top), Pixels(p.rect.width),
                   Pixels(p.rect.height), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  PlaceDialog(hwnd_, Pixels(kClientWidth), Pixels(kClientHeight), centreOn_);
}

void frmHistory::OnCommand(UINT id, UINT code) {
  // Enter presses the button with the focus, however it got there, as in
  // the About box.
  if (code == BN_SETFOCUS) {
    ::SendMessageA(hwnd_, DM_SETDEFID, id, 0);
    return;
  }
  // Back in the drop-down, Enter goes back to the row selected again, not
  // to the button that had the focus last.
  if (id == IDC_CHARACTERS && code == CBN_SETFOCUS) ::SendMessageA(hwnd_, DM_SETDEFID, IDOK, 0);
  // The buttons tell of their focus too, which is no press.
  const bool pressed = code == BN_CLICKED;
  switch (id) {
    case IDOK:
      if (pressed) OnRestore();
      break;
    case IDC_KEEP:
      if (pressed) OnKeep();
      break;
    case IDM_FILE_KEEP:  // Ctrl+K
      OnKeep();
      break;
    case IDCANCEL:  // Esc, Close and the close box
      if (pressed) Close();
      break;
    case IDC_CHARACTERS:
      if (code == CBN_SELCHANGE) OnCharacterChosen();
      break;
    default:
      break;
  }
}

INT_PTR frmHistory::OnNotify(const NMHDR& header) {
  if (header.idFrom != IDC_STATES) return 0;
  switch (header.code) {
    case LVN_GETDISPINFOA: {
      LVITEMA& item = reinterpret_cast<NMLVDISPINFOA&>(const_cast<NMHDR&>(header)).item;
      if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        ::lstrcpynA(item.pszText, CellText(item.iItem, item.iSubItem).c_str(), item.cchTextMax);
      }
      return 0;
    }
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
      if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const std::string text = CellText(item.iItem, item.iSubItem);
        const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, item.pszText, item.cchTextMax);
        if (length == 0) item.pszText[0] = L'\0';
        item.pszText[item.cchTextMax - 1] = L'\0';
      }
      return 0;
    }
    case LVN_ITEMCHANGED: {
      const bool chosen = !SelectedPath().empty();
      ::EnableWindow(Control(IDOK), chosen);
      ::EnableWindow(Control(IDC_KEEP), chosen);
      return 0;
    }
    case NM_DBLCLK:
      // After the click is done with: the question runs a message loop.
      if (reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0) ::PostMessageA(hwnd_, WM_COMMAND, IDOK, 0);
      return 0;
    default:
      return 0;
  }
}

std::string frmHistory::CellText(int row, int column) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return {};
  const StateRow& r = rows_[static_cast<std::size_t>(row)];
  const SaveState* state = catalog_.NeedsReading(r.file) ? nullptr : catalog_.Find(r.file.name);
  switch (column) {
    case 0:
      return LocalDateTimeText(Ticks(r.madeAt), Seconds::Hidden);
    case 1:
      return state && state->known ? std::to_string(state->level) : std::string();
    case 2:
      return !state || !state->known ? "" : state->dead() ? "dead" : state->corpse() ? "corpse" : "";
    case 3:
      return KeeperText(r.keeper);
    default:
      return {};
  }
}

void frmHistory::List(const SavedStates& states, const std::string& character) {
  character_ = character;
  const std::vector<std::string>& characters = states.Characters();
  const auto named = [&](const std::string& c) { return ::lstrcmpiA(c.c_str(), character_.c_str()) == 0; };
  const auto found = std::find_if(characters.begin(), characters.end(), named);
  if (found == characters.end()) character_ = characters.empty() ? std::string() : characters.front();
  if (found != characters.end()) character_ = *found;
  HWND combo = Control(IDC_CHARACTERS);
  if (characters != characters_) {
    characters_ = characters;
    ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& c : characters_) {
      ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.c_str()));
    }
  }
  const auto at = std::find(characters_.begin(), characters_.end(), character_);
  ::SendMessageA(combo, CB_SETCURSEL, at == characters_.end() ? -1 : at - characters_.begin(), 0);
  ::SetWindowTextA(hwnd_, character_.empty() ? "History" : ("History of " + character_).c_str());

  std::vector<StateRow> rows =
      character_.empty() ? std::vector<StateRow>{}
                         : states.Of(character_, commands_.SlotsKept(), files_.ReadClocks().unixTime);
  if (!SameRows(rows, rows_)) {
    // The row selected stays selected while it is listed, wherever it moved.
    const std::string selected = SelectedPath();
    rows_ = std::move(rows);
    std::vector<FileInfo> files;
    for (const StateRow& r : rows_) files.push_back(r.file);
    catalog_.Update(files);
    HWND list = Control(IDC_STATES);
    ::SendMessageA(list, LVM_SETITEMCOUNT, rows_.size(), LVSICF_NOSCROLL);
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    const auto again =
        std::find_if(rows_.begin(), rows_.end(), [&](const StateRow& r) { return r.file.name == selected; });
    if (!selected.empty() && again != rows_.end()) {
      LVITEMA chosen{};
      chosen.state = chosen.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(again - rows_.begin()),
                     reinterpret_cast<LPARAM>(&chosen));
    }
    ::InvalidateRect(list, nullptr, TRUE);
  } else {
    // Only what could not be read is read again.
    std::vector<FileInfo> files;
    for (const StateRow& r : rows_) files.push_back(r.file);
    catalog_.Update(files);
  }
  const bool chosen = !SelectedPath().empty();
  ::EnableWindow(Control(IDOK), chosen);
  ::EnableWindow(Control(IDC_KEEP), chosen);
  if (std::any_of(rows_.begin(), rows_.end(), [&](const StateRow& r) { return catalog_.NeedsReading(r.file); })) {
    ::SetTimer(hwnd_, kReadTimer, USER_TIMER_MINIMUM, nullptr);
  }
}

void frmHistory::OnCharacterChosen() {
  HWND combo = Control(IDC_CHARACTERS);
  const auto at = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
  if (at < 0 || static_cast<std::size_t>(at) >= characters_.size()) return;
  const std::string character = characters_[static_cast<std::size_t>(at)];
  if (character == character_) return;
  // Another character's rows: none of the last one's stays selected.
  rows_.clear();
  ::SendDlgItemMessageA(hwnd_, IDC_STATES, LVM_SETITEMCOUNT, 0, 0);
  List(SavedStates(files_, commands_.SaveFolder()), character);
}

// The window's own messages, the player's keys among them, come between
// two ticks.
void frmHistory::OnReadTimer() {
  HWND list = Control(IDC_STATES);
  const auto count = static_cast<int>(rows_.size());
  const auto top = static_cast<int>(::SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
  const auto page = static_cast<int>(::SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
  const int inView = std::min(count, top + page + 1);
  const std::string folder = commands_.SaveFolder();
  const auto read = [&](int row) {
    const FileInfo& file = rows_[static_cast<std::size_t>(row)].file;
    if (!catalog_.NeedsReading(file)) return false;
    catalog_.Read(files_, folder, file);
    ::SendMessageA(list, LVM_REDRAWITEMS, static_cast<WPARAM>(row), row);
    return true;
  };
  if (ReadInViewFirst(top, inView, count, kReadSliceMs, read)) ::KillTimer(hwnd_, kReadTimer);
}

std::string frmHistory::SelectedPath() const {
  const auto row = ::SendDlgItemMessageA(hwnd_, IDC_STATES, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return {};
  return rows_[static_cast<std::size_t>(row)].file.name;
}

// The path is copied first: the question's message loop runs passes, each
// of which lists these rows anew.
void frmHistory::OnRestore() {
  const std::string path = SelectedPath();
  if (!path.empty()) commands_.RestoreFrom(path, hwnd_);
}

void frmHistory::OnKeep() {
  const std::string path = SelectedPath();
  if (!path.empty()) commands_.Keep(path, hwnd_);
}

}  // namespace ck
