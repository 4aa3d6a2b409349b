// One backup pass of the real Win32 archiver over a folder, timed from inside
// the process (under Wine, timing the launcher would mostly measure Wine);
// or the real main window driven through many passes, and its memory after;
// or the window's pass, list refresh included, when no character changed;
// or the window's pass when one character saved, as the watch starts it;
// or the archive list's reading of a folder's archives, and its refresh;
// or a pass that writes one character over a slot the history keeps, with
// 100 history archives and without;
// or the history window over 200 archives of one character: its first
// reading, and its refresh.
//   win32_pass FOLDER
//   win32_pass --window FOLDER PASSES
//   win32_pass --unchanged FOLDER
//   win32_pass --one-saved FOLDER
//   win32_pass --list FOLDER
//   win32_pass --history FOLDER
//   win32_pass --history-window FOLDER
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "components/ArchiveNames.h"
#include "components/FolderPrefix.h"
#include "components/History.h"
#include "components/SaveCheck.h"
#include "components/Win32FileSystem.h"
#include "history/frmHistory.h"
#include "mainwindow/BackupPass.h"
#include "mainwindow/frmMain.h"

namespace {

// Every character played on since the last pass, so that each pass
// compares and writes them all rather than finding them unchanged.
void PlayEveryone(ck::Win32FileSystem& files, const std::string& folder) {
  for (const ck::FileInfo& key : ck::ListExactly(files, folder, "*.key")) {
    ck::Bytes data;
    ck::FileStamp before, after;
    if (files.ReadWhole(folder + key.name, data, before, after, UINT64_MAX) != ck::ReadStatus::Ok || data.empty()) {
      continue;
    }
    data[0] ^= 1;
    files.WriteFlushed(folder + key.name, data);
  }
}

int TimePasses(const char* saveDir) {
  ck::Win32FileSystem files;
  ck::CharacterTable table;
  ck::PassMemory written;
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  std::vector<double> times;
  const std::string folder = ck::FolderPrefix(saveDir);
  for (int run = 0; run < 7; ++run) {
    PlayEveryone(files, folder);
    ::QueryPerformanceCounter(&start);
    const auto pass = ck::RunBackupPass(files, saveDir, 10, table, written);
    ::QueryPerformanceCounter(&end);
    if (!pass || !pass->notSaved.empty()) {
      std::fprintf(stderr, "pass failed\n");
      return 1;
    }
    times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
  }
  std::sort(times.begin(), times.end());
  std::printf("Win32 archiver under Wine, %zu characters: median %.2f ms\n", table.SaveCount(), times[times.size() / 2]);
  return 0;
}

// An hour at every read: every tick finds a pass due.
std::uint64_t RacingClock() {
  static std::uint64_t now = 0;
  return now += 3600001;
}

double PrivateMegabytes() {
  PROCESS_MEMORY_COUNTERS_EX memory{};
  ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  // Wine leaves PrivateUsage 0; the commit charge is the same figure.
  return static_cast<double>(memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage) / (1 << 20);
}

// The main window on `saveDir`, as the game's registry values point it there.
bool OpenWindow(ck::frmMain& form, const char* saveDir) {
  HKEY key;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Blizzard Entertainment\\Diablo II", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  ::RegSetValueExA(key, "Save Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(saveDir),
                   static_cast<DWORD>(std::strlen(saveDir) + 1));
  ::RegSetValueExA(key, "Program", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\Game.exe"), 12);
  ::RegCloseKey(key);
  if (!form.Create()) return false;
  form.Load();
  form.Show(SW_SHOWNORMAL);
  return true;
}

// One tick that finds a pass due: the pass and the list's refresh, timed;
// then what they posted, painting among it, which happens after.
double Tick(const ck::frmMain& form) {
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  ::SendMessageA(form.Handle(), WM_TIMER, ck::Id(ck::TimerId::Tick), 0);
  ::QueryPerformanceCounter(&end);
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
  return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int WindowPasses(const char* saveDir, int passes) {
  ck::frmMain form(::GetModuleHandleA(nullptr), ck::RegistryApi::Advapi32(), &RacingClock);
  if (!OpenWindow(form, saveDir)) return 1;
  ck::Win32FileSystem files;
  double first = 0;
  for (int pass = 1; pass <= passes; ++pass) {
    PlayEveryone(files, ck::FolderPrefix(saveDir));
    Tick(form);
    if (pass == 1) first = PrivateMegabytes();
  }
  std::printf("Main window after 1 and %d passes: private bytes %.2f MB and %.2f MB\n", passes, first,
              PrivateMegabytes());
  return 0;
}

// Every file last written a minute ago, as a pass minutes after the game
// saved finds them.
void SaveAMinuteAgo(ck::Win32FileSystem& files, const std::string& folder) {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  const std::uint64_t ago = ((std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime) - 600000000ull;
  const FILETIME minuteAgo{static_cast<DWORD>(ago), static_cast<DWORD>(ago >> 32)};
  for (const ck::FileInfo& f : files.List(folder, "*", false)) {
    ck::UniqueFile file(::CreateFileA((folder + f.name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                      0, nullptr));
    ::SetFileTime(file.get(), nullptr, nullptr, &minuteAgo);
  }
}

// The pass a player meets most: nothing changed since the last one.
int UnchangedPasses(const char* saveDir) {
  ck::frmMain form(::GetModuleHandleA(nullptr), ck::RegistryApi::Advapi32(), &RacingClock);
  ck::Win32FileSystem files;
  SaveAMinuteAgo(files, ck::FolderPrefix(saveDir));
  if (!OpenWindow(form, saveDir)) return 1;
  Tick(form);  // writes everyone once
  std::vector<double> times;
  for (int run = 0; run < 7; ++run) times.push_back(Tick(form));
  std::sort(times.begin(), times.end());
  const auto characters = ck::ListExactly(files, ck::FolderPrefix(saveDir), "*.d2s");
  std::printf("Main window's pass under Wine, %zu characters, none changed, list refresh included: median %.2f ms\n",
              characters.size(), times[times.size() / 2]);
  return 0;
}

// A clock the bench moves itself.
std::uint64_t manualNow = 0;
std::uint64_t ManualClock() { return manualNow; }

// The pass a save starts: one character's save written anew, valid, the
// others as a minute ago; every file reads whole at the first try. The
// watch sees the save, and the tick that finds its quiet period over runs
// the pass: that tick is timed.
int OneSavedPasses(const char* saveDir) {
  ck::frmMain form(::GetModuleHandleA(nullptr), ck::RegistryApi::Advapi32(), &ManualClock);
  ck::Win32FileSystem files;
  const std::string folder = ck::FolderPrefix(saveDir);
  SaveAMinuteAgo(files, folder);
  if (!OpenWindow(form, saveDir)) return 1;
  const auto passes = [&] {
    return reinterpret_cast<UINT_PTR>(::GetPropA(form.Handle(), ck::frmMain::kPassesProperty));
  };
  manualNow += 180000;
  Tick(form);  // the interval's pass: writes everyone once
  const auto characters = ck::ListExactly(files, folder, "*.d2s");
  if (characters.empty() || passes() != 1) return 1;
  const std::string save = folder + characters.front().name;
  std::vector<double> times;
  for (int run = 0; run < 7; ++run) {
    ck::Bytes data;
    ck::FileStamp before, after;
    if (files.ReadWhole(save, data, before, after, UINT64_MAX) != ck::ReadStatus::Ok || data.size() < 0x34) return 1;
    ++data[0x30];  // the time last played, as each save moves it; then summed again
    const std::uint32_t sum = ck::SaveChecksum(data.data(), data.size());
    for (int b = 0; b < 4; ++b) data[12 + b] = static_cast<std::uint8_t>(sum >> (8 * b));
    files.WriteFlushed(save, data);
    const UINT_PTR ran = passes();
    for (int tick = 0; passes() == ran; ++tick) {
      if (tick > 2000) return 1;  // no notice in 10 s
      ::Sleep(5);
      manualNow += 100;
      const double ms = Tick(form);
      if (passes() != ran) times.push_back(ms);
    }
  }
  std::sort(times.begin(), times.end());
  std::printf("Main window's pass under Wine, %zu characters, one saved, as its notice starts it, list refresh "
              "included: median %.2f ms\n",
              characters.size(), times[times.size() / 2]);
  return 0;
}

// The list after start-up reads each archive once, from its timer; a refresh
// that finds nothing changed reads none.
int ListRefreshes(const char* saveDir) {
  ck::frmMain form(::GetModuleHandleA(nullptr), ck::RegistryApi::Advapi32(), &RacingClock);
  if (!OpenWindow(form, saveDir)) return 1;
  ck::ArchiveList& list = form.Archives();
  ck::Win32FileSystem files;
  const std::size_t count = ck::ListExactly(files, ck::FolderPrefix(saveDir), ck::kArchivePattern).size();
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  const auto ms = [&] {
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  };
  ::QueryPerformanceCounter(&start);
  while (static_cast<std::size_t>(list.Catalog().Reads()) < count) list.OnReadTimer();
  ::QueryPerformanceCounter(&end);
  std::printf("Archive list, first reading of %zu archives under Wine: %d reads, %.0f ms in all (in slices of %d ms "
              "between the window's messages)\n",
              count, list.Catalog().Reads(), ms(), static_cast<int>(ck::kReadSliceMs));
  const int reads = list.Catalog().Reads();
  std::vector<double> times;
  for (int run = 0; run < 7; ++run) {
    ::QueryPerformanceCounter(&start);
    list.Refresh(ck::FolderPrefix(saveDir));
    ::QueryPerformanceCounter(&end);
    times.push_back(ms());
  }
  std::sort(times.begin(), times.end());
  std::printf("Archive list, refresh of %zu archives, none changed: median %.2f ms, %d archives read\n", count,
              times[times.size() / 2], list.Catalog().Reads() - reads);
  return 0;
}

// Dates `path` `unixTime`.
void DateFile(const std::string& path, std::int64_t unixTime) {
  const std::uint64_t ticks = static_cast<std::uint64_t>(unixTime + 11644473600LL) * 10000000ull;
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  ck::UniqueFile file(
      ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ::SetFileTime(file.get(), nullptr, nullptr, &time);
}

// A character's ten slots, as an evening of play leaves them: the oldest
// alone in an hour of its own, the others five minutes apart in the hour
// before this one, each holding `archive`; so the pass's own state opens
// an hour. With `history`, the history a
// year of play leaves beside them: of candidates an hour, a day and a week
// apart, those the rule keeps, so that the next pass lets go only what its
// own state pushes out.
void Lay(ck::Win32FileSystem& files, const std::string& folder, const std::string& name, const ck::Bytes& archive,
         std::int64_t now, bool history) {
  std::vector<ck::StateTime> states;
  const std::int64_t hour = now - now % 3600;
  for (int slot = 1; slot <= 10; ++slot) {
    const std::int64_t made = slot == 1 ? hour - 9000 : hour - 1 - (10 - slot) * 300;
    files.WriteFlushed(folder + ck::SlotName(name, slot), archive);
    DateFile(folder + ck::SlotName(name, slot), made);
    states.push_back({made, files.UtcOffsetMinutes(made), true});
  }
  const std::string own = ck::HistoryFolder(folder, name);
  for (const ck::FileInfo& f : ck::ListExactly(files, own, "*.zip", true)) files.Remove(own + f.name);
  if (!history) return;
  files.MakeFolder(folder + ck::kHistoryFolder);
  files.MakeFolder(own.substr(0, own.size() - 1));
  for (int h = 3; h <= 30; ++h) states.push_back({hour - h * 3600 - 600, 0});
  for (int day = 1; day <= 40; ++day) states.push_back({hour - day * 86400 - 1800, 0});
  for (int week = 5; week <= 60; ++week) states.push_back({hour - week * 7 * 86400 - 2400, 0});
  for (std::size_t i = 10; i < states.size(); ++i) states[i].offsetMinutes = files.UtcOffsetMinutes(states[i].unixTime);
  const std::vector<ck::KeptBy> kept = ck::KeptByAge(states, now);
  for (std::size_t i = 10; i < states.size(); ++i) {
    if (kept[i] == ck::KeptBy::Nothing) continue;
    files.WriteFlushed(own + ck::HistoryName(name, states[i].unixTime, states[i].offsetMinutes), archive);
  }
}

// The pass that writes one character, the first, over its oldest slot,
// whose state the history keeps: it moves that archive and thins; beside
// the same pass over the same slots with no history, run by turns. The
// other characters are unchanged, with as much history each.
int HistoryPasses(const char* saveDir) {
  ck::Win32FileSystem files;
  const std::string folder = ck::FolderPrefix(saveDir);
  ck::CharacterTable table;
  ck::PassMemory memory;
  if (!ck::RunBackupPass(files, saveDir, 10, table, memory) || table.SaveNames.empty()) return 1;
  const std::int64_t now = files.ReadClocks().unixTime;
  std::vector<ck::Bytes> archives;
  for (const std::string& name : table.SaveNames) {
    ck::Bytes archive;
    ck::FileStamp before, after;
    files.ReadWhole(folder + ck::SlotName(name, 1), archive, before, after, UINT64_MAX);
    archives.push_back(archive);
  }
  const std::string played = table.SaveNames.front();
  const std::string key = folder + played + ".key";
  ck::Bytes keys;
  ck::FileStamp before, after;
  if (files.ReadWhole(key, keys, before, after, UINT64_MAX) != ck::ReadStatus::Ok || keys.empty()) return 1;
  keys[0] ^= 1;
  const std::string own = ck::HistoryFolder(folder, played);
  std::vector<double> times[2];
  std::size_t laid = 0, left = 0;
  for (int run = 0; run < 14; ++run) {
    const bool history = run % 2 == 1;
    for (std::size_t i = 0; i < table.SaveNames.size(); ++i) {
      if (i == 0 || run < 2) Lay(files, folder, table.SaveNames[i], archives[i], now, history);
    }
    if (history) laid = ck::ListExactly(files, own, "*.zip", true).size();
    files.WriteFlushed(key, keys);
    ck::PassMemory fresh;
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    const auto pass = ck::RunBackupPass(files, saveDir, 10, table, fresh);
    ::QueryPerformanceCounter(&end);
    if (!pass || pass->saved != std::vector<std::string>{played}) {
      std::fprintf(stderr, "pass failed\n");
      return 1;
    }
    if (history) left = ck::ListExactly(files, own, "*.zip", true).size();
    times[history].push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                             static_cast<double>(frequency.QuadPart));
  }
  for (auto& t : times) std::sort(t.begin(), t.end());
  const double with = times[1][times[1].size() / 2], without = times[0][times[0].size() / 2];
  std::printf("Pass under Wine, %zu characters, one written over a slot its history keeps: median %.2f ms with %zu "
              "history archives (%zu after it moved one in and thinned), %.2f ms with none: %.2f times\n",
              table.SaveCount(), with, laid, left, without, with / without);
  return 0;
}

// What the history window asks of the main window, which is not there.
struct NoCommands : ck::ArchiveCommands {
  explicit NoCommands(std::string folder) : folder(std::move(folder)) {}
  void RestoreFrom(const std::string&, HWND) override {}
  void Keep(const std::string&, HWND) override {}
  std::string SaveFolder() const override { return folder; }
  int SlotsKept() const override { return 10; }
  std::string folder;
};

// One character's ten slots and 190 history archives, three hours apart:
// the window shows at once, reads each archive once from its timer, and a
// refresh that finds nothing changed reads none.
int HistoryWindow(const char* saveDir) {
  ck::Win32FileSystem files;
  const std::string folder = ck::FolderPrefix(saveDir);
  ck::CharacterTable table;
  ck::PassMemory memory;
  if (!ck::RunBackupPass(files, saveDir, 10, table, memory) || table.SaveNames.empty()) return 1;
  const std::string name = table.SaveNames.front();
  ck::Bytes archive;
  ck::FileStamp before, after;
  files.ReadWhole(folder + ck::SlotName(name, 1), archive, before, after, UINT64_MAX);
  const std::int64_t now = files.ReadClocks().unixTime;
  Lay(files, folder, name, archive, now, false);
  const std::string own = ck::HistoryFolder(folder, name);
  files.MakeFolder(folder + ck::kHistoryFolder);
  files.MakeFolder(own.substr(0, own.size() - 1));
  for (int i = 1; i <= 190; ++i) {
    const std::int64_t made = now - 7200 - i * 3 * 3600;
    files.WriteFlushed(own + ck::HistoryName(name, made, files.UtcOffsetMinutes(made)), archive);
  }
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  NoCommands commands(folder);
  ck::frmHistory window(::GetModuleHandleA(nullptr), files, commands);
  LARGE_INTEGER frequency, start, shown, end;
  ::QueryPerformanceFrequency(&frequency);
  const auto ms = [&](const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
  };
  ::QueryPerformanceCounter(&start);
  window.ShowFor(nullptr, ck::SlotName(name, 1));
  ::QueryPerformanceCounter(&shown);
  const std::size_t count = window.Rows().size();
  MSG msg;
  while (static_cast<std::size_t>(window.Catalog().Reads()) < count) {
    if (::GetMessageA(&msg, nullptr, 0, 0) <= 0) return 1;
    ::DispatchMessageA(&msg);
  }
  ::QueryPerformanceCounter(&end);
  std::printf("History window, %zu archives of one character under Wine: shown in %.0f ms, first reading %d reads, "
              "%.0f ms in all (in slices between the window's messages)\n",
              count, ms(start, shown), window.Catalog().Reads(), ms(start, end));
  const int reads = window.Catalog().Reads();
  std::vector<double> times;
  for (int run = 0; run < 7; ++run) {
    ::QueryPerformanceCounter(&start);
    window.Refresh();
    ::QueryPerformanceCounter(&end);
    times.push_back(ms(start, end));
  }
  std::sort(times.begin(), times.end());
  std::printf("History window, refresh of %zu archives, none changed: median %.2f ms, %d archives read\n", count,
              times[times.size() / 2], window.Catalog().Reads() - reads);
  return count == 200 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2) return TimePasses(argv[1]);
  if (argc == 4 && std::string(argv[1]) == "--window") return WindowPasses(argv[2], std::atoi(argv[3]));
  if (argc == 3 && std::string(argv[1]) == "--unchanged") return UnchangedPasses(argv[2]);
  if (argc == 3 && std::string(argv[1]) == "--list") return ListRefreshes(argv[2]);
  if (argc == 3 && std::string(argv[1]) == "--one-saved") return OneSavedPasses(argv[2]);
  if (argc == 3 && std::string(argv[1]) == "--history") return HistoryPasses(argv[2]);
  if (argc == 3 && std::string(argv[1]) == "--history-window") return HistoryWindow(argv[2]);
  return 2;
}
