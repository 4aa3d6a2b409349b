// The five advapi32 functions the registry accessor calls, reached through
// one table so that tests can record the calls or make them fail.
#pragma once

#include <windows.h>

namespace ck {

struct RegistryApi {
  decltype(&::RegOpenKeyExA) OpenKeyEx;
  decltype(&::RegQueryValueExA) QueryValueEx;
  decltype(&::RegCreateKeyExA) CreateKeyEx;
  decltype(&::RegSetValueExA) SetValueEx;
  decltype(&::RegCloseKey) CloseKey;

  // The real functions.
  static const RegistryApi& Advapi32();
};

}  // namespace ck
