#include "mainwindow/Module1.h"

#include <algorithm>

#include "components/FileMask.h"
#include "components/FolderPrefix.h"

namespace ck {

void EnumerateSaveFiles(FileSystem& fs, const std::string& dir, CharacterTable& table) {
  constexpr std::size_t kExtension = 4;  // ".d2s"
  table.SaveNames.clear();
  for (const FileInfo& f : ListExactly(fs, FolderPrefix(dir), "*.d2s")) {
    std::string name = f.name.substr(0, f.name.size() - kExtension);
    // ".d2s" alone names no one. A folder that tells case apart may hold
    // Bob.d2s beside bob.D2S: one character to Windows, whose pass names
    // the clash once.
    const bool known = std::any_of(table.SaveNames.begin(), table.SaveNames.end(),
                                   [&](const std::string& other) { return MatchesMask(other, name); });
    if (!name.empty() && !known) table.SaveNames.push_back(std::move(name));
  }
}

}  // namespace ck
