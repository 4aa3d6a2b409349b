#include "components/Win32Files.h"

#include <windows.h>

#include "components/FileMask.h"
#include "components/UniqueHandle.h"

namespace ck {

std::vector<std::string> ListNormalFiles(const std::string& folderPrefix, const std::string& mask) {
  std::vector<std::string> names;
  const std::string pattern = folderPrefix + mask;
  WIN32_FIND_DATAA found;
  UniqueFind find(::FindFirstFileA(pattern.c_str(), &found));
  if (!find) return names;
  constexpr DWORD kNotNormal = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  do {
    if ((found.dwFileAttributes & kNotNormal) != 0) continue;
    if (!MatchesMask(found.cFileName, mask)) continue;
    names.emplace_back(found.cFileName);
  } while (::FindNextFileA(find.get(), &found));
  return names;
}

}  // namespace ck
