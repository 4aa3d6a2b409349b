// The save folder's watch through Wine's real notifications, alone and in
// the real main window. The notices come in real time: every wait ends on
// what it waits for, or fails at its limit.
#include "components/Win32FolderWatch.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <new>
#include <thread>

#include "tests/common/FaultyFs.h"
#include "tests/common/SaveFiles.h"
#include "tests/win32/GameWindowTest.h"

namespace ck::testing {
namespace {

constexpr ULONGLONG kLimitMs = 20000;

void Write(const std::string& path, const Bytes& data) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file) << path;
  DWORD wrote = 0;
  ASSERT_TRUE(::WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &wrote, nullptr));
}

std::string TempFolder(const std::string& name) {
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + name + "\\";
}

// What the watch tells until `done` holds for it, as it comes.
struct Told {
  std::vector<std::string> names;
  int lost = 0;
  bool failed = false;
};
Told TakeUntil(FolderWatch& watch, const std::function<bool(const Told&)>& done) {
  Told told;
  for (const ULONGLONG end = ::GetTickCount64() + kLimitMs; !done(told) && !told.failed && ::GetTickCount64() < end;) {
    if (::WaitForSingleObject(watch.Event(), 100) != WAIT_OBJECT_0) continue;
    switch (watch.Take([&](std::string_view file) { told.names.emplace_back(file); })) {
      case FolderWatch::Taken::Lost:
        ++told.lost;
        break;
      case FolderWatch::Taken::Failed:
        told.failed = true;
        break;
      default:
        break;
    }
  }
  return told;
}
bool Names(const Told& told, const std::string& name) {
  return std::find(told.names.begin(), told.names.end(), name) != told.names.end();
}

TEST(FolderWatch, SeesEachFileWrittenInTheFolderAndNothingBelowIt) {
  const std::string folder = TempFolder("ck-watch-seen");
  ::CreateDirectoryA(folder.c_str(), nullptr);
  ::CreateDirectoryA((folder + "Older").c_str(), nullptr);
  FolderWatch watch;
  ASSERT_TRUE(watch.Start(folder)) << watch.Error();
  // First below, then in the folder: notices keep their order, so once the
  // second is seen the first would have been.
  Write(folder + "Older\\Alice.d2s", WholeSave("Alice"));
  char helene[32] = {};  // "Hélène" in whatever the ANSI code page is
  ::WideCharToMultiByte(CP_ACP, 0, L"H\u00e9l\u00e8ne.d2s", -1, helene, sizeof helene, nullptr, nullptr);
  Write(folder + helene, WholeSave("Helene"));
  const Told told = TakeUntil(watch, [](const Told& t) { return Names(t, "H\xC3\xA9l\xC3\xA8ne.d2s"); });
  EXPECT_TRUE(Names(told, "H\xC3\xA9l\xC3\xA8ne.d2s")) << ::testing::PrintToString(told.names);  // UTF-8
  for (const std::string& name : told.names) EXPECT_EQ(name.find("Alice"), std::string::npos) << name;
  EXPECT_FALSE(told.failed);
  EXPECT_TRUE(watch.Armed());

  // A rename is seen by both its names; the watch goes on after each notice.
  ASSERT_TRUE(::MoveFileA((folder + helene).c_str(), (folder + "Bob.d2s").c_str()));
  EXPECT_TRUE(Names(TakeUntil(watch, [](const Told& t) { return Names(t, "Bob.d2s"); }), "Bob.d2s"));
  watch.Stop();
  EXPECT_FALSE(watch.Armed());
  EXPECT_EQ(watch.Event(), nullptr);
}

TEST(FolderWatch, AFolderThatCannotBeWatchedSaysWhy) {
  FolderWatch watch;
  EXPECT_FALSE(watch.Start(TempFolder("ck-watch-no-such-folder")));
  EXPECT_TRUE(watch.Error() == ERROR_FILE_NOT_FOUND || watch.Error() == ERROR_PATH_NOT_FOUND) << watch.Error();
  EXPECT_FALSE(watch.Armed());
  EXPECT_EQ(watch.Take([](std::string_view) { ADD_FAILURE(); }), FolderWatch::Taken::Nothing);

  // A file is no folder: the system refuses to watch it.
  const std::string file = TempFolder("ck-watch-a-file");
  Write(file.substr(0, file.size() - 1), Text("not a folder"));
  EXPECT_FALSE(watch.Start(file.substr(0, file.size() - 1)));
  EXPECT_NE(watch.Error(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_FALSE(watch.Armed());
}

TEST(FolderWatch, NoticesTheBufferCannotHoldAreLostAndTheWatchGoesOn) {
  const std::string folder = TempFolder("ck-watch-lost");
  ::CreateDirectoryA(folder.c_str(), nullptr);
  FolderWatch watch(16);  // not even one name of this length
  ASSERT_TRUE(watch.Start(folder)) << watch.Error();
  Write(folder + "A-rather-long-name.d2s", WholeSave("Lost"));
  const Told told = TakeUntil(watch, [](const Told& t) { return t.lost > 0 || !t.names.empty(); });
  EXPECT_EQ(told.lost, 1) << ::testing::PrintToString(told.names);
  EXPECT_TRUE(watch.Armed());
  Write(folder + "Another-long-name.d2s", WholeSave("Lost"));
  EXPECT_GE(TakeUntil(watch, [](const Told& t) { return t.lost > 0; }).lost, 1);
}

using WatchedWindowTest = GameWindowTest;

// A save is kept soon after, on the save's notice, and the notice the pass
// acts on is the save's: not the pass's own archives and temporaries before it.
TEST_F(WatchedWindowTest, ASaveIsKeptSoonAfterAndThePassesOwnWritesStartNone) {
  Start();
  const std::uint64_t started = now;
  Put("Alice.d2s", WholeSave("Alice"));
  TickUntilPasses(1);
  EXPECT_GE(now - started, SaveWatchSchedule::kQuietMs);
  EXPECT_TRUE(Exists("Alice1.zip"));
  EXPECT_TRUE(StatusTip().ends_with(" - after a change of Alice.d2s")) << StatusTip();

  Put("Bob.d2s", WholeSave("Bob"));
  Put("Bob.ma0", Text("automap"));
  TickUntilPasses(2);
  EXPECT_TRUE(Exists("Bob1.zip"));
  EXPECT_FALSE(Exists("Alice2.zip"));
  const std::string tip = StatusTip();
  EXPECT_NE(tip.find(" - saved: Bob - unchanged: Alice - after a change of Bob.d2s"), std::string::npos) << tip;
}

// A folder that cannot be watched is told in the tip, with the system's
// reason; the next pass watches it once it is there.
TEST_F(WatchedWindowTest, AFolderNotWatchedIsToldAndWatchedAgainAtTheNextPass) {
  const std::string missing = folder_ + "Later\\";
  Start(missing);
  const std::string notWatched = "The save folder is not watched, so a save waits for the interval: ";
  EXPECT_EQ(StatusTip().substr(0, notWatched.size()), notWatched) << StatusTip();
  EXPECT_GT(StatusTip().size(), notWatched.size());

  ASSERT_TRUE(::CreateDirectoryA(missing.c_str(), nullptr));
  TickAfter(180000);  // the interval: no character yet, but the watch is armed before the pass
  EXPECT_EQ(StatusTip().find(notWatched), std::string::npos) << StatusTip();
  Write(missing + "Bob.d2s", WholeSave("Bob"));
  TickUntilPasses(1);
  EXPECT_TRUE(::GetFileAttributesA((missing + "Bob1.zip").c_str()) != INVALID_FILE_ATTRIBUTES);
}

// The watch follows the folder it opened: renamed away, with a new one in
// its place, the path is watched again from the next timed pass on.
TEST_F(WatchedWindowTest, AFolderReplacedWhileWatchedIsWatchedAgainAtTheNextTimedPass) {
  Put("Alice.d2s", WholeSave("Alice"));
  Start();
  TickAfter(180000);
  ASSERT_EQ(Passes(), 1);
  const std::string away = folder_.substr(0, folder_.size() - 1) + "-away";
  ::RemoveDirectoryA(away.c_str());
  ASSERT_TRUE(::MoveFileA(folder_.c_str(), away.c_str())) << ::GetLastError();
  ASSERT_TRUE(::CreateDirectoryA(folder_.c_str(), nullptr));
  Put("Alice.d2s", WholeSave("Alice"));
  TickAfter(180000);  // the timed pass, watching the new folder before it
  ASSERT_EQ(Passes(), 2);
  Put("Bob.d2s", WholeSave("Bob"));
  TickUntilPasses(3);
  EXPECT_TRUE(StatusTip().ends_with(" - after a change of Bob.d2s")) << StatusTip();
  EXPECT_TRUE(Exists("Bob1.zip"));
}

// A save seen while the question about its only archive is open starts its
// pass there, and that pass leaves the archive the question names as it was.
TEST_F(WatchedWindowTest, ASaveSeenWhileTheQuestionIsOpenSparesItsArchive) {
  Put("Bob.d2s", WholeSave("Bob"));
  Start();
  ::SetDlgItemTextA(form_->Handle(), IDC_TXTNUMBACKUP, "1");
  TickAfter(180000);
  ASSERT_EQ(Passes(), 1);
  const Bytes slot = Get("Bob1.zip");
  ::SendMessageA(Control(IDC_FILE1), LB_SETCURSEL, 0, 0);
  BoxAnswers answers([&](const std::string& text) {
    if (!text.starts_with("Restore Bob")) return IDOK;
    Put("Bob.d2s", WholeSave("Bob", 900));
    TickUntilPasses(2);
    EXPECT_EQ(Status().substr(0, 15), "Not saved: Bob ") << Status();
    EXPECT_TRUE(StatusTip().ends_with(" - after a change of Bob.d2s")) << StatusTip();
    return IDNO;
  });
  ::SendMessageA(form_->Handle(), Id(AppMessage::ArchiveChosen), 0, 0);
  EXPECT_EQ(answers.seen.size(), 1u);
  EXPECT_EQ(Get("Bob1.zip"), slot);
}

// Held a moment after the write, as a scanner does: tried again once the
// folder is quiet, not left for the interval.
TEST_F(WatchedWindowTest, ASaveHeldAtItsPassIsTriedAgainSoon) {
  FaultyWin32Fs held;
  bool holding = true;
  held.lockedRead = [&](const std::string& path) { return holding && path.ends_with("Bob.d2s"); };
  files_ = &held;
  Start();
  Put("Bob.d2s", WholeSave("Bob"));
  TickUntilPasses(1);
  EXPECT_NE(StatusTip().find("not saved: Bob"), std::string::npos) << StatusTip();
  holding = false;
  TickUntilPasses(2);
  EXPECT_TRUE(Exists("Bob1.zip"));
  EXPECT_TRUE(StatusTip().ends_with(" - saved: Bob - after a change of Bob.d2s")) << StatusTip();
  form_.reset();
  files_ = &Win32FileSystem::Machine();
}

// The tip names the save in the system's code page, as the list does.
TEST_F(WatchedWindowTest, TheTipNamesASaveBeyondAsciiAsTheFolderDoes) {
  Start();
  char helene[32] = {};  // "Hélène" in whatever the ANSI code page is
  ::WideCharToMultiByte(CP_ACP, 0, L"H\u00e9l\u00e8ne.d2s", -1, helene, sizeof helene, nullptr, nullptr);
  Put(helene, WholeSave("Helene"));
  TickUntilPasses(1);
  EXPECT_TRUE(StatusTip().ends_with(std::string(" - after a change of ") + helene)) << StatusTip();
}

// A pass the loop starts on a notice is a handler like any other: what it
// throws ends that pass alone, and the loop goes on.
TEST_F(WatchedWindowTest, WhatAPassFromTheLoopThrowsEndsThatPassAlone) {
  struct ThrowingList : Win32FileSystem {
    std::atomic<int> thrown{0};
    bool throwing = false;
    std::vector<FileInfo> List(const std::string& folder, const std::string& pattern, bool withHidden) override {
      if (throwing) {
        ++thrown;
        throw std::bad_alloc();
      }
      return Win32FileSystem::List(folder, pattern, withHidden);
    }
  } throwing;
  files_ = &throwing;
  Put("Alice.d2s", WholeSave("Alice"));
  Start();
  throwing.throwing = true;
  now += 600000;  // the interval is due: the first notice's pass throws
  const DWORD loop = ::GetCurrentThreadId();
  std::thread other([&] {
    Put("notes.txt", Text("not a save"));
    for (const ULONGLONG end = ::GetTickCount64() + kLimitMs; throwing.thrown == 0 && ::GetTickCount64() < end;) {
      ::Sleep(10);
    }
    ::PostThreadMessageA(loop, WM_QUIT, 7, 0);
  });
  int exit = 0;
  EXPECT_NO_THROW(exit = form_->Run());
  other.join();
  EXPECT_EQ(exit, 7);
  EXPECT_GE(throwing.thrown, 1);
  form_.reset();
  files_ = &Win32FileSystem::Machine();
}

}  // namespace
}  // namespace ck::testing
