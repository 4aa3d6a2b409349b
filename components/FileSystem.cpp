#include "components/FileSystem.h"

#include <algorithm>

#include "components/FileMask.h"

namespace ck {

std::vector<FileInfo> ListExactly(FileSystem& fs, const std::string& folder, const std::string& mask,
                                  bool withHidden) {
  std::vector<FileInfo> files = fs.List(folder, mask, withHidden);
  std::erase_if(files, [&](const FileInfo& f) { return !MatchesMask(f.name, mask); });
  return files;
}

}  // namespace ck
