// The real main window created in the test's own process, against Wine's
// real registry, controls and file system, with the stopwatch's clock in the
// test's hands.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "components/Win32FileSystem.h"
#include "mainwindow/frmMain.h"
#include "resources/resource.h"
#include "tests/win32/MessageBoxGuard.h"

namespace ck::testing {

// Every read of the clock outside a tick is a restart of the stopwatch.
inline std::uint64_t now = 0;
inline int clockReads = 0;
inline std::uint64_t TestClock() {
  ++clockReads;
  return now;
}

// The process seam's stand-in: every start recorded, none made.
struct Launch {
  std::string application, commandLine, folder;
  DWORD flags = 0, startFlags = 0;
  WORD show = 0;
  BOOL inherit = TRUE;
};
inline std::vector<Launch> launches;

inline BOOL WINAPI RecordCreateProcess(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                                       LPSECURITY_ATTRIBUTES, BOOL inherit, DWORD flags, LPVOID, LPCSTR folder,
                                       LPSTARTUPINFOA startup, LPPROCESS_INFORMATION info) {
  launches.push_back({application ? application : "", commandLine, folder ? folder : "", flags, startup->dwFlags,
                      startup->wShowWindow, inherit});
  // Handles the caller must close: a real process of our own, already ended.
  info->hProcess = ::OpenProcess(SYNCHRONIZE, FALSE, ::GetCurrentProcessId());
  info->hThread = ::OpenThread(SYNCHRONIZE, FALSE, ::GetCurrentThreadId());
  return TRUE;
}
inline const ProcessApi kRecorder{&RecordCreateProcess};

// A value under HKEY_CURRENT_USER\`key`, with the keys above it made as needed.
inline void PutValue(const std::string& key, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY k;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  ::RegCloseKey(k);
}
inline void PutText(const std::string& key, const char* name, const std::string& text, DWORD type = REG_SZ) {
  PutValue(key, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

// Where a control sits in its window's client area, "left,top,right,bottom",
// and its text after a blank.
inline std::string Placed(HWND control) {
  RECT r;
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  char text[512] = {};
  ::SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + " " + text;
}

class GameWindowTest : public ::testing::Test {
 protected:
  static constexpr const char* kGameKey = "Software\\Blizzard Entertainment\\Diablo II";

  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX icc{sizeof(icc),
                             ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
  }

  void SetUp() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kGameKey);
    // A root given from outside (a small disk, a folder that outlives this
    // process's prefix) takes the place of the temporary folder.
    const char* root = std::getenv("CK_SAVE_ROOT");
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(root && *root ? std::string(root) + "\\" : temp) + "ck-" + FolderName() + "\\";
    ::CreateDirectoryA(folder_.c_str(), nullptr);
  }

  void TearDown() override {
    form_.reset();
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kGameKey);
  }

  virtual std::string FolderName() const {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }

  static void SetGameValue(const char* name, const std::string& value) { PutText(kGameKey, name, value); }

  // Start-up with the game's values pointing at `saveDir` and `program`.
  HWND Start(const std::string& saveDir, const std::string& program = "C:\\Program Files\\Diablo II\\Game.exe",
             const ProcessApi& processes = ProcessApi::Kernel32()) {
    SetGameValue("Save Path", saveDir);
    SetGameValue("Program", program);
    now = 1000000;
    form_ = std::make_unique<frmMain>(::GetModuleHandleA(nullptr), RegistryApi::Advapi32(), &TestClock, processes,
                                      *running_, *shell_, *files_);
    EXPECT_TRUE(form_->Create());
    form_->Load();
    clockReads = 0;
    return form_->Handle();
  }
  HWND Start() { return Start(folder_); }

  // One tick of the real timer message, `ms` after the last one.
  void TickAfter(std::uint64_t ms) {
    now += ms;
    ::SendMessageA(form_->Handle(), WM_TIMER, Id(TimerId::Tick), 0);
  }

  // The passes run, as the window counts them for tools outside.
  int Passes() const {
    return static_cast<int>(reinterpret_cast<UINT_PTR>(::GetPropA(form_->Handle(), frmMain::kPassesProperty)));
  }
  // Ticks 100 ms apart on the test's clock, in real time as the watch's
  // notices come, until `passes` passes have run (20 s at most); a save
  // the watch saw waits for its quiet period.
  void TickUntilPasses(int passes) {
    for (const ULONGLONG end = ::GetTickCount64() + 20000; Passes() < passes && ::GetTickCount64() < end;) {
      ::Sleep(10);
      TickAfter(100);
    }
    EXPECT_EQ(Passes(), passes);
  }

  HWND Control(int id) const { return ::GetDlgItem(form_->Handle(), id); }

  // A key pressed on the control with the focus, as the program's loop takes it.
  void Press(WPARAM key) {
    MSG msg{::GetFocus(), WM_KEYDOWN, key, 1, 0, {}};
    if (!form_->TranslateDialogKeys(msg)) ::DispatchMessageA(&msg);
  }

  std::string ControlText(int id) const {
    char text[2048] = {};
    ::SendMessageA(Control(id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
  }

  std::string Status() const { return StatusText(SB_GETTEXTA, 0); }
  // Through the W form: Wine's A form gives at most 80 characters of a tip.
  std::string StatusTip() const {
    wchar_t tip[1024] = {};
    ::SendMessageW(Control(IDC_STATUSBAR1), SB_GETTIPTEXTW, MAKEWPARAM(0, 1024), reinterpret_cast<LPARAM>(tip));
    char text[2048] = {};
    ::WideCharToMultiByte(CP_ACP, 0, tip, -1, text, sizeof text, nullptr, nullptr);
    return text;
  }

  std::string StatusText(UINT message, WORD size) const {
    char text[1024] = {};
    ::SendMessageA(Control(IDC_STATUSBAR1), message, MAKEWPARAM(0, size), reinterpret_cast<LPARAM>(text));
    return text;
  }

  std::vector<std::string> Listed() const {
    std::vector<std::string> items;
    HWND list = Control(IDC_FILE1);
    for (int i = 0; i < ::SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
      char item[MAX_PATH] = {};
      ::SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
      items.emplace_back(item);
    }
    return items;
  }

  // Files of the save folder, by name.
  void Put(const std::string& name, const Bytes& data, DWORD attributes = FILE_ATTRIBUTE_NORMAL) const {
    HANDLE h = ::CreateFileA((folder_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << name;
    DWORD wrote = 0;
    if (!data.empty()) ::WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &wrote, nullptr);
    ::CloseHandle(h);
  }
  Bytes Get(const std::string& name) const {
    Bytes data;
    FileStamp a, b;
    Win32FileSystem().ReadWhole(folder_ + name, data, a, b, UINT64_MAX);
    return data;
  }
  bool Exists(const std::string& name) const {
    return ::GetFileAttributesA((folder_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::string folder_;
  // The seams of the windows Start makes.
  const RunningApi* running_ = &RunningApi::Toolhelp32();
  const NotifyApi* shell_ = &NotifyApi::Shell32();
  FileSystem* files_ = &Win32FileSystem::Machine();
  std::unique_ptr<frmMain> form_;
};

}  // namespace ck::testing
