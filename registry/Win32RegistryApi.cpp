#include "registry/Win32RegistryApi.h"

namespace ck {

const RegistryApi& RegistryApi::Advapi32() {
  static const RegistryApi api{&::RegOpenKeyExA, &::RegQueryValueExA, &::RegCreateKeyExA,
                               &::RegSetValueExA, &::RegCloseKey};
  return api;
}

}  // namespace ck
