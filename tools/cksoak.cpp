// The game's side of a soak, and a probe of the running program, in the
// same Wine prefix as Cairnkeep.exe. Prints one line of JSON.
//
//   cksoak game FOLDER SECONDS NAME...   write the characters' saves as the game does
//   cksoak probe                        handles, GDI and USER objects, private bytes
//   cksoak startup EXE                  milliseconds from process start to the main window shown
//   cksoak wait SECONDS                 a process that keeps the prefix up and does nothing
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "components/SaveCheck.h"
#include "components/Win32UniqueHandle.h"

namespace {

constexpr const char* kMainClass = "CairnkeepMain";

// A new valid save, as version 1.10 writes it: signature, version, size,
// checksum, name.
std::vector<std::uint8_t> NewSave(const std::string& name, std::mt19937& rng) {
  std::vector<std::uint8_t> save(335 + rng() % (0x2000 - 335));
  for (auto& b : save) b = static_cast<std::uint8_t>(rng());
  const std::uint32_t header[4] = {0xAA55AA55u, 0x60, static_cast<std::uint32_t>(save.size()), 0};
  std::memcpy(save.data(), header, sizeof header);
  std::memset(save.data() + 20, 0, 16);
  std::memcpy(save.data() + 20, name.data(), name.size() < 15 ? name.size() : 15);
  save[0x24] = 0x20;  // an expansion character who never dies: each pass keeps one archive of it, no more
  const std::uint32_t sum = ck::SaveChecksum(save.data(), save.size());
  std::memcpy(save.data() + 12, &sum, sizeof sum);
  return save;
}

// As the game: the C runtime's "wb" truncates, then one write, then close.
void WriteAsGame(const std::string& path, const std::vector<std::uint8_t>& data, const char* mode) {
  if (FILE* f = std::fopen(path.c_str(), mode)) {
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
  }
}

int Game(const std::string& folder, DWORD seconds, const std::vector<std::string>& names) {
  std::mt19937 rng(::GetCurrentProcessId());
  long saves = 0, appends = 0, holds = 0;
  const DWORD start = ::GetTickCount();
  for (unsigned i = 0; ::GetTickCount() - start < seconds * 1000; ++i) {
    // What it has done so far, a line a second or so, for whoever stops it.
    if (i % 50 == 0) {
      std::printf("{\"saves\":%ld,\"appends\":%ld,\"holds\":%ld}\n", saves, appends, holds);
      std::fflush(stdout);
    }
    const std::string& name = names[i % names.size()];
    WriteAsGame(folder + name + ".d2s", NewSave(name, rng), "wb");
    WriteAsGame(folder + name + ".ma0", std::vector<std::uint8_t>(16, static_cast<std::uint8_t>(i)), "ab");
    saves++, appends++;
    // Now and then the game holds a file for a moment, shared with nobody.
    if (rng() % 100 == 0) {
      const std::string held = folder + name + (rng() % 2 ? ".d2s" : ".ma0");
      ck::UniqueFile file(::CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
      if (file) holds++;
      ::Sleep(100 + rng() % 200);
    }
    ::Sleep(20);
  }
  return 0;
}

DWORD MainWindowProcess(DWORD timeoutMs, DWORD onlyPid = 0) {
  const DWORD start = ::GetTickCount();
  do {
    for (HWND w = ::FindWindowExA(nullptr, nullptr, kMainClass, nullptr); w;
         w = ::FindWindowExA(nullptr, w, kMainClass, nullptr)) {
      DWORD pid = 0;
      ::GetWindowThreadProcessId(w, &pid);
      if (!onlyPid || (pid == onlyPid && ::IsWindowVisible(w))) return pid;
    }
    ::Sleep(1);
  } while (::GetTickCount() - start < timeoutMs);
  return 0;
}

// Wine answers GetProcessHandleCount and GetGuiResources for another
// process with 0, and PrivateUsage too; where a count is 0, it is read the
// way Wine keeps it: the system's handle table, the process's own GDI
// handle table (its PEB points to it), its windows, and its commit charge.
struct SystemHandle {
  ULONG pid;
  BYTE type, flags;
  USHORT value;
  PVOID object;
  ACCESS_MASK access;
};

DWORD HandlesInSystemTable(DWORD pid) {
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  std::vector<std::uint8_t> buffer(1 << 20);
  ULONG size = 0;
  constexpr ULONG kSystemHandleInformation = 16;
  while (query && query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &size) != 0) {
    if (buffer.size() >= (64u << 20)) return 0;
    buffer.resize(buffer.size() * 2);
  }
  ULONG count = 0;
  std::memcpy(&count, buffer.data(), sizeof count);
  const auto* entries = reinterpret_cast<const SystemHandle*>(buffer.data() + sizeof(ULONG_PTR));
  DWORD mine = 0;
  for (ULONG i = 0; i < count; ++i) mine += entries[i].pid == pid;
  return mine;
}

DWORD GdiObjectsInTable(HANDLE process) {
  struct BasicInformation {
    LONG exitStatus;
    PVOID peb;
    ULONG_PTR rest[4];
  } basic{};
  using Query = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  if (!query || query(process, 0, &basic, sizeof basic, nullptr) != 0) return 0;
  constexpr std::size_t kTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;
  UINT_PTR table = 0;
  if (!::ReadProcessMemory(process, static_cast<BYTE*>(basic.peb) + kTableOffset, &table, sizeof table, nullptr) ||
      !table) {
    return 0;
  }
  struct Entry {
    std::uint64_t object;
    ULONG owner;
    USHORT unique;
    UCHAR type, flags;
    std::uint64_t user;
  };
  std::vector<Entry> entries(0x10000);
  if (!::ReadProcessMemory(process, reinterpret_cast<void*>(table), entries.data(), entries.size() * sizeof(Entry),
                           nullptr)) {
    return 0;
  }
  DWORD live = 0;
  for (const Entry& e : entries) live += e.type != 0;
  return live;
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<DWORD*>(count);
  return TRUE;
}

DWORD WindowsOf(DWORD pid) {
  DWORD count = 0;
  for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(w, &owner);
    if (owner != pid) continue;
    ++count;
    ::EnumChildWindows(w, &CountWindow, reinterpret_cast<LPARAM>(&count));
  }
  return count;
}

int Probe() {
  const DWORD pid = MainWindowProcess(5000);
  ck::UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!pid || !process) return 1;
  DWORD handles = 0;
  if (!::GetProcessHandleCount(process.get(), &handles) || !handles) handles = HandlesInSystemTable(pid);
  DWORD gdi = ::GetGuiResources(process.get(), GR_GDIOBJECTS);
  if (!gdi) gdi = GdiObjectsInTable(process.get());
  DWORD user = ::GetGuiResources(process.get(), GR_USEROBJECTS);
  if (!user) user = WindowsOf(pid);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  ::GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  const SIZE_T privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
  std::printf("{\"handles\":%lu,\"gdi\":%lu,\"user\":%lu,\"private\":%llu}\n", handles, gdi, user,
              static_cast<unsigned long long>(privateBytes));
  return 0;
}

int Startup(const char* exe) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::string command = std::string("\"") + exe + "\"";
  LARGE_INTEGER frequency, begin, shown;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&begin);
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return 1;
  }
  ck::UniqueKernelHandle process(info.hProcess), thread(info.hThread);
  const bool found = MainWindowProcess(20000, info.dwProcessId) != 0;
  ::QueryPerformanceCounter(&shown);
  ::TerminateProcess(process.get(), 0);
  if (!found) return 1;
  std::printf("{\"startup_ms\":%.1f}\n", 1000.0 * static_cast<double>(shown.QuadPart - begin.QuadPart) /
                                            static_cast<double>(frequency.QuadPart));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string verb = argc > 1 ? argv[1] : "";
  if (verb == "game" && argc >= 5) return Game(argv[2], std::strtoul(argv[3], nullptr, 10), {argv + 4, argv + argc});
  if (verb == "probe" && argc == 2) return Probe();
  if (verb == "startup" && argc == 3) return Startup(argv[2]);
  if (verb == "wait" && argc == 3) {
    ::Sleep(std::strtoul(argv[2], nullptr, 10) * 1000);
    return 0;
  }
  std::fprintf(stderr, "usage: cksoak game FOLDER SECONDS NAME... | probe | startup EXE | wait SECONDS\n");
  return 2;
}
