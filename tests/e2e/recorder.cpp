// Stands in for the game in the end-to-end tests: appends how it was started
// (command line, show state, working folder) to record.txt beside itself.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring record = self;
  record = record.substr(0, record.find_last_of(L'\\') + 1) + L"record.txt";

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoW(&startup);
  wchar_t folder[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, folder);

  FILE* out = _wfopen(record.c_str(), L"a, ccs=UTF-8");
  if (!out) return 1;
  std::fwprintf(out, L"%ls\t%d\t%d\t%ls\n", ::GetCommandLineW(), static_cast<int>(startup.dwFlags),
                static_cast<int>(startup.wShowWindow), folder);
  std::fclose(out);
  return 0;
}
