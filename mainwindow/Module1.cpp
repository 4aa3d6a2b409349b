#include "mainwindow/Module1.h"

#include "components/FolderPrefix.h"

namespace ck {

void EnumerateSaveFiles(FileSystem& fs, const std::string& dir, CharacterTable& table) {
  constexpr std::size_t kExtension = 4;  // ".d2s"
  table.SaveNames.clear();
  for (const FileInfo& f : ListExactly(fs, FolderPrefix(dir), "*.d2s")) {
    table.SaveNames.push_back(f.name.substr(0, f.name.size() - kExtension));
  }
}

}  // namespace ck
