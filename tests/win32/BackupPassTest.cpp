// The backup pass of the real main window on Wine's real file system; the
// test moves the clock, so no test waits a minute.
#include "components/ArchiveNames.h"
#include "components/Restore.h"
#include "tests/common/FaultyFs.h"
#include "tests/common/SaveFiles.h"
#include "tests/win32/GameWindowTest.h"

#include <atomic>
#include <map>
#include <thread>

namespace {

using ck::Bytes;
using ck::testing::Text;
using ck::testing::WholeSave;

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

class BackupPassTest : public ck::testing::GameWindowTest {
 protected:
  void Character(const std::string& name) {
    Put(name + ".d2s", WholeSave(name));
    Put(name + ".key", Text("keys of " + name));
  }
  std::vector<std::string> Entries(const std::string& archive) {
    std::vector<std::string> names;
    EXPECT_TRUE(ck::VerifyZip(Get(archive), &names)) << archive;
    return names;
  }
  // One backup kept: the pass writes over the character's only archive.
  void StartKeepingOne() {
    Start();
    ::SetWindowTextA(Control(IDC_TXTNUMBACKUP), "1");
  }
  // Gives `name` the last write `ticks`, a FILETIME's count.
  bool Date(const std::string& name, std::uint64_t ticks) const {
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    ck::UniqueFile file(
        ::CreateFileA((folder_ + name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return file && ::SetFileTime(file.get(), nullptr, nullptr, &time);
  }
  // For a window to write through, in place of the machine's: it outlives
  // the window, which the fixture's TearDown closes.
  ck::testing::FaultyWin32Fs faulty_;
};

// A pass shows itself, its tip names who was saved and who was unchanged,
// and the interval starts again after it.
TEST_F(BackupPassTest, APassShowsItselfAndTheIntervalStartsAgain) {
  Character("Alice");
  Character("Bob");
  Start();
  TickAfter(180000);
  EXPECT_EQ(Status().substr(0, 17), "Last save was at ");
  Put("Bob.key", Text("new keys of Bob"));
  TickAfter(179999);
  EXPECT_FALSE(Exists("Bob2.zip"));
  TickAfter(1);
  EXPECT_TRUE(Exists("Bob2.zip"));
  EXPECT_FALSE(Exists("Alice2.zip"));
  EXPECT_EQ(StatusTip(), Status() + " - saved: Bob - unchanged: Alice");
}

// A pass keeps the archive the player selected selected while it is the same
// file, so that Enter offers to restore what was chosen; a slot the pass
// wrote anew is no longer that, and with nothing selected Enter on the list
// does nothing at all, and surely does not start the game.
TEST_F(BackupPassTest, APassKeepsTheSelectionAndEnterOnTheListNeverStartsTheGame) {
  Character("Bob");
  ck::testing::launches.clear();
  Start(folder_, "C:\\Program Files\\Diablo II\\Game.exe", ck::testing::kRecorder);
  ::SetWindowTextA(Control(IDC_TXTNUMBACKUP), "2");
  HWND list = Control(IDC_FILE1);
  const auto pressEnterOnTheList = [&] {
    ::SetFocus(list);
    Press(VK_RETURN);
    for (MSG msg; ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) ::DispatchMessageA(&msg);
  };
  const auto select = [&](const char* archive) {
    ::SendMessageA(list, LB_SETCURSEL, ::SendMessageA(list, LB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(archive)),
                   0);
  };
  TickAfter(180000);
  select("Bob1.zip");
  Put("Bob.key", Text("new keys of Bob"));
  Character("Al");
  TickAfter(180000);  // writes Bob2.zip, and Al1.zip, a row before the one selected
  TickUntilPasses(2);  // or once Al's files are quiet, if the watch saw them first
  ck::testing::BoxAnswers answers([](const std::string&) { return IDNO; });
  pressEnterOnTheList();
  ASSERT_EQ(answers.seen.size(), 1u);
  EXPECT_EQ(answers.seen[0].substr(0, 32), "Restore Bob from Bob1.zip, made ") << answers.seen[0];

  Put("Bob.key", Text("newer keys of Bob"));
  TickAfter(180000);  // writes Bob1.zip anew, its oldest
  EXPECT_EQ(::SendMessageA(list, LB_GETCURSEL, 0, 0), LB_ERR);
  pressEnterOnTheList();
  EXPECT_EQ(answers.seen.size(), 1u);
  EXPECT_TRUE(ck::testing::launches.empty());
}

// File > Keep Selected Backup, and Ctrl+K: the selected archive copied out
// of the rotation, named and dated for the time it was made, a second copy
// beside the first; disabled with nothing selected, or an archive that is
// not a character's.
TEST_F(BackupPassTest, KeepSelectedBackupCopiesTheArchiveOutOfTheRotation) {
  Character("Bob");
  Put("Other.zip", Text("not an archive"));
  Start();
  TickAfter(180000);
  HWND list = Control(IDC_FILE1);
  HMENU file = ::GetSubMenu(::GetMenu(form_->Handle()), 0);
  const auto enabled = [&](const char* archive) {
    ::SendMessageA(list, LB_SETCURSEL, ::SendMessageA(list, LB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(archive)),
                   0);
    ::SendMessageA(form_->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
    return (::GetMenuState(file, IDM_FILE_KEEP, MF_BYCOMMAND) & MF_GRAYED) == 0;
  };
  EXPECT_FALSE(enabled("none"));
  EXPECT_FALSE(enabled("Other.zip"));
  ASSERT_TRUE(enabled("Bob1.zip"));

  BYTE keys[256] = {};
  keys[VK_CONTROL] = 0x80;
  ::SetKeyboardState(keys);
  ::SetFocus(list);
  Press('K');
  keys[VK_CONTROL] = 0;
  ::SetKeyboardState(keys);
  ::SendMessageA(form_->Handle(), WM_COMMAND, IDM_FILE_KEEP, 0);
  ck::Win32FileSystem files;
  const auto kept = ck::ListExactly(files, folder_, "Bob-kept-*.zip");
  const auto slot = ck::ListExactly(files, folder_, "Bob1.zip");
  ASSERT_EQ(kept.size(), 2u);
  ASSERT_EQ(slot.size(), 1u);
  const std::string stamp = ck::NameStamp(slot[0].dosDate, slot[0].dosTime);
  EXPECT_EQ(kept[0].name.substr(0, 9 + stamp.size()), "Bob-kept-" + stamp);
  for (const ck::FileInfo& copy : kept) {
    EXPECT_EQ(Get(copy.name), Get("Bob1.zip"));
    EXPECT_EQ(copy.unixTime, slot[0].unixTime);
  }
  EXPECT_EQ(Status(), "Kept Bob1.zip as Bob-kept-" + stamp + "-2.zip");
}

// A program that is or may be the game, started while the question is
// open, is seen after Yes, and nothing is touched. One of the game's names
// whose folder cannot be read, running already, has the question say so,
// and then Yes restores.
const char* gameImage = nullptr;
bool ImagesWithTheGame(std::vector<std::string>& images) {
  images.push_back("C:\\windows\\system32\\explorer.exe");
  if (gameImage) images.push_back(gameImage);
  return true;
}

TEST_F(BackupPassTest, AGameStartedWhileTheQuestionIsOpenIsSeenAfterYes) {
  static const ck::RunningApi running{&ImagesWithTheGame};
  running_ = &running;
  Character("Bob");
  Start();
  TickAfter(180000);
  Put("Bob.key", Text("new keys of Bob"));
  const std::vector<std::string> before = Listed();
  const std::pair<const char*, const char*> started[] = {
      {"C:\\Program Files\\Diablo II\\Game.exe",
       "Close Diablo II before restoring: it would save over the restored files."},
      {"GAME.EXE", "A program that may be Diablo II started while the question was open: nothing was restored."}};
  for (const auto& game : started) {
    gameImage = nullptr;
    ::SendMessageA(Control(IDC_FILE1), LB_SETCURSEL, 0, 0);
    ck::testing::BoxAnswers answers([&](const std::string&) {
      gameImage = game.first;
      return IDYES;
    });
    ::SendMessageA(form_->Handle(), ck::Id(ck::AppMessage::ArchiveChosen), 0, 0);
    ASSERT_EQ(answers.seen.size(), 2u);
    EXPECT_EQ(answers.seen[1], game.second);
    EXPECT_EQ(Get("Bob.key"), Text("new keys of Bob"));
    EXPECT_EQ(Listed(), before);
  }
  ::SendMessageA(Control(IDC_FILE1), LB_SETCURSEL, 0, 0);
  ck::testing::BoxAnswers answers([](const std::string&) { return IDYES; });
  ::SendMessageA(form_->Handle(), ck::Id(ck::AppMessage::ArchiveChosen), 0, 0);
  gameImage = nullptr;
  ASSERT_EQ(answers.seen.size(), 1u);
  EXPECT_TRUE(answers.seen[0].ends_with("\nCairnkeep cannot tell whether Diablo II is running: if it is, close it "
                                        "first, or it will save over the restored files."))
      << answers.seen[0];
  EXPECT_EQ(Get("Bob.key"), Text("keys of Bob"));
  EXPECT_EQ(Status().substr(0, 30), "Restored Bob from Bob1.zip at ");
}

// While the question is open the passes go on, but none writes over the
// archive it names, hidden though it is, and listed; one replaced meanwhile
// by another program is not restored.
TEST_F(BackupPassTest, NoPassTouchesTheArchiveTheQuestionNames) {
  static const ck::RunningApi running{&ImagesWithTheGame};
  running_ = &running;
  gameImage = nullptr;
  Character("Bob");
  Start();
  ::SetDlgItemTextA(form_->Handle(), IDC_TXTNUMBACKUP, "1");
  TickAfter(180000);
  ASSERT_TRUE(::SetFileAttributesA((folder_ + "Bob1.zip").c_str(), FILE_ATTRIBUTE_HIDDEN));
  TickAfter(180000);
  EXPECT_EQ(Listed(), std::vector<std::string>{"Bob1.zip"});
  const Bytes slot = Get("Bob1.zip"), keys = Get("Bob.key");
  for (bool replaced : {false, true}) {
    Put("Bob.key", Text(replaced ? "played on again" : "played during the question"));
    ::SendMessageA(Control(IDC_FILE1), LB_SETCURSEL, 0, 0);
    ck::testing::BoxAnswers answers([&](const std::string& text) {
      if (!text.starts_with("Restore Bob")) return IDOK;
      TickAfter(180000);
      EXPECT_EQ(Status().substr(0, 15), "Not saved: Bob ");
      if (replaced) Put("Bob1.zip", slot, FILE_ATTRIBUTE_HIDDEN);
      return IDYES;
    });
    ::SendMessageA(form_->Handle(), ck::Id(ck::AppMessage::ArchiveChosen), 0, 0);
    EXPECT_EQ(Get("Bob1.zip"), slot);
    if (!replaced) {
      EXPECT_EQ(answers.seen.size(), 1u);
      EXPECT_EQ(Get("Bob.key"), keys);
      EXPECT_EQ(Status().substr(0, 30), "Restored Bob from Bob1.zip at ");
    } else {
      ASSERT_EQ(answers.seen.size(), 2u);
      EXPECT_EQ(answers.seen[1], "Bob1.zip changed while the question was open: nothing was restored.");
      EXPECT_EQ(Get("Bob.key"), Text("played on again"));
    }
  }
}

TEST_F(BackupPassTest, WithoutCharactersNothingHappensEveryTick) {
  Start(folder_ + "missing\\");
  TickAfter(180000);
  TickAfter(1000);
  EXPECT_EQ(Status(), "");
  form_.reset();

  Start();
  TickAfter(180000);
  TickAfter(1000);
  EXPECT_EQ(Status(), "");
  // Still due: the first character is saved at the next tick, or once its
  // files are quiet if the watch has seen them written.
  Character("Bob");
  const std::uint64_t made = ck::testing::now;
  TickUntilPasses(1);
  EXPECT_TRUE(Exists("Bob1.zip"));
  EXPECT_LE(ck::testing::now - made, ck::SaveWatchSchedule::kQuietMs + 1000);
}

// A companion held by another program: the character is reported and
// nothing written. A slot the user made read-only and an archive another
// program holds open: each is kept as it was, and passed over for the next
// oldest slot, never for the newest.
TEST_F(BackupPassTest, HeldFilesAndAReadOnlySlotAreReportedOrPassedOverAndKept) {
  for (const char* name : {"Alice", "Bob", "Carl"}) Character(name);
  SYSTEMTIME now;
  ::GetSystemTime(&now);
  for (const std::string name : {"Alice", "Carl"}) {
    for (int slot = 1; slot <= 3; ++slot) {  // the first the oldest
      const std::string archive = name + std::to_string(slot) + ".zip";
      Put(archive, Text("old archive"));
      FILETIME time;
      ::SystemTimeToFileTime(&now, &time);
      ULARGE_INTEGER ticks{{time.dwLowDateTime, time.dwHighDateTime}};
      // Alice's hours ago, each the newest of its hour, which her history
      // keeps; Carl's seconds apart in the hour before this one, so that
      // his history keeps only the newest.
      if (name == "Alice") {
        ticks.QuadPart -= (4 - slot) * 36000000000ull;
      } else {
        ticks.QuadPart -= ticks.QuadPart % 36000000000ull + (4 - slot) * 10000000ull;
      }
      Date(archive, ticks.QuadPart);
    }
  }
  ::SetFileAttributesA((folder_ + "Alice1.zip").c_str(), FILE_ATTRIBUTE_READONLY);
  const auto hold = [&](const char* name, DWORD share) {
    return ::CreateFileA((folder_ + name).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
  };
  HANDLE key = hold("Bob.key", 0), archive = hold("Carl1.zip", FILE_SHARE_READ);
  ASSERT_NE(key, INVALID_HANDLE_VALUE);
  ASSERT_NE(archive, INVALID_HANDLE_VALUE);
  Start();
  ::SetWindowTextA(Control(IDC_TXTNUMBACKUP), "3");
  TickAfter(180000);
  ::CloseHandle(key);
  ::CloseHandle(archive);
  EXPECT_EQ(Status().substr(0, 15), "Not saved: Bob ") << Status();
  for (const char* kept : {"Alice1.zip", "Alice3.zip", "Carl1.zip", "Carl3.zip"}) {
    EXPECT_EQ(Get(kept), Text("old archive")) << kept;
  }
  EXPECT_EQ(Entries("Alice2.zip"), (std::vector<std::string>{"Alice.d2s", "Alice.key"}));
  EXPECT_EQ(Entries("Carl2.zip"), (std::vector<std::string>{"Carl.d2s", "Carl.key"}));
  EXPECT_FALSE(Exists("Bob1.zip"));
  for (const char* temporary : {"~Bob1.zip.cktmp", "~Carl1.zip.cktmp"}) EXPECT_FALSE(Exists(temporary));
  // Alice's state two hours ago went into her history; none of Carl's.
  ck::Win32FileSystem files;
  EXPECT_EQ(ck::ListExactly(files, ck::HistoryFolder(folder_, "Alice"), "*.zip").size(), 1u);
  EXPECT_TRUE(ck::ListExactly(files, ck::HistoryFolder(folder_, "Carl"), "*.zip").empty());
  ::SetFileAttributesA((folder_ + "Alice1.zip").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Only exact names and no folders count; names beyond ASCII are archived
// under their own names, in UTF-8.
TEST_F(BackupPassTest, ExactNamesOnlyAndThoseBeyondAsciiInUtf8) {
  char name[32] = {};  // "Hélène" in whatever the ANSI code page is
  ::WideCharToMultiByte(CP_ACP, 0, L"H\u00e9l\u00e8ne", -1, name, sizeof name, nullptr, nullptr);
  Character(name);
  Character("Bob");
  Character("Bobby");
  ::CreateDirectoryA((folder_ + "Bob.ma0").c_str(), nullptr);
  ::CreateDirectoryA((folder_ + "Ghost.d2s").c_str(), nullptr);
  Start();
  TickAfter(180000);
  EXPECT_EQ(Status().find("not saved"), std::string::npos) << Status();
  EXPECT_EQ(Entries("Bob1.zip"), (std::vector<std::string>{"Bob.d2s", "Bob.key"}));
  EXPECT_FALSE(Exists("Ghost1.zip"));
  EXPECT_EQ(Entries(std::string(name) + "1.zip"),
            (std::vector<std::string>{"H\xC3\xA9l\xC3\xA8ne.d2s", "H\xC3\xA9l\xC3\xA8ne.key"}));
  // Her slot is hers to write again, its names in UTF-8 and hers not.
  ::SetDlgItemTextA(form_->Handle(), IDC_TXTNUMBACKUP, "1");
  Put(std::string(name) + ".key", Text("new keys"));
  TickAfter(180000);
  EXPECT_EQ(Status().substr(0, 17), "Last save was at ") << Status();
}

// A slot whose state the history keeps, written an hour or more before,
// is moved into the character's history folder before the pass writes over
// it: named for the local time it was made and that time's offset, beyond
// ASCII too, keeping its last write; the list of the save folder does not
// show it.
TEST_F(BackupPassTest, AKeptStateMovesIntoItsHistoryUnderItsOwnName) {
  char name[32] = {};
  ::WideCharToMultiByte(CP_ACP, 0, L"H\u00e9l\u00e8ne", -1, name, sizeof name, nullptr, nullptr);
  const std::string helene = name;
  Character(helene);
  Put(helene + "1.zip", ck::BuildZip({{"H\xC3\xA9l\xC3\xA8ne.d2s", WholeSave(helene), 0, 0x21, {}}}));
  const Bytes before = Get(helene + "1.zip");
  // 2026-12-01 10:00:00 UTC.
  const std::int64_t made = 1796119200;
  const std::uint64_t ticks = static_cast<std::uint64_t>(made + 11644473600LL) * 10000000ull;
  const FILETIME then{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  ASSERT_TRUE(Date(helene + "1.zip", ticks));
  StartKeepingOne();
  TickAfter(180000);
  EXPECT_EQ(Status().substr(0, 17), "Last save was at ") << Status();
  const std::string moved = std::string(ck::kHistoryFolder) + "\\" + helene + "\\" +
                            ck::HistoryName(helene, made, ck::Win32FileSystem().UtcOffsetMinutes(made));
  ASSERT_TRUE(Exists(moved)) << moved;
  EXPECT_EQ(Get(moved), before);
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(::GetFileAttributesExA((folder_ + moved).c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(::CompareFileTime(&data.ftLastWriteTime, &then), 0);
  EXPECT_EQ(Entries(helene + "1.zip"),
            (std::vector<std::string>{"H\xC3\xA9l\xC3\xA8ne.d2s", "H\xC3\xA9l\xC3\xA8ne.key"}));
  HWND list = Control(IDC_FILE1);
  EXPECT_EQ(::SendMessageA(list, LB_GETCOUNT, 0, 0), 1);
}

// Names go between the file calls' code page and the archives' UTF-8 the
// same way on both kinds of Windows: an ANSI code page such as 1252, and
// UTF-8 itself, where names pass as they are.
TEST(Win32FileSystem, NamesConvertFromAndToTheAnsiCodePage) {
  const std::string helene = "H\xC3\xA9l\xC3\xA8ne.d2s", omega = "\xCE\xA9mega.d2s";
  struct Case {
    unsigned codePage;
    std::string utf8, native;  // empty: no such file can be named
  };
  for (const Case& c : {Case{1252, helene, "H\xE9l\xE8ne.d2s"}, Case{1252, omega, ""}, Case{1252, "Bob.d2s", "Bob.d2s"},
                        Case{CP_UTF8, helene, helene}, Case{CP_UTF8, omega, omega}}) {
    ck::Win32FileSystem files(c.codePage);
    std::string native;
    EXPECT_EQ(files.NativeName(c.utf8, native), !c.native.empty()) << c.codePage << " " << c.utf8;
    if (c.native.empty()) continue;
    EXPECT_EQ(native, c.native) << c.codePage;
    EXPECT_EQ(files.Utf8Name(c.native), c.utf8) << c.codePage;
  }
}

// The listing tells each file's identity as its open handle does, a name
// beyond ASCII too, and a file put in another's place has another; a pass
// over files written an hour ago then finds them unchanged without opening
// one, but opens them at every pass while they are within a few seconds of
// its clock. Parts of a file are read at their offsets, and none beyond its
// end.
TEST_F(BackupPassTest, TheListingTellsIdentitiesSoThatAnUnchangedPassOpensNothing) {
  char name[32] = {};  // "Hélène" in whatever the ANSI code page is
  ::WideCharToMultiByte(CP_ACP, 0, L"H\u00e9l\u00e8ne", -1, name, sizeof name, nullptr, nullptr);
  Character(name);
  Character("Bob");
  struct Counting : ck::Win32FileSystem {
    int reads = 0;
    ck::ReadStatus ReadWhole(const std::string& path, Bytes& data, ck::FileStamp& before, ck::FileStamp& after,
                             std::uint64_t limit) override {
      ++reads;
      return Win32FileSystem::ReadWhole(path, data, before, after, limit);
    }
  } files;
  const auto identities = [&] {
    std::vector<ck::FileInfo> listed = files.List(folder_, "*", false);
    files.Identify(folder_, listed);
    std::map<std::string, std::uint64_t> found;
    for (const ck::FileInfo& f : listed) {
      Bytes data;
      ck::FileStamp before, after;
      files.ReadWhole(folder_ + f.name, data, before, after, UINT64_MAX);
      EXPECT_NE(f.identity, 0u) << f.name;
      EXPECT_EQ(f.identity, before.identity) << f.name;
      found[f.name] = f.identity;
    }
    return found;
  };
  const auto first = identities();
  EXPECT_EQ(first.size(), 4u);
  Put("Bob.new", Text("keys of Bob"));
  ASSERT_TRUE(::MoveFileExA((folder_ + "Bob.new").c_str(), (folder_ + "Bob.key").c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_NE(identities().at("Bob.key"), first.at("Bob.key"));

  constexpr std::uint64_t second = 10000000;
  const auto dated = [&](std::uint64_t secondsAgo) {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const std::uint64_t time = ((std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime) - secondsAgo * second;
    for (const auto& [file, identity] : first) EXPECT_TRUE(Date(file, time)) << file;
    return time;
  };
  ck::CharacterTable table;
  ck::PassMemory memory;
  // Two seconds ago, as the pass's own clock tells, which a slow machine may
  // have made more than three by then.
  const std::uint64_t recent = dated(2);
  EXPECT_EQ(ck::RunBackupPass(files, folder_, 10, table, memory)->saved.size(), 2u);
  const bool settled = recent < memory.clocks.wall - 3 * second;
  files.reads = 0;
  EXPECT_EQ(ck::RunBackupPass(files, folder_, 10, table, memory)->unchanged.size(), 2u);
  EXPECT_EQ(files.reads > 0, !settled);
  dated(3600);
  EXPECT_EQ(ck::RunBackupPass(files, folder_, 10, table, memory)->unchanged.size(), 2u);
  files.reads = 0;
  EXPECT_EQ(ck::RunBackupPass(files, folder_, 10, table, memory)->unchanged.size(), 2u);
  EXPECT_EQ(files.reads, 0);

  Bytes part, rest;
  ck::FileStamp stamp;
  bool read = false, beyond = true;
  EXPECT_EQ(files.ReadParts(folder_ + "Bob.key", stamp, [&](std::uint64_t size, const ck::ReadAt& at) {
    read = at(5, 3, part);
    beyond = at(size - 2, 3, rest);
  }), ck::ReadStatus::Ok);
  EXPECT_TRUE(read);
  EXPECT_EQ(part, Text("of "));
  EXPECT_FALSE(beyond);
  EXPECT_EQ(stamp.size, 11u);
}

// The list reads nothing at start-up; then, from its timer, the rows in view
// first, each archive once; a refresh that finds nothing changed reads
// nothing, and one archive written anew is read again. Each row's text stays
// the archive's name.
TEST_F(BackupPassTest, TheListReadsEachArchiveOnceTheRowsInViewFirst) {
  const auto name = [](int i) { return "Bob" + std::to_string(100 + i) + ".zip"; };
  const auto archive = [](int level, int status) {
    ck::ZipEntry save;
    save.name = "Bob.d2s";
    save.data = ck::testing::StatedSave("Bob", level, status);
    return ck::BuildZip({save});
  };
  constexpr int kCount = 30;
  for (int i = 0; i < kCount; ++i) Put(name(i), archive(i + 1, 0));
  Start();
  ck::ArchiveList& list = form_->Archives();
  EXPECT_EQ(list.Catalog().Reads(), 0);
  HWND box = Control(IDC_FILE1);
  const auto data = [&](int row) { return ::SendMessageA(box, LB_GETITEMDATA, row, 0); };
  ::SendMessageA(box, LB_SETTOPINDEX, 20, 0);
  const auto top = static_cast<int>(::SendMessageA(box, LB_GETTOPINDEX, 0, 0));
  RECT client;
  ::GetClientRect(box, &client);
  const int inView = std::min<int>(kCount - top, client.bottom / static_cast<int>(::SendMessageA(box, LB_GETITEMHEIGHT, 0, 0)));
  ASSERT_GT(top, 0);
  ASSERT_GT(inView, 3);
  for (int i = 0; i < inView; ++i) list.OnReadTimer(0);  // one archive each
  for (int row = 0; row < kCount; ++row) {
    EXPECT_EQ((data(row) & ck::ArchiveList::kRead) != 0, row >= top && row < top + inView) << row;
  }
  for (int i = 0; i < kCount && list.Catalog().Reads() < kCount; ++i) list.OnReadTimer();
  EXPECT_EQ(list.Catalog().Reads(), kCount);
  for (int row = 0; row < kCount; ++row) {
    EXPECT_EQ(data(row), ck::ArchiveList::kRead | ck::ArchiveList::kKnown | (row + 1)) << row;
  }
  list.Refresh(folder_);
  EXPECT_EQ(list.Catalog().Reads(), kCount);

  Put(name(0), archive(7, 0x0C));  // dead, hardcore
  list.Refresh(folder_);
  for (int i = 0; i < kCount && list.Catalog().Reads() < kCount + 1; ++i) list.OnReadTimer();
  EXPECT_EQ(data(0), ck::ArchiveList::kRead | ck::ArchiveList::kKnown | ck::ArchiveList::kDead | 7);
  EXPECT_EQ(list.Catalog().Reads(), kCount + 1);
  EXPECT_EQ(Listed().front(), name(0));
}

// A hidden file is none of the character's files, but a slot the player hid
// still holds a state: found the newest, it is not written again.
TEST_F(BackupPassTest, AHiddenCompanionIsLeftOutAndAHiddenSlotStillCounts) {
  Character("Bob");
  Put("Bob.ma0", Text("hidden map"), FILE_ATTRIBUTE_HIDDEN);
  ck::Win32FileSystem files;
  ck::CharacterTable table;
  ck::PassMemory memory;
  EXPECT_EQ(ck::RunBackupPass(files, folder_, 10, table, memory)->saved, std::vector<std::string>{"Bob"});
  EXPECT_EQ(Entries("Bob1.zip"), (std::vector<std::string>{"Bob.d2s", "Bob.key"}));
  ASSERT_TRUE(::SetFileAttributesA((folder_ + "Bob1.zip").c_str(), FILE_ATTRIBUTE_HIDDEN));
  memory = {};  // a new start, which knows only what the folder shows
  EXPECT_EQ(ck::RunBackupPass(files, folder_, 10, table, memory)->unchanged, std::vector<std::string>{"Bob"});
  EXPECT_FALSE(Exists("Bob2.zip"));
}

// A file of exactly the limit is read; one byte more, and it is not.
TEST_F(BackupPassTest, AFileOfExactlyTheLimitIsRead) {
  Put("Bob.ma0", Noise(1001));
  Bytes data;
  ck::FileStamp before, after;
  for (const auto& [limit, status] : {std::pair(1001, ck::ReadStatus::Ok), std::pair(1000, ck::ReadStatus::TooLarge)}) {
    EXPECT_EQ(ck::Win32FileSystem().ReadWhole(folder_ + "Bob.ma0", data, before, after, limit), status) << limit;
  }
}

// What an error means: only another handle on the target is worth waiting
// for (anything else would only cost the pass its waiting budget), and the
// player is told why in words.
TEST(Win32FileSystem, EachErrorIsReadForWhatItMeans) {
  using ck::ReplaceStatus, ck::Trouble;
  const std::tuple<DWORD, ReplaceStatus, Trouble> errors[] = {
      {ERROR_ACCESS_DENIED, ReplaceStatus::Held, Trouble::Held},
      {ERROR_SHARING_VIOLATION, ReplaceStatus::Held, Trouble::Held},
      {ERROR_LOCK_VIOLATION, ReplaceStatus::Held, Trouble::Held},
      {ERROR_WRITE_PROTECT, ReplaceStatus::Failed, Trouble::ReadOnly},
      {ERROR_DISK_FULL, ReplaceStatus::Failed, Trouble::DiskFull},
      {ERROR_HANDLE_DISK_FULL, ReplaceStatus::Failed, Trouble::DiskFull},
      {ERROR_FILE_NOT_FOUND, ReplaceStatus::Failed, Trouble::Unknown},
      {ERROR_PATH_NOT_FOUND, ReplaceStatus::Failed, Trouble::Unknown},
      {ERROR_NOT_SAME_DEVICE, ReplaceStatus::Failed, Trouble::Unknown}};
  for (const auto& [error, replace, trouble] : errors) {
    EXPECT_EQ(ck::Win32FileSystem::ReplaceRefusal(error), replace) << error;
    EXPECT_EQ(ck::Win32FileSystem::TroubleOf(error), trouble) << error;
  }
}

// The mark of a restore cut short is no temporary: it stays, and start-up
// names both archives that keep a whole state.
TEST_F(BackupPassTest, StartUpRemovesOurStaleTemporaryFilesEvenReadOnlyOrHidden) {
  Put("~Bob2.zip.cktmp", Text("half an archive"));
  Put("~Bob3.zip.cktmp", Text("half an archive"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  Put("Bob.tmp", Text("someone else's"));
  Character("Bob");
  const std::string mark = "Bob-restoring-20261207-170412.zip";
  Put(mark, ck::BuildZip({{"Bob.d2s", WholeSave("Bob"), 0, 33, {}}}, 6, ck::RecordText({"Bob2.zip", 10, 20})));
  ck::testing::BoxAnswers answers([](const std::string&) { return IDOK; });
  Start();
  EXPECT_FALSE(Exists("~Bob2.zip.cktmp"));
  EXPECT_FALSE(Exists("~Bob3.zip.cktmp"));
  EXPECT_TRUE(Exists("Bob.tmp"));
  EXPECT_TRUE(Exists(mark));
  EXPECT_EQ(answers.seen, std::vector<std::string>{
                              "A restore of Bob did not finish, and Bob's files may be a mix of two states. The files "
                              "from before it are kept in " + mark + ", and those it restored in Bob2.zip: go back to "
                              "one of them. Until then, or until the game saves Bob again, Bob is not backed up."});
}

// A companion the game appends to while it is read (an automap) shows two
// stamps that differ, so that the pass reads it again rather than archiving
// it torn.
TEST_F(BackupPassTest, AFileGrowingDuringItsReadShowsTwoStamps) {
  Put("Bob.ma0", Noise(4 << 20));
  std::atomic<bool> stop = false;
  std::thread game([&] {
    HANDLE h = ::CreateFileA((folder_ + "Bob.ma0").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    for (DWORD wrote = 0; !stop; ::WriteFile(h, "x", 1, &wrote, nullptr)) {
    }
    ::CloseHandle(h);
  });
  bool changed = false;
  for (int i = 0; i < 100 && !changed; ++i) {
    Bytes data;
    ck::FileStamp before, after;
    ck::Win32FileSystem().ReadWhole(folder_ + "Bob.ma0", data, before, after, UINT64_MAX);
    changed = !(before == after);
  }
  stop = true;
  game.join();
  EXPECT_TRUE(changed);
}

// Run by with-small-disk.sh, with CK_SAVE_ROOT on a small file system.
TEST_F(BackupPassTest, AFullDiskKeepsThePreviousArchive) {
  if (!std::getenv("CK_SMALL_DISK")) GTEST_SKIP() << "runs on a small disk (with-small-disk.sh)";
  Character("Bob");
  Put("Bob1.zip", Text("old archive"));
  Put("Bob.ma0", Noise(64 * 1024));  // the new archive cannot fit in what remains
  HANDLE filler = ::CreateFileA((folder_ + "filler").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  const Bytes block(4096, 0xAB);
  DWORD wrote = 1;
  while (::WriteFile(filler, block.data(), static_cast<DWORD>(block.size()), &wrote, nullptr) && wrote > 0) {
  }
  ::CloseHandle(filler);

  StartKeepingOne();
  TickAfter(180000);
  EXPECT_EQ(Status().substr(0, 15), "Not saved: Bob ");
  EXPECT_EQ(Get("Bob1.zip"), Text("old archive"));
  EXPECT_FALSE(Exists("~Bob1.zip.cktmp"));
}

// The disk fills as the pass writes: the archive's write stops short and
// fails as on a full disk. The slot's archive keeps its bytes, no temporary
// file stays, and the first panel names who was not saved, and when.
TEST_F(BackupPassTest, ADiskThatFillsDuringThePassLeavesTheSlotAsItWas) {
  faulty_.failWriteHalfway = true;
  files_ = &faulty_;
  Character("Bob");
  Put("Bob1.zip", Text("old archive"));
  const auto timeOfDay = [] {
    char time[64] = {};
    ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time);
    return std::string(time);
  };
  StartKeepingOne();
  const std::string before = timeOfDay();
  TickAfter(180000);
  const std::string after = timeOfDay(), status = Status();
  EXPECT_TRUE(status == "Not saved: Bob - " + before || status == "Not saved: Bob - " + after) << status;
  EXPECT_EQ(Get("Bob1.zip"), Text("old archive"));
  EXPECT_FALSE(Exists("~Bob1.zip.cktmp"));
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
  Put("Bob.ma0", Noise(400 * 1024));
  Put("Bob1.zip", Text("old archive"));
}

TEST_F(CrashMidWrite, Write) {
  StartKeepingOne();
  TickAfter(180000);
  ADD_FAILURE() << "the write was not interrupted: " << Status();
}

TEST_F(CrashMidWrite, Recover) {
  ASSERT_EQ(Get("Bob1.zip"), Text("old archive"));
  ASSERT_TRUE(Exists("~Bob1.zip.cktmp")) << "the crash left no temporary file";
  StartKeepingOne();
  EXPECT_FALSE(Exists("~Bob1.zip.cktmp"));
  TickAfter(180000);
  EXPECT_EQ(Entries("Bob1.zip"), (std::vector<std::string>{"Bob.d2s", "Bob.key", "Bob.ma0"}));
}

// The game started under the short form of its path, which Windows makes for
// a folder such as "Diablo II", is the game the registry names in full.
std::string shortGame;
bool ImagesWithTheShortGame(std::vector<std::string>& images) {
  images.push_back(shortGame);
  return true;
}

TEST_F(BackupPassTest, TheGameUnderItsShortPathIsSeen) {
  static const ck::RunningApi running{&ImagesWithTheShortGame};
  running_ = &running;
  const std::string game = folder_ + "Diablo II\\Game.exe";
  ::CreateDirectoryA((folder_ + "Diablo II").c_str(), nullptr);
  Put("Diablo II\\Game.exe", {});
  char path[MAX_PATH];
  const DWORD size = ::GetShortPathNameA(game.c_str(), path, MAX_PATH);
  ASSERT_TRUE(size > 0 && size < MAX_PATH);
  shortGame = path;
  ASSERT_EQ(shortGame.find("Diablo II"), std::string::npos) << shortGame;
  Character("Bob");
  Start(folder_, game);
  TickAfter(180000);
  ::SendMessageA(Control(IDC_FILE1), LB_SETCURSEL, 0, 0);
  ck::testing::BoxAnswers answers([](const std::string&) { return IDOK; });
  ::SendMessageA(form_->Handle(), ck::Id(ck::AppMessage::ArchiveChosen), 0, 0);
  EXPECT_EQ(answers.seen,
            std::vector<std::string>{"Close Diablo II before restoring: it would save over the restored files."});
}

}  // namespace
