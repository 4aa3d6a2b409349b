// The real main window, created in this process against Wine's real
// registry, controls and file system.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mainwindow/frmMain.h"
#include "resources/resource.h"

namespace {

const char kGameKey[] = "Software\\Blizzard Entertainment\\Diablo II";

std::string TempFolder(const std::string& leaf) {
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + leaf;
}

// "é" in whatever the ANSI code page is, so the test holds under any locale.
std::string AnsiAccent() {
  char out[8] = {};
  ::WideCharToMultiByte(CP_ACP, 0, L"\u00e9", 1, out, sizeof out, nullptr, nullptr);
  return out;
}

void WriteFileA(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  DWORD written;
  ::WriteFile(h, "PK", 2, &written, nullptr);
  ::CloseHandle(h);
}

std::string Text(HWND control) {
  char buffer[1024] = {};
  ::SendMessageA(control, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

std::vector<std::string> ListItems(HWND list) {
  std::vector<std::string> items;
  const int count = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char item[MAX_PATH] = {};
    ::SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
    items.emplace_back(item);
  }
  return items;
}

RECT ClientRectOf(HWND control) {
  RECT r;
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string MenuText(HMENU menu, int index) {
  char text[64] = {};
  ::GetMenuStringA(menu, index, text, sizeof text, MF_BYPOSITION);
  return text;
}

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
  }

  void SetUp() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kGameKey);
    folder_ = TempFolder("ck-save-" + std::to_string(::GetTickCount()) + "\\");
    ASSERT_TRUE(::CreateDirectoryA(folder_.c_str(), nullptr));
  }

  void TearDown() override {
    form_.reset();
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kGameKey);
  }

  static void SetValue(const char* name, const std::string& value) {
    HKEY key;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kGameKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(key);
  }

  HWND Start(const std::string& savePath) {
    SetValue("Program", "C:\\Diablo II\\Diablo II.exe");
    SetValue("Save Path", savePath);
    form_ = std::make_unique<ck::frmMain>(::GetModuleHandleA(nullptr));
    EXPECT_TRUE(form_->Create());
    form_->Load();
    return form_->Handle();
  }

  HWND Control(int id) const { return ::GetDlgItem(form_->Handle(), id); }

  std::string folder_;
  std::unique_ptr<ck::frmMain> form_;
};

TEST_F(MainWindowTest, WindowHasItsCaptionFixedFrameAndDesignedClientSize) {
  HWND w = Start(folder_);
  char caption[128] = {};
  ::GetWindowTextA(w, caption, sizeof caption);
  EXPECT_STREQ(caption, "Cairnkeep v1.0 by the Cairnkeep team...");

  const LONG style = ::GetWindowLongA(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);

  RECT client;
  ::GetClientRect(w, &client);
  EXPECT_EQ(client.right, 387);
  EXPECT_EQ(client.bottom, 272);

  RECT frame;
  ::GetWindowRect(w, &frame);
  EXPECT_NEAR((frame.left + frame.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);
  EXPECT_NE(::SendMessageA(w, WM_GETICON, ICON_BIG, 0) || ::GetClassLongPtrA(w, GCLP_HICON), 0);
}

TEST_F(MainWindowTest, ControlsStandWhereTheDesignPutsThemWithTheirTexts) {
  Start(folder_);
  struct Expected {
    int id;
    const char* className;
    RECT rect;  // pixels at 96 DPI
    const char* text;
  };
  const Expected controls[] = {
      {IDC_CMDSTART, "Button", {8, 216, 377, 249}, "&Start Diablo ]["},
      {IDC_LABEL1, "Static", {8, 8, 121, 25}, "Current Save Directory :"},
      {IDC_TXTSAVEDIR, "Edit", {128, 8, 377, 27}, nullptr},
      {IDC_LABEL2, "Static", {8, 40, 105, 65}, "Backup Interval in Minutes:"},
      {IDC_TXTINTERVAL, "Edit", {128, 40, 145, 59}, "3"},
      {IDC_UDINTERVAL, "msctls_updown32", {144, 40, 160, 65}, nullptr},
      {IDC_LABEL3, "Static", {232, 40, 329, 65}, "Number of Backups to maintain :"},
      {IDC_TXTNUMBACKUP, "Edit", {336, 40, 362, 59}, "10"},
      {IDC_UDBACKUP, "msctls_updown32", {360, 40, 376, 65}, nullptr},
      {IDC_LABEL4, "Static", {8, 80, 97, 97}, "Current Backups"},
      {IDC_FILE1, "ListBox", {8, 96, 377, 206}, nullptr},
  };
  for (const Expected& c : controls) {
    HWND h = Control(c.id);
    ASSERT_NE(h, nullptr) << c.id;
    char cls[64];
    ::GetClassNameA(h, cls, sizeof cls);
    EXPECT_STRCASEEQ(cls, c.className) << c.id;
    const RECT r = ClientRectOf(h);
    EXPECT_EQ(r.left, c.rect.left) << c.id;
    EXPECT_EQ(r.top, c.rect.top) << c.id;
    EXPECT_EQ(r.right, c.rect.right) << c.id;
    EXPECT_EQ(r.bottom, c.rect.bottom) << c.id;
    if (c.text) {
      EXPECT_EQ(Text(h), c.text) << c.id;
    }

    if (std::string(c.className) == "msctls_updown32") continue;  // no text, no font
    LOGFONTA font{};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(h, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif") << c.id;
    EXPECT_EQ(font.lfHeight, c.id == IDC_CMDSTART ? -18 : -11) << c.id;
    EXPECT_EQ(font.lfWeight, c.id == IDC_CMDSTART ? FW_BOLD : FW_NORMAL) << c.id;
  }
  // The status bar is docked to the bottom, full width.
  const RECT bar = ClientRectOf(Control(IDC_STATUSBAR1));
  EXPECT_EQ(bar.left, 0);
  EXPECT_EQ(bar.right, 387);
  EXPECT_EQ(bar.bottom, 272);
}

TEST_F(MainWindowTest, OnlyTheStartButtonAndTheListAreReachedWithTab) {
  HWND w = Start(folder_);
  form_->Show(SW_SHOWNORMAL);
  EXPECT_EQ(::GetFocus(), Control(IDC_CMDSTART));
  EXPECT_EQ(::GetNextDlgTabItem(w, Control(IDC_CMDSTART), FALSE), Control(IDC_FILE1));
  EXPECT_EQ(::GetNextDlgTabItem(w, Control(IDC_FILE1), FALSE), Control(IDC_CMDSTART));
  EXPECT_FALSE(::IsWindowEnabled(Control(IDC_TXTSAVEDIR)));
  EXPECT_TRUE(::IsWindowEnabled(Control(IDC_TXTINTERVAL)));
  // Enter presses the start button.
  EXPECT_EQ(::SendMessageA(w, DM_GETDEFID, 0, 0), MAKELRESULT(IDC_CMDSTART, DC_HASDEFID));
}

TEST_F(MainWindowTest, SpinsStartAtTheirDesignValuesWithinTheirRanges) {
  Start(folder_);
  struct Spin {
    int id, pos, upper;
  };
  for (const Spin s : {Spin{IDC_UDINTERVAL, 3, 60}, Spin{IDC_UDBACKUP, 10, 50}}) {
    HWND spin = Control(s.id);
    int lower = 0, upper = 0;
    ::SendMessageA(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, s.upper);
    EXPECT_EQ(::SendMessageA(spin, UDM_GETPOS32, 0, 0), s.pos);
    EXPECT_FALSE(::GetWindowLongA(spin, GWL_STYLE) & UDS_WRAP);
  }
}

TEST_F(MainWindowTest, StatusBarHasThreePanelsWithTheClockKeptByTheProgram) {
  Start(folder_);
  HWND bar = Control(IDC_STATUSBAR1);
  int edges[4] = {};
  ASSERT_EQ(::SendMessageA(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 3);
  EXPECT_EQ(edges[0], 193);
  EXPECT_EQ(edges[1], 193 + 96);
  EXPECT_EQ(edges[2], 193 + 96 + 96);

  char text[128] = {}, expected[128] = {};
  ::SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "");
  ::SendMessageA(bar, SB_GETTEXTA, 2, reinterpret_cast<LPARAM>(text));
  ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, expected, sizeof expected);
  EXPECT_STREQ(text, expected);
  ::SendMessageA(bar, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_NE(std::string(text), "");
}

TEST_F(MainWindowTest, MenuBarShowsFileAndHelpButNeverTheTrayMenu) {
  HWND w = Start(folder_);
  HMENU bar = ::GetMenu(w);
  ASSERT_EQ(::GetMenuItemCount(bar), 2);
  EXPECT_EQ(MenuText(bar, 0), "&File");
  EXPECT_EQ(MenuText(bar, 1), "&Help");
  HMENU file = ::GetSubMenu(bar, 0);
  ASSERT_EQ(::GetMenuItemCount(file), 2);
  EXPECT_EQ(MenuText(file, 0), "&Start Diablo ][");
  EXPECT_EQ(MenuText(file, 1), "E&xit");
  EXPECT_EQ(::GetMenuItemID(file, 0), static_cast<UINT>(IDM_FILE_START));
  EXPECT_EQ(::GetMenuItemID(file, 1), static_cast<UINT>(IDM_FILE_EXIT));
  HMENU help = ::GetSubMenu(bar, 1);
  ASSERT_EQ(::GetMenuItemCount(help), 1);
  EXPECT_EQ(MenuText(help, 0), "&About");

  HMENU trayResource = ::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU));
  EXPECT_EQ(MenuText(trayResource, 0), "System Tray Popup");
  HMENU tray = ::GetSubMenu(trayResource, 0);
  EXPECT_EQ(MenuText(tray, 0), "&Restore");
  EXPECT_EQ(MenuText(tray, 1), "E&xit");
  ::DestroyMenu(trayResource);
}

TEST_F(MainWindowTest, ListShowsOnlyTheFolderNormalZipFilesSorted) {
  for (const char* name : {"Bob2.zip", "Alice1.zip", "bob1.ZIP", "Bob.d2s", "notes.zipx", "old.zip.bak"}) {
    WriteFileA(folder_ + name);
  }
  WriteFileA(folder_ + "hidden.zip", FILE_ATTRIBUTE_HIDDEN);
  WriteFileA(folder_ + "system.zip", FILE_ATTRIBUTE_SYSTEM);
  WriteFileA(folder_ + "locked.zip", FILE_ATTRIBUTE_READONLY);
  ::CreateDirectoryA((folder_ + "folder.zip").c_str(), nullptr);

  Start(folder_);
  EXPECT_EQ(Text(Control(IDC_TXTSAVEDIR)), folder_);
  EXPECT_EQ(ListItems(Control(IDC_FILE1)),
            (std::vector<std::string>{"Alice1.zip", "bob1.ZIP", "Bob2.zip", "locked.zip"}));
}

TEST_F(MainWindowTest, AFolderWithoutTrailingBackslashIsShownAsReadAndListedInside) {
  WriteFileA(folder_ + "Bob1.zip");
  const std::string bare = folder_.substr(0, folder_.size() - 1);
  Start(bare);
  EXPECT_EQ(Text(Control(IDC_TXTSAVEDIR)), bare);
  EXPECT_EQ(ListItems(Control(IDC_FILE1)), std::vector<std::string>{"Bob1.zip"});
}

TEST_F(MainWindowTest, NewSavePathWinsOverAStaleSavePath) {
  const std::string current = TempFolder("ck-new-" + std::to_string(::GetTickCount()) + "\\");
  ::CreateDirectoryA(current.c_str(), nullptr);
  WriteFileA(current + "Current1.zip");
  WriteFileA(folder_ + "Stale1.zip");
  SetValue("NewSavePath", current);
  Start(folder_);
  EXPECT_EQ(form_->SaveDir(), current);
  EXPECT_EQ(ListItems(Control(IDC_FILE1)), std::vector<std::string>{"Current1.zip"});
}

TEST_F(MainWindowTest, AnEmptyNewSavePathFallsBackToSavePath) {
  SetValue("NewSavePath", "");
  Start(folder_);
  EXPECT_EQ(form_->SaveDir(), folder_);
}

TEST_F(MainWindowTest, FoldersBeyondAsciiAreListed) {
  const std::string accented = TempFolder("Sauvegard" + AnsiAccent() + "-" + std::to_string(::GetTickCount()) + "\\");
  ASSERT_TRUE(::CreateDirectoryA(accented.c_str(), nullptr));
  WriteFileA(accented + "H" + AnsiAccent() + "l" + AnsiAccent() + "ne1.zip");
  Start(accented);
  EXPECT_EQ(Text(Control(IDC_TXTSAVEDIR)), accented);
  EXPECT_EQ(ListItems(Control(IDC_FILE1)),
            std::vector<std::string>{"H" + AnsiAccent() + "l" + AnsiAccent() + "ne1.zip"});
}

TEST_F(MainWindowTest, AMissingOrOverlongFolderLeavesTheListEmpty) {
  Start(folder_ + "does-not-exist\\");
  EXPECT_EQ(::SendMessageA(Control(IDC_FILE1), LB_GETCOUNT, 0, 0), 0);
  form_.reset();

  const std::string overlong = "C:\\" + std::string(300, 'x') + "\\";
  Start(overlong);
  EXPECT_EQ(Text(Control(IDC_TXTSAVEDIR)), overlong);
  EXPECT_EQ(::SendMessageA(Control(IDC_FILE1), LB_GETCOUNT, 0, 0), 0);
}

TEST_F(MainWindowTest, LabelsAreRedOnGreyAndTheBoxesPinkOnGrey) {
  HWND w = Start(folder_);
  HDC dc = ::GetDC(w);
  ::SendMessageA(w, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Control(IDC_LABEL1)));
  EXPECT_EQ(::GetTextColor(dc), RGB(255, 0, 0));
  EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);
  for (int id : {IDC_TXTINTERVAL, IDC_FILE1}) {
    const UINT msg = id == IDC_FILE1 ? WM_CTLCOLORLISTBOX : WM_CTLCOLOREDIT;
    ::SendMessageA(w, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Control(id)));
    EXPECT_EQ(::GetTextColor(dc), RGB(255, 192, 192)) << id;
    EXPECT_EQ(::GetBkColor(dc), RGB(64, 64, 64)) << id;
  }
  ::ReleaseDC(w, dc);
}

}  // namespace
