// The About box in the test's own process: what another process cannot read
// (the cursor, focus), and the System Information launcher and
// the mail link through their seams, with two test keys as the two views of
// HKEY_LOCAL_MACHINE\SOFTWARE.
#include "about/frmAbout.h"
#include "tests/win32/GameWindowTest.h"

namespace {

using ck::testing::kRecorder;
using ck::testing::launches;

const std::string kViews = "Software\\CairnkeepTests\\";

struct TwoViews {
  static inline std::vector<std::string> opens;
  static LSTATUS WINAPI Open(HKEY, LPCSTR path, DWORD options, REGSAM rights, PHKEY key) {
    const bool view64 = (rights & KEY_WOW64_64KEY) != 0;
    rights &= ~KEY_WOW64_64KEY;
    opens.push_back(std::string(view64 ? "64 " : "own ") + path + (rights == KEY_READ ? "" : " (not read only)"));
    return ::RegOpenKeyExA(HKEY_CURRENT_USER, (kViews + (view64 ? "64\\" : "own\\") + path).c_str(), options,
                           rights, key);
  }
};

struct Shell {
  static inline std::vector<std::string> calls;
  static HINSTANCE WINAPI Execute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder, INT show) {
    calls.push_back((owner ? "dialog|" : "none|") + std::string(verb ? verb : "null") + "|" + file + "|" +
                    (parameters ? parameters : "null") + "|" + folder + "|" + std::to_string(show));
    return reinterpret_cast<HINSTANCE>(SE_ERR_NOASSOC);  // no mail program
  }
};

// Top-level windows (a message box) created meanwhile, each refused at once
// so that it cannot wait for a click that never comes.
int windowsCreated = 0;
LRESULT CALLBACK RefuseTopLevelWindows(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && !(reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->style & WS_CHILD)) {
    ++windowsCreated;
    return 1;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

class AboutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kViews.c_str());
    TwoViews::opens.clear(), Shell::calls.clear(), launches.clear(), windowsCreated = 0;
  }
  void TearDown() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kViews.c_str()); }

  static void Put(const std::string& view, const char* key, const char* name, const std::string& text,
                  DWORD type = REG_SZ) {
    ck::testing::PutText(kViews + view + "\\" + key, name, text, type);
  }

  // The dialog, loaded and shown, with `processes` for its launches.
  HWND Open(const ck::ProcessApi& processes) {
    registry_.OpenKeyEx = &TwoViews::Open;
    about_ = std::make_unique<ck::frmAbout>(::GetModuleHandleA(nullptr), registry_, processes, shell_);
    about_->Show(nullptr);
    return about_->Handle();
  }

  void ClickWhileRefusingWindows(int id) {
    HHOOK hook = ::SetWindowsHookExA(WH_CBT, &RefuseTopLevelWindows, nullptr, ::GetCurrentThreadId());
    ::SendMessageA(about_->Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    ::UnhookWindowsHookEx(hook);
  }

  ck::RegistryApi registry_ = ck::RegistryApi::Advapi32();
  const ck::ShellApi shell_{&Shell::Execute};
  std::unique_ptr<ck::frmAbout> about_;
};

constexpr const char* kPlace1 = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kPlace2 = "SOFTWARE\\Microsoft\\Shared Tools Location";

TEST_F(AboutTest, TheToolFoundOnlyInThe64BitViewIsStartedByItsPathAlone) {
  Put("own", kPlace2, "MSINFO", "C:\\No Tool Here");
  Put("64", kPlace1, "PATH", "C:\\Program Files\\System Tools\\MSINFO32.EXE");
  Open(kRecorder);
  ClickWhileRefusingWindows(IDC_CMDSYSINFO);
  EXPECT_EQ(TwoViews::opens, (std::vector<std::string>{std::string("own ") + kPlace1, std::string("own ") + kPlace2,
                                                       std::string("64 ") + kPlace1}));
  ASSERT_EQ(launches.size(), 1u);
  // Named as the application: never searched piecewise for C:\Program.exe.
  EXPECT_EQ(launches[0].application, "C:\\Program Files\\System Tools\\MSINFO32.EXE");
  EXPECT_EQ(launches[0].commandLine, "C:\\Program Files\\System Tools\\MSINFO32.EXE");
  EXPECT_EQ(std::tuple(launches[0].show, launches[0].inherit, windowsCreated), std::tuple(SW_SHOWNORMAL, FALSE, 0));
}

// Place 1 read is place 1 used: when nothing runs from it, the message shows
// and neither place 2 nor the other view is asked.
TEST_F(AboutTest, APlace1ThatCannotRunEndsInTheMessage) {
  for (const DWORD type : {DWORD{REG_SZ}, DWORD{REG_EXPAND_SZ}}) {
    SetUp();
    Put("own", kPlace1, "PATH", "C:\\Nowhere\\MSINFO32.EXE", type);
    Put("own", kPlace2, "MSINFO", "C:\\No Tool Here");
    Open(ck::ProcessApi::Kernel32());
    ClickWhileRefusingWindows(IDC_CMDSYSINFO);
    EXPECT_EQ(TwoViews::opens, std::vector<std::string>{std::string("own ") + kPlace1}) << type;
    EXPECT_EQ(windowsCreated, 1) << type;
  }
}

// Place 2 is the tool's folder, to which a backslash and the tool's name are
// added even after its own backslash; with neither place, the message shows
// and nothing starts.
TEST_F(AboutTest, Place2NamesTheFolderAndWithoutEitherPlaceTheMessageShows) {
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "ck-tools\\";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  ::CloseHandle(::CreateFileA((folder + "MSINFO32.EXE").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  Put("own", kPlace2, "MSINFO", folder);
  Open(kRecorder);
  ClickWhileRefusingWindows(IDC_CMDSYSINFO);
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kViews.c_str());
  ClickWhileRefusingWindows(IDC_CMDSYSINFO);
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].commandLine, folder + "\\MSINFO32.EXE");
  EXPECT_EQ(windowsCreated, 1);
  ::DeleteFileA((folder + "MSINFO32.EXE").c_str());
  ::RemoveDirectoryA(folder.c_str());
}

TEST_F(AboutTest, TheMailLinkShowsTheHandAndAFailedOpenShowsNothing) {
  HWND dialog = Open(kRecorder);
  HWND link = ::GetDlgItem(dialog, IDC_LBLEMAIL);
  ::SendMessageA(dialog, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  ICONINFO hand{};
  ASSERT_TRUE(::GetIconInfo(::GetCursor(), &hand));
  EXPECT_EQ(std::pair(hand.xHotspot, hand.yHotspot), std::pair(DWORD{12}, DWORD{1}));

  ClickWhileRefusingWindows(IDC_LBLEMAIL);
  EXPECT_EQ(Shell::calls,
            std::vector<std::string>{"dialog|null|mailto:cairnkeep@example.com?subject=Cairnkeep|null|c:\\|1"});
  EXPECT_EQ(windowsCreated, 0);
  EXPECT_TRUE(::IsWindowVisible(dialog));
}

// Where the design puts each control at 96 DPI, and what it says.
TEST_F(AboutTest, ControlsSitWhereTheDesignPutsThemAndSayWhatItSays) {
  HWND dialog = Open(kRecorder);
  const std::pair<int, std::string> design[] = {
      {IDOK, "224,192,308,215 OK"},
      {IDC_CMDSYSINFO, "320,192,403,215 &System Info..."},
      {IDC_LBLTITLE, "70,16,329,48 Cairnkeep"},
      {IDC_LBLVERSION, "70,52,329,67 Version 1.0.0"},
      {IDC_ABOUTLABEL1, "64,168,257,185 &Email me with any questions/comments:  "},
      {IDC_LBLEMAIL, "264,168,401,185 cairnkeep@example.com"},
      {IDC_LBLDESCRIPTION,
       "70,75,393,153 Ever played too far without saving and then find yourself dead?  This utility will back-up "
       "your character/game info during gameplay at the intervals you specify.  Diablo ][ doesn't save your game at "
       "intervals, but rather at certain points in the game.  This utility will ONLY back-up what Diablo ][ has "
       "saved.  It merely provides a way to go back before you were killed."}};
  for (const auto& [id, placed] : design) EXPECT_EQ(ck::testing::Placed(::GetDlgItem(dialog, id)), placed) << id;
  EXPECT_EQ(ck::testing::Placed(::GetDlgItem(dialog, IDC_PICICON)).substr(0, 12), "16,16,52,52 ");  // text: its icon
  RECT client;
  ::GetClientRect(dialog, &client);
  EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(419L, 230L));
  EXPECT_FALSE(::GetWindowLongA(dialog, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
}

// OK has the focus and Tab goes between the two buttons. Alt+E opens the
// mail link; Alt+S clicks System Info from anywhere, Enter clicks it while it
// has the focus, and Esc closes the dialog from there too.
TEST_F(AboutTest, TheFocusAndTheKeys) {
  Put("own", kPlace1, "PATH", "C:\\Tools\\MSINFO32.EXE");
  HWND dialog = Open(kRecorder);
  HWND ok = ::GetDlgItem(dialog, IDOK), sysInfo = ::GetDlgItem(dialog, IDC_CMDSYSINFO);
  EXPECT_EQ(::GetFocus(), ok);
  EXPECT_EQ(::GetNextDlgTabItem(dialog, ok, FALSE), sysInfo);
  EXPECT_EQ(::GetNextDlgTabItem(dialog, sysInfo, FALSE), ok);
  const std::pair<UINT, WPARAM> keys[] = {
      {WM_SYSCHAR, 'e'}, {WM_SYSCHAR, 's'}, {WM_KEYDOWN, VK_RETURN}, {WM_KEYDOWN, VK_ESCAPE}};
  for (const auto& [message, key] : keys) {
    MSG msg{::GetFocus(), message, key, message == WM_SYSCHAR ? 1 << 29 : 1, 0, {}};
    about_->TranslateDialogKeys(msg);
  }
  EXPECT_EQ(std::pair(Shell::calls.size(), launches.size()), std::pair(std::size_t{1}, std::size_t{2}));
  EXPECT_FALSE(::IsWindow(dialog));
}

}  // namespace
