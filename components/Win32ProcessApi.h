// Starting a program goes through this one table, so that tests can see
// exactly what would be started, or make the start fail.
#pragma once

#include <windows.h>

#include <string>

#include "components/Win32UniqueHandle.h"

namespace ck {

struct ProcessApi {
  decltype(&::CreateProcessA) CreateProcess;

  // Starts a program without waiting for it, shown as `show` and inheriting
  // none of our handles. False when it could not be started.
  bool Start(const char* application, std::string commandLine, const char* folder, WORD show) const {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    PROCESS_INFORMATION started{};
    if (!CreateProcess(application, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                       &started)) {
      return false;
    }
    const UniqueKernelHandle process(started.hProcess), thread(started.hThread);
    return true;
  }

  static const ProcessApi& Kernel32() {
    static const ProcessApi api{&::CreateProcessA};
    return api;
  }
};

}  // namespace ck
