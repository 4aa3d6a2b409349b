// Starting a program goes through this one table, so that tests can see
// exactly what would be started, or make the start fail.
#pragma once

#include <windows.h>

namespace ck {

struct ProcessApi {
  decltype(&::CreateProcessA) CreateProcess;

  static const ProcessApi& Kernel32() {
    static const ProcessApi api{&::CreateProcessA};
    return api;
  }
};

}  // namespace ck
