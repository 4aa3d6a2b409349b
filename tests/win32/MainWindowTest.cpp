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

TEST_F(MainWindowTest, ControlsUseTheirDesignFonts) {
  Start(folder_);
  for (int id = IDC_CMDSTART; id <= IDC_FILE1; ++id) {
    if (id == IDC_UDINTERVAL || id == IDC_UDBACKUP || id == IDC_STATUSBAR1) continue;  // no text of their own
    LOGFONTA font{};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(Control(id), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif") << id;
    EXPECT_EQ(font.lfHeight, id == IDC_CMDSTART ? -18 : -11) << id;
    EXPECT_EQ(font.lfWeight, id == IDC_CMDSTART ? FW_BOLD : FW_NORMAL) << id;
  }
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

TEST_F(MainWindowTest, AnEmptyNewSavePathFallsBackToSavePath) {
  SetValue("NewSavePath", "");
  Start(folder_);
  EXPECT_EQ(form_->SaveDir(), folder_);
}

TEST_F(MainWindowTest, AnOverlongFolderIsShownAndLeavesTheListEmpty) {
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
