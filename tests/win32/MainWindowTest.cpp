// What the main window shows that cannot be read from another process:
// focus and tab order, menus and the archive list's filter.
#include "tests/win32/GameWindowTest.h"
#include "tests/common/SaveFiles.h"

#include <set>
#include <utility>

namespace {

using MainWindowTest = ck::testing::GameWindowTest;
using ck::testing::Text;

std::string MenuText(HMENU menu, int index) {
  char text[64] = {};
  ::GetMenuStringA(menu, index, text, sizeof text, MF_BYPOSITION);
  return text;
}

BOOL WINAPI ThrowingCreateProcess(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                                  LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
  throw std::bad_alloc();
}

TEST_F(MainWindowTest, AnExceptionInAHandlerEndsThatHandlerAlone) {
  static const ck::ProcessApi throwing{&ThrowingCreateProcess};
  HWND w = Start(folder_, "C:\\Game.exe", throwing);
  EXPECT_EQ(::SendMessageA(w, WM_COMMAND, IDM_FILE_START, 0), 0);
  EXPECT_TRUE(::IsWindow(w));
}

// Where the design puts each control at 96 DPI, and what it says; the
// two-line labels are a pixel taller, as their two lines need.
TEST_F(MainWindowTest, ControlsSitWhereTheDesignPutsThemAndSayWhatItSays) {
  HWND w = Start();
  const std::pair<int, std::string> design[] = {{IDC_CMDSTART, "8,216,377,249 &Start Diablo ]["},
                                                {IDC_LABEL1, "8,8,121,25 Current Save Directory :"},
                                                {IDC_TXTSAVEDIR, "128,8,377,27 " + folder_},
                                                {IDC_LABEL2, "8,40,105,66 Backup Interval in Minutes:"},
                                                {IDC_TXTINTERVAL, "128,40,145,59 3"},
                                                {IDC_UDINTERVAL, "144,40,160,65 "},
                                                {IDC_LABEL3, "232,40,329,66 Number of Backups to maintain :"},
                                                {IDC_TXTNUMBACKUP, "336,40,362,59 10"},
                                                {IDC_UDBACKUP, "360,40,376,65 "},
                                                {IDC_LABEL4, "8,80,97,97 Current Backups"},
                                                {IDC_FILE1, "8,96,377,206 "}};
  for (const auto& [id, placed] : design) EXPECT_EQ(ck::testing::Placed(Control(id)), placed) << id;
  RECT client;
  ::GetClientRect(w, &client);
  EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(387L, 272L));
  int parts[4] = {};
  EXPECT_EQ(::SendMessageA(Control(IDC_STATUSBAR1), SB_GETPARTS, 4, reinterpret_cast<LPARAM>(parts)), 3);
  EXPECT_EQ(std::vector<int>(parts, parts + 3), (std::vector<int>{193, 289, 385}));
  EXPECT_EQ(ck::testing::Placed(Control(IDC_STATUSBAR1)), "0,252,387,272 ");
  for (WPARAM panel : {1, 2}) EXPECT_GT(::SendMessageA(Control(IDC_STATUSBAR1), SB_GETTEXTLENGTHA, panel, 0), 0);
}

TEST_F(MainWindowTest, TabReachesTheStartButtonTheSpinsAndTheListAndArrowsStepASpin) {
  ck::testing::launches.clear();
  HWND w = Start(folder_, "C:\\Game.exe", ck::testing::kRecorder);
  form_->Show(SW_SHOWNORMAL);
  EXPECT_EQ(::GetFocus(), Control(IDC_CMDSTART));
  const int order[] = {IDC_CMDSTART, IDC_UDINTERVAL, IDC_UDBACKUP, IDC_FILE1, IDC_CMDSTART};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
    EXPECT_EQ(::GetNextDlgTabItem(w, Control(order[i]), FALSE), Control(order[i + 1])) << order[i];
  }
  EXPECT_FALSE(::IsWindowEnabled(Control(IDC_TXTSAVEDIR)));
  Press(VK_TAB);
  ASSERT_EQ(::GetFocus(), Control(IDC_UDINTERVAL));
  Press(VK_UP);
  EXPECT_EQ(ControlText(IDC_TXTINTERVAL), "4");
  // Enter presses the start button, and so does Alt+S, its access key, from anywhere.
  EXPECT_EQ(::SendMessageA(w, DM_GETDEFID, 0, 0), MAKELRESULT(IDC_CMDSTART, DC_HASDEFID));
  MSG alt{Control(IDC_FILE1), WM_SYSCHAR, 's', 1 << 29, 0, {}};
  EXPECT_TRUE(form_->TranslateDialogKeys(alt));
  EXPECT_EQ(ck::testing::launches.size(), 1u);
}

// Minimised, however a shortcut or a launcher asks for it, the window is
// hidden, and the icon that brings it back was added even without an
// activation.
TEST_F(MainWindowTest, AMinimisedStartHidesTheWindowBehindItsIcon) {
  for (int command : {SW_SHOWMINNOACTIVE, SW_SHOWMINIMIZED, SW_MINIMIZE, SW_FORCEMINIMIZE}) {
    HWND w = Start();
    form_->Show(command);
    EXPECT_TRUE(::IsIconic(w)) << command;
    EXPECT_FALSE(::IsWindowVisible(w)) << command;
  }
  const NOTIFYICONDATAA& icon = form_->Tray().Record();
  // Its id, flags and message show themselves in the end-to-end clicks.
  EXPECT_EQ(icon.hIcon, reinterpret_cast<HICON>(::GetClassLongPtrA(form_->Handle(), GCLP_HICON)));
  EXPECT_EQ(std::string(icon.szTip, 64), std::string("Cairnkeep\0", 10) + std::string(54, ' '));
}

// The shell as Windows' and Wine's: it refuses to add an icon it shows.
std::vector<DWORD> shellCalls;
bool iconShown = false;
BOOL WINAPI RecordNotifyIcon(DWORD message, PNOTIFYICONDATAA) {
  shellCalls.push_back(message);
  const bool refused = (message == NIM_ADD) == iconShown;
  if (!refused && message != NIM_MODIFY) iconShown = message == NIM_ADD;
  return !refused;
}

// A shell that restarted gets the icon again; one that still shows it (as
// when the DPI changes) has it updated.
TEST_F(MainWindowTest, TaskbarCreatedAddsTheIconOrUpdatesTheOneShown) {
  static const ck::NotifyApi shell{&RecordNotifyIcon};
  shell_ = &shell;
  iconShown = false;
  HWND w = Start();
  form_->Show(SW_SHOWNORMAL);
  ASSERT_TRUE(iconShown);
  const UINT taskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
  for (const auto& [shown, calls] : {std::pair(true, std::vector<DWORD>{NIM_ADD, NIM_MODIFY}),
                                     std::pair(false, std::vector<DWORD>{NIM_ADD})}) {
    iconShown = shown;
    shellCalls.clear();
    ::SendMessageA(w, taskbarCreated, 0, 0);
    EXPECT_EQ(shellCalls, calls) << shown;
    EXPECT_TRUE(iconShown);
  }
}

struct ShownMenu {
  std::vector<std::string> items;
  POINT at;
  HMENU menu;
};
std::vector<ShownMenu> shownMenus;

// Runs inside the menu's own loop: notes what it shows, then closes it.
void CALLBACK ReadAndCloseMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  HWND popup = ::FindWindowA("#32768", nullptr);
  ShownMenu shown{{}, {}, reinterpret_cast<HMENU>(::SendMessageA(popup, MN_GETHMENU, 0, 0))};
  for (int i = 0; i < ::GetMenuItemCount(shown.menu); ++i) shown.items.push_back(MenuText(shown.menu, i));
  RECT r{};
  ::GetWindowRect(popup, &r);
  shown.at = {r.left, r.top};
  shownMenus.push_back(shown);
  ::EndMenu();
}

// The right button's release on the icon opens Restore and Exit at the
// pointer, a hundred times over without a leak. Wine counts no GUI objects
// (GetGuiResources gives 0 there), so the menus shown and left alive count.
TEST_F(MainWindowTest, TheIconsMenuOpensAtThePointerAndLeaksNothing) {
  HWND w = Start();
  form_->Show(SW_SHOWNORMAL);
  ::SetCursorPos(200, 150);
  shownMenus.clear();
  int nulls = 0;
  for (int i = 0; i < 100; ++i) {
    ::SetTimer(nullptr, 0, 0, &ReadAndCloseMenu);
    ::SendMessageA(w, WM_APP + 1, 1, WM_RBUTTONUP);
    for (MSG msg; ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) {
      nulls += msg.hwnd == w && msg.message == WM_NULL;
      ::DispatchMessageA(&msg);
    }
  }
  ASSERT_EQ(shownMenus.size(), 100u);
  // Windows needs a message after the menu, or the next click on the icon
  // opens it and closes it at once.
  EXPECT_EQ(nulls, 100);
  EXPECT_EQ(shownMenus[0].items, (std::vector<std::string>{"&Restore", "E&xit"}));
  EXPECT_EQ(shownMenus[0].at.x, 200);
  EXPECT_EQ(shownMenus[0].at.y, 150);
  std::set<HMENU> alive;
  for (const ShownMenu& shown : shownMenus) {
    if (::IsMenu(shown.menu)) alive.insert(shown.menu);
  }
  EXPECT_LE(alive.size(), 1u);
}

// Hidden ones too, as a pass uses a hidden slot; no system file, nothing
// that only looks like an archive.
TEST_F(MainWindowTest, ListShowsOnlyTheFolderZipFilesSorted) {
  for (const char* name : {"Bob2.zip", "Alice1.zip", "bob1.ZIP", "Bob.d2s", "notes.zipx", "old.zip.bak"}) {
    Put(name, Text("PK"));
  }
  Put("hidden.zip", Text("PK"), FILE_ATTRIBUTE_HIDDEN);
  Put("system.zip", Text("PK"), FILE_ATTRIBUTE_SYSTEM);
  Put("locked.zip", Text("PK"), FILE_ATTRIBUTE_READONLY);
  ::CreateDirectoryA((folder_ + "folder.zip").c_str(), nullptr);
  Start();
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Alice1.zip", "bob1.ZIP", "Bob2.zip", "hidden.zip", "locked.zip"}));
  ::SetFileAttributesA((folder_ + "locked.zip").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Only a hardcore death is for good: a softcore character who died is never
// shown dead, and shows "corpse" while its corpse lies where it died.
TEST_F(MainWindowTest, TheListShowsDeadForAHardcoreDeathAloneAndACorpseWhileOneLies) {
  const auto archive = [](int status, bool corpse) {
    return ck::BuildZip({{"Bob.d2s", ck::testing::StatedSave("Bob", 9, status, corpse), 0, 33, {}}});
  };
  Put("Bob1.zip", archive(0x28, false));  // softcore, died once
  Put("Bob2.zip", archive(0x28, true));
  Put("Bob3.zip", archive(0x2C, true));  // hardcore
  Start();
  ck::ArchiveList& list = form_->Archives();
  for (int i = 0; i < 3 && list.Catalog().Reads() < 3; ++i) list.OnReadTimer();
  using List = ck::ArchiveList;
  std::vector<LPARAM> shown;
  for (WPARAM row = 0; row < 3; ++row) {
    shown.push_back(::SendMessageA(Control(IDC_FILE1), LB_GETITEMDATA, row, 0) & (List::kDead | List::kCorpse));
  }
  EXPECT_EQ(shown, (std::vector<LPARAM>{0, List::kCorpse, List::kDead}));
}

// The folder is shown as the registry gives it, and listed inside: without
// its trailing backslash, too long to open, or beyond ASCII. NewSavePath wins
// unless empty.
TEST_F(MainWindowTest, TheSaveFolderIsShownAsReadAndListedInside) {
  Put("Bob1.zip", Text("PK"));
  const std::string bare = folder_.substr(0, folder_.size() - 1), overlong = "C:\\" + std::string(300, 'x') + "\\";
  const std::vector<std::string> bob{"Bob1.zip"}, none;
  const std::string beyondAscii = "C:\\Sauvegardes \xE9t\xE9\\";
  for (const auto& [saved, newer, shown, listed] :
       {std::tuple(folder_, std::string(), folder_, bob), std::tuple(bare, std::string(), bare, bob),
        std::tuple(overlong, std::string(), overlong, none), std::tuple(folder_, beyondAscii, beyondAscii, none)}) {
    SetGameValue("NewSavePath", newer);
    Start(saved);
    EXPECT_EQ(ControlText(IDC_TXTSAVEDIR), shown);
    EXPECT_EQ(Listed(), listed) << shown;
  }
}

// At the prefix's DPI (the end-to-end tests run this at 96, 120 and 144)
// each label's and button's font draws at the size it asks for, not at a
// smaller bitmap size, and its text fits inside it.
TEST_F(MainWindowTest, DpiEveryTextFitsInAFontOfItsSize) {
  ::SendMessageA(Start(), WM_COMMAND, IDM_HELP_ABOUT, 0);
  HWND about = ::FindWindowA("#32770", "About Cairnkeep");
  ASSERT_TRUE(about);
  for (HWND window : {form_->Handle(), about}) {
    for (HWND c = ::GetWindow(window, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
      char text[512] = {}, kind[8] = {};
      // Trailing blanks ("comments:  ") show nothing that could be cut off.
      for (int n = ::GetWindowTextA(c, text, sizeof text); n > 0 && text[n - 1] == ' ';) text[--n] = '\0';
      ::GetClassNameA(c, kind, sizeof kind);
      const bool label = _stricmp(kind, "Static") == 0, button = _stricmp(kind, "Button") == 0;
      auto font = reinterpret_cast<HFONT>(::SendMessageA(c, WM_GETFONT, 0, 0));
      if (!*text || !font || !(label || button)) continue;  // not the icon
      HDC dc = ::GetDC(c);
      ::SelectObject(dc, font);
      LOGFONTA asked{};
      ::GetObjectA(font, sizeof asked, &asked);
      TEXTMETRICA got{};
      ::GetTextMetricsA(dc, &got);
      RECT inside, need{};
      ::GetClientRect(c, &inside);
      if (button) ::InflateRect(&inside, -4, -3);  // the edge and the focus rectangle
      need.right = inside.right - inside.left;
      const LONG style = label ? ::GetWindowLongA(c, GWL_STYLE) : SS_LEFTNOWORDWRAP;
      const UINT wrap = (style & SS_TYPEMASK) == SS_LEFT ? DT_WORDBREAK : DT_SINGLELINE;
      ::DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_EXPANDTABS | wrap | (style & SS_NOPREFIX ? DT_NOPREFIX : 0));
      ::ReleaseDC(c, dc);
      EXPECT_NEAR(got.tmHeight - got.tmInternalLeading, -asked.lfHeight, 1) << text;
      EXPECT_TRUE(need.right <= inside.right - inside.left && need.bottom <= inside.bottom - inside.top) << text;
    }
  }
}

// The manifest brings in Common Controls 6, the look the design was drawn in.
TEST(Resources, CommonControls6) {
  // Version 6 is the side-by-side assembly the manifest names (Wine's
  // DllGetVersion says 5 for both, so ask where the library came from).
  char controls[MAX_PATH] = {};
  ::GetModuleFileNameA(::GetModuleHandleA("comctl32.dll"), controls, MAX_PATH);
  EXPECT_NE(std::string(::CharLowerA(controls)).find("common-controls_6595b64144ccf1df_6.0."), std::string::npos)
      << controls;
}

}  // namespace
