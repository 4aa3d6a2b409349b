// The history window of the real main window, in the test's own process:
// its rows for a folder of made archives, its drop-down, and going back and
// keeping from it through the main window's own question.
#include "tests/win32/GameWindowTest.h"

#include <commctrl.h>

#include <algorithm>
#include <ctime>

#include "components/ArchiveNames.h"
#include "components/Win32LocalTime.h"
#include "tests/common/SaveFiles.h"
#include "tests/win32/MessageBoxGuard.h"

namespace {

using ck::Bytes;

constexpr std::uint64_t kTicksPerSecond = 10000000, kUnixEpochTicks = 116444736000000000;
const std::string kHelene = "H\xE9l\xE8ne";  // in the ANSI code page, as the game names the file

class HistoryWindowTest : public ck::testing::GameWindowTest {
 protected:
  void SetUp() override {
    GameWindowTest::SetUp();
    now_ = static_cast<std::int64_t>(std::time(nullptr)) / 60 * 60;
  }
  static Bytes Archive(const std::string& name, int level, int status = 0, bool corpse = false) {
    return ck::BuildZip({{name + ".d2s", ck::testing::StatedSave(name, level, status, corpse), 0, 33, {}}});
  }
  // `path`, from the save folder, holding `data`, last written `minutesAgo`.
  void PutAt(const std::string& path, const Bytes& data, int minutesAgo) const {
    Put(path, data);
    const std::uint64_t ticks = static_cast<std::uint64_t>(now_ - minutesAgo * 60) * kTicksPerSecond + kUnixEpochTicks;
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    ck::UniqueFile file(
        ::CreateFileA((folder_ + path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file && ::SetFileTime(file.get(), nullptr, nullptr, &time)) << path;
  }
  // A history archive of `character`'s, made `minutesAgo`: its path.
  std::string PutHistory(const std::string& character, const Bytes& data, int minutesAgo) const {
    const std::string history = ck::HistoryFolder(folder_, character);
    ::CreateDirectoryA((folder_ + ck::kHistoryFolder).c_str(), nullptr);
    ::CreateDirectoryA(history.c_str(), nullptr);
    const std::int64_t made = now_ - minutesAgo * 60;
    const std::string path = history.substr(folder_.size()) +
                             ck::HistoryName(character, made, ck::Win32FileSystem().UtcOffsetMinutes(made));
    PutAt(path, data, minutesAgo);
    return path;
  }
  std::string Made(int minutesAgo) const {
    return ck::LocalDateTimeText(static_cast<std::uint64_t>(now_ - minutesAgo * 60) * kTicksPerSecond + kUnixEpochTicks,
                                 ck::Seconds::Hidden);
  }

  // Bob's slots, kept, before-death and history archives, Hélène's slot,
  // and Cain, who has a history alone.
  void Lay() {
    Put("Bob.d2s", ck::testing::StatedSave("Bob", 31));
    PutAt("Bob1.zip", Archive("Bob", 30), 10);
    PutAt("Bob2.zip", Archive("Bob", 29), 40);
    history_ = PutHistory("Bob", Archive("Bob", 27, 0x2C), 120);  // hardcore, dead
    PutAt("Bob-before-death-20261201-100000.zip", Archive("Bob", 28, 0x28, true), 180);
    PutHistory("Bob", Archive("Bob", 20), 60 * 24 * 3);
    PutAt("Bob-kept-20261201-100000.zip", Archive("Bob", 12), 60 * 24 * 8);
    Put(kHelene + ".d2s", ck::testing::StatedSave(kHelene, 5));
    PutAt(kHelene + "1.zip", Archive(kHelene, 5), 5);
    PutHistory("Cain", Archive("Cain", 2), 60 * 24 * 20);
    Put("photos.zip", ck::testing::Text("not ours"));
  }

  // The history window, opened from the File menu with `selected` selected
  // in the main list; null when it is not open.
  HWND Open(const std::string& selected) {
    HWND list = Control(IDC_FILE1);
    ::SendMessageA(list, LB_SETCURSEL,
                   ::SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(selected.c_str())),
                   0);
    ::SendMessageA(form_->Handle(), WM_COMMAND, IDM_FILE_HISTORY, 0);
    return Window();
  }
  static BOOL CALLBACK FindRows(HWND h, LPARAM into) {
    if (::IsWindowVisible(h) && ::GetDlgItem(h, IDC_STATES)) *reinterpret_cast<HWND*>(into) = h;
    return TRUE;
  }
  static HWND Window() {
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindRows, reinterpret_cast<LPARAM>(&found));
    return found;
  }
  // The messages of the window's loop, until `done` or 10 s have passed.
  template <typename Done>
  bool PumpUntil(Done done) {
    for (const ULONGLONG end = ::GetTickCount64() + 10000; !done(); ) {
      if (::GetTickCount64() > end) return false;
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      for (MSG msg; ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) {
        if (!form_->TranslateDialogKeys(msg)) ::DispatchMessageA(&msg);
      }
    }
    return true;
  }
  static std::vector<std::vector<std::string>> Rows(HWND window) {
    HWND list = ::GetDlgItem(window, IDC_STATES);
    std::vector<std::vector<std::string>> rows;
    for (int row = 0; row < ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); ++row) {
      rows.emplace_back();
      for (int column = 0; column < 4; ++column) {
        char text[256] = {};
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        rows.back().emplace_back(text);
      }
    }
    return rows;
  }
  // The rows once every archive in them is read.
  std::vector<std::vector<std::string>> ReadRows(HWND window) {
    std::vector<std::vector<std::string>> rows;
    EXPECT_TRUE(PumpUntil([&] {
      rows = Rows(window);
      return !rows.empty() && std::all_of(rows.begin(), rows.end(), [](const auto& r) { return !r[1].empty(); });
    }));
    return rows;
  }
  static std::vector<std::string> Characters(HWND window) {
    HWND combo = ::GetDlgItem(window, IDC_CHARACTERS);
    std::vector<std::string> names;
    for (int i = 0; i < ::SendMessageA(combo, CB_GETCOUNT, 0, 0); ++i) {
      char name[64] = {};
      ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
      names.emplace_back(name);
    }
    return names;
  }
  static std::string Chosen(HWND window) {
    char name[64] = {};
    ::GetDlgItemTextA(window, IDC_CHARACTERS, name, sizeof name);
    return name;
  }
  static void Select(HWND window, int row) {
    HWND list = ::GetDlgItem(window, IDC_STATES);
    LVITEMA item{};
    item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    ::SetFocus(list);
  }

  std::int64_t now_ = 0;
  std::string history_;  // Bob's history archive made two hours ago
};

TEST_F(HistoryWindowTest, EveryArchiveOfTheCharacterNewestFirstWithWhatKeepsItAndEachCharacterInTheDropDown) {
  Lay();
  Start();
  HWND window = Open(kHelene + "1.zip");
  ASSERT_TRUE(window);
  // Hélène's, as her archive was selected; every character with an archive.
  EXPECT_EQ(Chosen(window), kHelene);
  EXPECT_EQ(Characters(window), (std::vector<std::string>{"Bob", "Cain", kHelene}));
  EXPECT_EQ(ReadRows(window), (std::vector<std::vector<std::string>>{{Made(5), "5", "", "newest"}}));
  char caption[64] = {};
  ::GetWindowTextA(window, caption, sizeof caption);
  EXPECT_EQ(caption, "History of " + kHelene);

  // Opened again for another's archive: the one window, on that one.
  EXPECT_EQ(Open("Bob2.zip"), window);
  EXPECT_EQ(Chosen(window), "Bob");
  EXPECT_EQ(ReadRows(window), (std::vector<std::vector<std::string>>{
                                  {Made(10), "30", "", "newest"},
                                  {Made(40), "29", "", "newest"},
                                  {Made(120), "27", "dead", "hourly"},
                                  {Made(180), "28", "corpse", "before death"},
                                  {Made(60 * 24 * 3), "20", "", "hourly"},
                                  {Made(60 * 24 * 8), "12", "", "kept"},
                              }));
  // Another character from the drop-down, by its keys.
  HWND combo = ::GetDlgItem(window, IDC_CHARACTERS);
  ::SendMessageA(combo, CB_SETCURSEL, 1, 0);
  ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_CHARACTERS, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(ReadRows(window), (std::vector<std::vector<std::string>>{{Made(60 * 24 * 20), "2", "", "hourly"}}));

  // Esc closes it.
  ::SetFocus(::GetDlgItem(window, IDC_STATES));
  Press(VK_ESCAPE);
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(window); }));
}

// Enter on a row asks the main window's question for that archive; No
// leaves everything, Yes restores from the history, the files before kept
// in the save folder; Ctrl+K keeps a row's archive out of the rotation.
// One question at a time, whichever window asks it.
TEST_F(HistoryWindowTest, EnterOnARowAsksForThatArchiveAndCtrlKKeepsIt) {
  Lay();
  Start();
  // With nothing selected, the first character's.
  HWND window = Open("none");
  ASSERT_EQ(Chosen(window), "Bob");
  ASSERT_EQ(ReadRows(window).size(), 6u);
  const Bytes was = Get("Bob.d2s");
  const std::string name = history_.substr(history_.find_last_of('\\') + 1);
  int answer = IDNO, asked = 0;
  HWND list = Control(IDC_FILE1);
  ::SendMessageA(list, LB_SETCURSEL, ::SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                    reinterpret_cast<LPARAM>("Bob1.zip")), 0);
  ck::testing::BoxAnswers answers([&](const std::string&) {
    // The main list stays usable meanwhile: its double click asks nothing
    // while this question is open.
    if (++asked == 1) {
      ::PostMessageA(form_->Handle(), WM_COMMAND, MAKEWPARAM(IDC_FILE1, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    }
    return answer;
  });
  Select(window, 2);
  Press(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return answers.seen.size() >= 1; }));
  ASSERT_EQ(answers.seen.size(), 1u);
  EXPECT_EQ(answers.seen[0].substr(0, 17 + name.size() + 7), "Restore Bob from " + name + ", made ") << answers.seen[0];
  EXPECT_NE(answers.seen[0].find("(level 27, dead)?\nBob is now level 31."), std::string::npos) << answers.seen[0];
  EXPECT_EQ(Get("Bob.d2s"), was);

  answer = IDYES;
  Select(window, 2);
  Press(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return answers.seen.size() == 2; }));
  EXPECT_EQ(Status().substr(0, 18 + name.size() + 4), "Restored Bob from " + name + " at ") << Status();
  EXPECT_EQ(Get("Bob.d2s"), ck::testing::StatedSave("Bob", 27, 0x2C));
  ck::Win32FileSystem files;
  const auto before = ck::ListExactly(files, folder_, "Bob-before-restore-*.zip");
  ASSERT_EQ(before.size(), 1u);
  EXPECT_TRUE(Exists(history_));
  // The window shows it at once, as the newest row.
  const auto rows = ReadRows(window);
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(rows[0].begin() + 1, rows[0].end()),
            (std::vector<std::string>{"31", "", "before restore"}));

  // Tab goes round the buttons, the drop-down and the rows, pressing none.
  Select(window, 3);
  std::vector<int> reached;
  for (int i = 0; i < 5; ++i) {
    Press(VK_TAB);
    reached.push_back(::GetDlgCtrlID(::GetFocus()));
  }
  EXPECT_EQ(reached, (std::vector<int>{IDOK, IDC_KEEP, IDCANCEL, IDC_CHARACTERS, IDC_STATES}));
  // Ctrl+K on the history archive, now its fourth row.
  BYTE keys[256] = {};
  keys[VK_CONTROL] = 0x80;
  ::SetKeyboardState(keys);
  Press('K');
  keys[VK_CONTROL] = 0;
  ::SetKeyboardState(keys);
  const auto kept = ck::ListExactly(files, folder_, "Bob-kept-*.zip");
  ASSERT_EQ(kept.size(), 2u);
  const auto listed = ck::ListExactly(files, folder_ + history_.substr(0, history_.size() - name.size()), name);
  ASSERT_EQ(listed.size(), 1u);
  const std::string stamp = ck::NameStamp(listed[0].dosDate, listed[0].dosTime);
  EXPECT_TRUE(Exists("Bob-kept-" + stamp + ".zip")) << stamp;
  EXPECT_EQ(Get("Bob-kept-" + stamp + ".zip"), Get(history_));
  EXPECT_EQ(answers.seen.size(), 2u);  // nothing went wrong
  EXPECT_EQ(ReadRows(window).size(), 8u);
}

}  // namespace
