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

// An open key, closed through the same table that opened it.
class OpenKey {
 public:
  OpenKey(const RegistryApi& api, HKEY key) : api_(api), key_(key) {}
  ~OpenKey() { api_.CloseKey(key_); }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY get() const { return key_; }

 private:
  const RegistryApi& api_;
  HKEY key_;
};

}  // namespace ck
