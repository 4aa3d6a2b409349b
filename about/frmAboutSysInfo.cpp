// StartSysInfo and GetKeyValue: where the System Information tool is, read
// from two places of the machine's registry in a fixed order.
#include <algorithm>
#include <initializer_list>

#include "about/SystemFolder.h"
#include "about/frmAbout.h"
#include "resources/version.h"

namespace ck {
namespace {

// Place 1 holds the tool's full path, place 2 the folder it is in.
constexpr const char* kPathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

// A normal file: a hidden or system file, or a folder, of that name is not
// the tool.
bool IsNormalFile(const std::string& path) {
  WIN32_FIND_DATAA found{};
  const UniqueFind find(::FindFirstFileA(path.c_str(), &found));
  return find && found.cFileName[0] &&
         !(found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY));
}

// A path read from the 64-bit view may name the 64-bit system folder, which a
// 32-bit program on 64-bit Windows reaches only through the Sysnative alias.
std::string InView(const std::string& path, REGSAM view) {
  BOOL wow64 = FALSE;
  if (!(view & KEY_WOW64_64KEY) || !::IsWow64Process(::GetCurrentProcess(), &wow64) || !wow64) return path;
  char system[MAX_PATH], windows[MAX_PATH];
  if (!::GetSystemDirectoryA(system, MAX_PATH) || !::GetSystemWindowsDirectoryA(windows, MAX_PATH)) return path;
  return ThroughSysnative(path, system, windows);
}

}  // namespace

void frmAbout::StartSysInfo() {
  try {
    // The program's own view of the registry first. A 32-bit program on
    // 64-bit Windows sees only the 32-bit copy of SOFTWARE, and the tool may
    // be recorded only in the 64-bit one; for a 64-bit program the second
    // pass reads the same view again.
    for (const REGSAM view : {REGSAM{0}, REGSAM{KEY_WOW64_64KEY}}) {
      std::string ToolPath;
      if (!FindTool(view, ToolPath)) continue;
      // The path is the application name too, so that an unquoted path with
      // blanks is never tried piecewise (C:\Program.exe first). The command
      // line stays the bare path.
      if (processes_->Start(ToolPath.c_str(), ToolPath, nullptr, SW_SHOWNORMAL)) return;
      break;
    }
  } catch (...) {
    // Whatever failed, the user hears the one message below.
  }
  ::MessageBoxA(hwnd_, "System Information Is Unavailable At This Time", CK_TITLE, MB_OK);
}

bool frmAbout::FindTool(REGSAM view, std::string& ToolPath) const {
  // Place 1 is taken as it is, with no test that anything is there.
  if (GetKeyValue(*registry_, HKEY_LOCAL_MACHINE, kPathKey, "PATH", ToolPath, view)) {
    ToolPath = InView(ToolPath, view);
    return true;
  }
  if (!GetKeyValue(*registry_, HKEY_LOCAL_MACHINE, kFolderKey, "MSINFO", ToolPath, view)) return false;
  // The separator is added even after a trailing backslash.
  ToolPath = InView(ToolPath + "\\MSINFO32.EXE", view);
  return IsNormalFile(ToolPath);
}

bool frmAbout::GetKeyValue(const RegistryApi& registry, HKEY KeyRoot, const std::string& KeyName,
                           const std::string& SubKeyRef, std::string& KeyVal, REGSAM view) {
  HKEY raw = nullptr;
  // Read rights only: asking for write rights under HKEY_LOCAL_MACHINE would
  // hide the tool from every standard account.
  const bool opened = registry.OpenKeyEx(KeyRoot, KeyName.c_str(), 0, KEY_READ | view, &raw) == ERROR_SUCCESS;
  // Closed on every path, also after a failed open, with nothing to close.
  const OpenKey key(registry, opened ? raw : nullptr);
  char data[1024] = {};
  DWORD type = 0, size = sizeof data;
  // Longer data fails with ERROR_MORE_DATA and counts as missing.
  if (!opened || registry.QueryValueEx(key.get(), SubKeyRef.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS) {
    KeyVal.clear();
    return false;
  }
  // A last zero byte is the terminator, which RegQueryValueExA does not
  // promise; it goes, and only it.
  std::size_t n = std::min<std::size_t>(size, sizeof data);
  if (n > 0 && data[n - 1] == '\0') --n;
  if (type == REG_SZ) {
    KeyVal.assign(data, n);
  } else if (type == REG_DWORD) {
    // Little-endian: the most significant byte is the last one kept.
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = n; i-- > 0;) {
      const auto byte = static_cast<unsigned char>(data[i]);
      KeyVal += kHex[byte >> 4];
      KeyVal += kHex[byte & 0xF];
    }
    KeyVal.insert(0, "&h");
  }
  return true;
}

}  // namespace ck
