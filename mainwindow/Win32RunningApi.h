// Which programs run goes through this one table, so that tests can make the
// game seem to run, or the listing fail.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "components/Win32UniqueHandle.h"

namespace ck {

struct RunningApi {
  // The image of every running process: its full path, or its file name
  // where the full path cannot be read (a process of another user, or a
  // protected one). False when the processes cannot be listed.
  bool (*Images)(std::vector<std::string>& images);

  static bool SnapshotImages(std::vector<std::string>& images) {
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
      char path[MAX_PATH];
      DWORD size = MAX_PATH;
      const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
      const bool full = process && ::QueryFullProcessImageNameA(process.get(), 0, path, &size);
      images.push_back(full ? path : entry.szExeFile);
    }
    return true;
  }

  static const RunningApi& Toolhelp32() {
    static const RunningApi api{&SnapshotImages};
    return api;
  }
};

}  // namespace ck
