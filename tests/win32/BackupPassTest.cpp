// The backup pass of the real main window, on Wine's real file system, with
// the stopwatch's clock in the test's hands so no test waits a minute.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "components/Win32FileSystem.h"
#include "components/ZipArchiver.h"
#include "mainwindow/frmMain.h"
#include "resources/resource.h"
#include "tests/common/SaveFiles.h"

namespace {

using ck::Bytes;
using ck::testing::Text;
using ck::testing::WholeSave;

std::uint64_t fakeNow = 0;
std::uint64_t FakeClock() { return fakeNow; }

void Put(const std::string& path, const Bytes& data) {
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  DWORD wrote = 0;
  if (!data.empty()) ::WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &wrote, nullptr);
  ::CloseHandle(h);
}

Bytes Get(const std::string& path) {
  Bytes data;
  ck::FileStamp a, b;
  ck::Win32FileSystem().ReadWhole(path, data, a, b);
  return data;
}

// Bytes that do not compress.
Bytes Noise(std::size_t size) {
  Bytes noise(size);
  std::uint32_t x = 2463534242u;
  for (auto& b : noise) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<std::uint8_t>(x);
  }
  return noise;
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class BackupPassTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
  }

  void SetUp() override {
    // A root given from outside outlives this process's prefix.
    const char* root = std::getenv("CK_SAVE_ROOT");
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(root && *root ? root : temp) + "\\ck-" + FolderName() + "\\";
    ::CreateDirectoryA(folder_.c_str(), nullptr);
  }

  virtual std::string FolderName() const {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }

  void TearDown() override {
    form_.reset();
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Blizzard Entertainment");
  }

  void Character(const std::string& name) {
    Put(folder_ + name + ".d2s", WholeSave(name));
    Put(folder_ + name + ".key", Text("keys of " + name));
  }

  void Start() {
    HKEY key;
    ::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Blizzard Entertainment\\Diablo II", 0, nullptr, 0,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr);
    ::RegSetValueExA(key, "Save Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder_.c_str()),
                     static_cast<DWORD>(folder_.size() + 1));
    ::RegSetValueExA(key, "Program", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\game.exe"), 12);
    ::RegCloseKey(key);
    fakeNow = 1000000;
    form_ = std::make_unique<ck::frmMain>(::GetModuleHandleA(nullptr), ck::RegistryApi::Advapi32(), &FakeClock);
    ASSERT_TRUE(form_->Create());
    form_->Load();
  }

  // One tick of the real timer message, `ms` after the last one.
  void TickAfter(std::uint64_t ms) {
    fakeNow += ms;
    ::SendMessageA(form_->Handle(), WM_TIMER, ck::frmMain::kTimerId, 0);
  }

  std::string Status() {
    char text[256] = {};
    ::SendDlgItemMessageA(form_->Handle(), IDC_STATUSBAR1, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return text;
  }

  std::vector<std::string> Listed() {
    std::vector<std::string> items;
    HWND list = ::GetDlgItem(form_->Handle(), IDC_FILE1);
    for (int i = 0; i < ::SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
      char item[MAX_PATH] = {};
      ::SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
      items.emplace_back(item);
    }
    return items;
  }

  std::string folder_;
  std::unique_ptr<ck::frmMain> form_;
};

TEST_F(BackupPassTest, APassRunsOnceTheIntervalHasPassedAndShowsItself) {
  Character("Alice");
  Character("Bob");
  Put(folder_ + "Bob.zip", Text("not a backup"));
  Start();

  TickAfter(179999);
  EXPECT_FALSE(Exists(folder_ + "Bob1.zip"));
  EXPECT_EQ(Status(), "");

  TickAfter(1);
  char now[64];
  ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, now, sizeof now);
  EXPECT_EQ(Status().substr(0, 17), "Last save was at ");
  EXPECT_EQ(Status().find(" - not saved"), std::string::npos) << Status();
  std::vector<std::string> names;
  ASSERT_TRUE(ck::VerifyZip(Get(folder_ + "Bob1.zip"), &names));
  EXPECT_EQ(names, (std::vector<std::string>{"Bob.d2s", "Bob.key"}));
  EXPECT_TRUE(ck::VerifyZip(Get(folder_ + "Alice1.zip")));
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Alice1.zip", "Bob.zip", "Bob1.zip"}));

  // The interval starts again after the pass.
  TickAfter(1000);
  EXPECT_FALSE(Exists(folder_ + "Bob2.zip"));
  TickAfter(179000);
  EXPECT_TRUE(Exists(folder_ + "Bob2.zip"));
}

TEST_F(BackupPassTest, WithoutCharactersNothingHappensEveryTick) {
  Start();
  TickAfter(180000);
  TickAfter(1000);
  EXPECT_EQ(Status(), "");
  Character("Bob");
  TickAfter(1000);  // still due: the first character is saved at once
  EXPECT_TRUE(Exists(folder_ + "Bob1.zip"));
}

TEST_F(BackupPassTest, AHeldCompanionAndAReadOnlySlotAreReportedAndKept) {
  Character("Alice");
  Character("Bob");
  Put(folder_ + "Alice1.zip", Text("protected"));
  ::SetFileAttributesA((folder_ + "Alice1.zip").c_str(), FILE_ATTRIBUTE_READONLY);
  HANDLE held = ::CreateFileA((folder_ + "Bob.key").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Start();
  TickAfter(180000);
  ::CloseHandle(held);

  const std::string status = Status();
  EXPECT_NE(status.find(" - not saved: "), std::string::npos) << status;
  EXPECT_NE(status.find("Alice"), std::string::npos) << status;
  EXPECT_NE(status.find("Bob"), std::string::npos) << status;
  EXPECT_EQ(Get(folder_ + "Alice1.zip"), Text("protected"));
  EXPECT_FALSE(Exists(folder_ + "Bob1.zip"));
  EXPECT_FALSE(Exists(folder_ + "~Bob1.zip.cktmp"));
  ::SetFileAttributesA((folder_ + "Alice1.zip").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(BackupPassTest, AnArchiveHeldOpenByAnotherProgramIsNotReplaced) {
  Character("Bob");
  Put(folder_ + "Bob1.zip", Text("old archive"));
  HANDLE held = ::CreateFileA((folder_ + "Bob1.zip").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Start();
  TickAfter(180000);
  ::CloseHandle(held);
  EXPECT_EQ(Status().substr(Status().size() - 16), "- not saved: Bob");
  EXPECT_EQ(Get(folder_ + "Bob1.zip"), Text("old archive"));
  EXPECT_FALSE(Exists(folder_ + "~Bob1.zip.cktmp"));
}

TEST_F(BackupPassTest, OnlyExactNamesAndNoFoldersCount) {
  Character("Bob");
  Character("Bobby");
  ::CreateDirectoryA((folder_ + "Bob.ma0").c_str(), nullptr);
  ::CreateDirectoryA((folder_ + "Ghost.d2s").c_str(), nullptr);
  Start();
  TickAfter(180000);
  std::vector<std::string> names;
  ASSERT_TRUE(ck::VerifyZip(Get(folder_ + "Bob1.zip"), &names));
  EXPECT_EQ(names, (std::vector<std::string>{"Bob.d2s", "Bob.key"}));
  EXPECT_FALSE(Exists(folder_ + "Ghost1.zip"));
}

TEST_F(BackupPassTest, StartUpRemovesOurStaleTemporaryFiles) {
  Put(folder_ + "~Bob2.zip.cktmp", Text("half an archive"));
  Put(folder_ + "Bob.tmp", Text("someone else's"));
  Start();
  EXPECT_FALSE(Exists(folder_ + "~Bob2.zip.cktmp"));
  EXPECT_TRUE(Exists(folder_ + "Bob.tmp"));
}

// Run with CK_SMALL_DISK naming a small, nearly full file system.
TEST_F(BackupPassTest, AFullDiskKeepsThePreviousArchive) {
  if (!std::getenv("CK_SMALL_DISK")) GTEST_SKIP() << "runs on a small disk (with-small-disk.sh)";
  Character("Bob");
  Put(folder_ + "Bob1.zip", Text("old archive"));
  // Big enough that the new archive cannot fit in what remains.
  Put(folder_ + "Bob.ma0", Noise(64 * 1024));
  // Fill the disk.
  HANDLE filler = ::CreateFileA((folder_ + "filler").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  const Bytes block(4096, 0xAB);
  DWORD wrote = 1;
  while (::WriteFile(filler, block.data(), static_cast<DWORD>(block.size()), &wrote, nullptr) && wrote > 0) {
  }
  ::CloseHandle(filler);

  Start();
  TickAfter(180000);
  EXPECT_EQ(Status().substr(Status().size() - 16), "- not saved: Bob");
  EXPECT_EQ(Get(folder_ + "Bob1.zip"), Text("old archive"));
  EXPECT_FALSE(Exists(folder_ + "~Bob1.zip.cktmp"));
}

// A process killed while it writes an archive (run by crash-mid-write.sh:
// Prepare, then Write under a file size limit, then Recover, each in a
// process of its own).
class CrashMidWrite : public BackupPassTest {
 protected:
  void SetUp() override {
    if (!std::getenv("CK_CRASH_TEST")) GTEST_SKIP() << "run by crash-mid-write.sh";
    BackupPassTest::SetUp();
  }
  std::string FolderName() const override { return "crash"; }
};

TEST_F(CrashMidWrite, Prepare) {
  Character("Bob");
  Put(folder_ + "Bob.ma0", Noise(400 * 1024));
  Put(folder_ + "Bob1.zip", Text("old archive"));
}

TEST_F(CrashMidWrite, Write) {
  Start();
  TickAfter(180000);
  ADD_FAILURE() << "the write was not interrupted: " << Status();
}

TEST_F(CrashMidWrite, Recover) {
  ASSERT_EQ(Get(folder_ + "Bob1.zip"), Text("old archive"));
  ASSERT_TRUE(Exists(folder_ + "~Bob1.zip.cktmp")) << "the crash left no temporary file";
  Start();
  EXPECT_FALSE(Exists(folder_ + "~Bob1.zip.cktmp"));
  TickAfter(180000);
  std::vector<std::string> names;
  ASSERT_TRUE(ck::VerifyZip(Get(folder_ + "Bob1.zip"), &names));
  EXPECT_EQ(names, (std::vector<std::string>{"Bob.d2s", "Bob.key", "Bob.ma0"}));
}

}  // namespace
