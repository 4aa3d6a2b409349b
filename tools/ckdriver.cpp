// Drives the running Cairnkeep.exe from outside, as a user's tools would see
// it: finds its windows and reads them with messages. Prints JSON.
//
//   ckdriver find CLASS [TITLE] [TIMEOUT_MS] [hidden]   wait for a top-level window
//   ckdriver dump HWND                         the window and its controls
//   ckdriver command HWND ID                   post WM_COMMAND(ID) to a window
//   ckdriver post HWND MESSAGE [WPARAM]        post a message, by number or registered name
//   ckdriver send HWND MESSAGE [WPARAM]        the same, returning once the window has handled it
//   ckdriver running IMAGE [TIMEOUT_MS]        wait for a process whose image is the file IMAGE
//   ckdriver untray HWND                       remove the window's icon 1, as a shell that restarted
//   ckdriver tip HWND                          the tip of a status bar's first panel
//   ckdriver prop HWND NAME                    a window property's value, as a number
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "components/Win32UniqueHandle.h"

namespace {

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Wide(const char* utf8) {
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out.data(), n);
  out.resize(static_cast<std::size_t>(n > 0 ? n - 1 : 0));
  return out;
}

std::string Json(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

HWND ParseHwnd(const char* text) { return reinterpret_cast<HWND>(std::strtoull(text, nullptr, 0)); }

std::string Hex(HWND h) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(h)));
  return buf;
}

// WM_GETTEXT is marshalled between processes; the W form keeps every character.
std::string WindowText(HWND h) {
  std::wstring text(4096, L'\0');
  const auto n = ::SendMessageW(h, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(n));
  return Utf8(text);
}

std::string ClassOf(HWND h) {
  char name[128] = {};
  ::GetClassNameA(h, name, sizeof name);
  return name;
}

// Each row's text, and its item data: an owner-drawn list keeps there
// what it draws beside the text.
std::string ListBoxJson(HWND list) {
  std::string out = ",\"items\":[", data = ",\"itemData\":[";
  const auto count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (int i = 0; i < count; ++i) {
    std::wstring item(static_cast<std::size_t>(::SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    const auto n = ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()));
    item.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    out += (i ? "," : "") + Json(Utf8(item));
    data += (i ? "," : "") + std::to_string(::SendMessageW(list, LB_GETITEMDATA, i, 0));
  }
  return out + "]" + data + "]";
}

std::string RectJson(const RECT& r) {
  return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + "]";
}

int Dump(HWND w) {
  if (!::IsWindow(w)) return 1;
  RECT window, client;
  ::GetWindowRect(w, &window);
  ::GetClientRect(w, &client);
  POINT origin{0, 0};
  ::ClientToScreen(w, &origin);
  std::string out = "{\"hwnd\":" + Json(Hex(w)) + ",\"class\":" + Json(ClassOf(w)) +
                    ",\"text\":" + Json(WindowText(w)) +
                    ",\"style\":" + std::to_string(::GetWindowLongW(w, GWL_STYLE)) +
                    ",\"visible\":" + (::IsWindowVisible(w) ? "true" : "false") +
                    ",\"iconic\":" + (::IsIconic(w) ? "true" : "false") +
                    ",\"zoomed\":" + (::IsZoomed(w) ? "true" : "false") + ",\"window\":" + RectJson(window) +
                    ",\"client\":" + RectJson(client) + ",\"client_origin\":[" + std::to_string(origin.x) + "," +
                    std::to_string(origin.y) + "],\"foreground\":" +
                    (::GetForegroundWindow() == w ? "true" : "false") + ",\"controls\":[";
  bool first = true;
  for (HWND c = ::GetWindow(w, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    RECT r;
    ::GetWindowRect(c, &r);
    ::MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
    const std::string cls = ClassOf(c);
    out += std::string(first ? "" : ",") + "{\"hwnd\":" + Json(Hex(c)) +
           ",\"id\":" + std::to_string(::GetDlgCtrlID(c)) + ",\"class\":" + Json(cls) +
           ",\"text\":" + Json(WindowText(c)) + ",\"rect\":" + RectJson(r) +
           ",\"visible\":" + (::IsWindowVisible(c) ? "true" : "false");
    if (_stricmp(cls.c_str(), "ListBox") == 0) out += ListBoxJson(c);
    out += "}";
    first = false;
  }
  std::printf("%s]}\n", out.c_str());
  return 0;
}

struct FindRequest {
  std::wstring className;
  std::wstring title;
  bool anyTitle;
  bool hiddenToo;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND h, LPARAM param) {
  auto* request = reinterpret_cast<FindRequest*>(param);
  wchar_t cls[128] = {};
  ::GetClassNameW(h, cls, 128);
  if (_wcsicmp(cls, request->className.c_str()) != 0 || !(request->hiddenToo || ::IsWindowVisible(h))) return TRUE;
  if (!request->anyTitle) {
    std::wstring text(512, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(h, text.data(), 512)));
    if (text != request->title) return TRUE;
  }
  request->found = h;
  return FALSE;
}

HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs, bool hiddenToo = false) {
  FindRequest request{Wide(className), title ? Wide(title) : L"", title == nullptr, hiddenToo, nullptr};
  const DWORD start = ::GetTickCount();
  for (;;) {
    ::EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&request));
    if (request.found || ::GetTickCount() - start > timeoutMs) return request.found;
    ::Sleep(50);
  }
}

bool Running(const char* image) {
  const ck::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
    if (_stricmp(entry.szExeFile, image) == 0) return true;
  }
  return false;
}

UINT MessageNumber(const char* text) {
  char* end = nullptr;
  const UINT message = std::strtoul(text, &end, 0);
  return *end ? ::RegisterWindowMessageA(text) : message;
}

// The status bar writes the tip into memory of its own process: the buffer
// is made there.
int PrintStatusTip(HWND bar) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(bar, &pid);
  const ck::UniqueKernelHandle process(
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
  if (!process) return 1;
  constexpr WORD kUnits = 1024;
  void* remote = ::VirtualAllocEx(process.get(), nullptr, kUnits * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE);
  if (!remote) return 1;
  std::wstring tip(kUnits, L'\0');
  DWORD_PTR ignored = 0;
  const bool read =
      ::SendMessageTimeoutW(bar, SB_GETTIPTEXTW, MAKEWPARAM(0, kUnits), reinterpret_cast<LPARAM>(remote), SMTO_NORMAL,
                            30000, &ignored) &&
      ::ReadProcessMemory(process.get(), remote, tip.data(), kUnits * sizeof(wchar_t), nullptr);
  ::VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
  if (!read) return 1;
  tip.resize(tip.find(L'\0') == std::wstring::npos ? tip.size() : tip.find(L'\0'));
  std::printf("%s\n", Utf8(tip).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string verb = argv[1];
  if (verb == "find" && argc >= 3) {
    const char* title = argc >= 4 && argv[3][0] ? argv[3] : nullptr;
    const DWORD timeout = argc >= 5 ? std::strtoul(argv[4], nullptr, 10) : 10000;
    HWND h = WaitForWindow(argv[2], title, timeout, argc >= 6 && std::string(argv[5]) == "hidden");
    if (!h) return 1;
    std::printf("%s\n", Hex(h).c_str());
    return 0;
  }
  if (verb == "dump" && argc == 3) return Dump(ParseHwnd(argv[2]));
  if (verb == "command" && argc == 4) {
    return ::PostMessageW(ParseHwnd(argv[2]), WM_COMMAND, std::strtoul(argv[3], nullptr, 0), 0) ? 0 : 1;
  }
  if (verb == "untray" && argc == 3) {
    NOTIFYICONDATAW icon{};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = ParseHwnd(argv[2]);
    icon.uID = 1;
    return ::Shell_NotifyIconW(NIM_DELETE, &icon) ? 0 : 1;
  }
  if ((verb == "post" || verb == "send") && argc >= 4) {
    const UINT message = MessageNumber(argv[3]);
    const WPARAM wParam = argc >= 5 ? std::strtoull(argv[4], nullptr, 0) : 0;
    if (verb == "post") return ::PostMessageW(ParseHwnd(argv[2]), message, wParam, 0) ? 0 : 1;
    // A window busy for a moment is waited for, not taken for hung.
    DWORD_PTR result = 0;
    if (::SendMessageTimeoutW(ParseHwnd(argv[2]), message, wParam, 0, SMTO_NORMAL, 30000, &result)) return 0;
    std::fprintf(stderr, "SendMessageTimeout failed: error %lu\n", ::GetLastError());
    return 1;
  }
  if (verb == "tip" && argc == 3) return PrintStatusTip(ParseHwnd(argv[2]));
  if (verb == "prop" && argc == 4) {
    std::printf("%llu\n", static_cast<unsigned long long>(
                               reinterpret_cast<UINT_PTR>(::GetPropW(ParseHwnd(argv[2]), Wide(argv[3]).c_str()))));
    return 0;
  }
  if (verb == "running" && argc >= 3) {
    const DWORD timeout = argc >= 4 ? std::strtoul(argv[3], nullptr, 10) : 10000;
    for (const DWORD start = ::GetTickCount(); !Running(argv[2]); ::Sleep(50)) {
      if (::GetTickCount() - start > timeout) return 1;
    }
    return 0;
  }
  return 2;
}
