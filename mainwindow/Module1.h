// The characters found in the save folder, filled before every backup pass.
#pragma once

#include <string>
#include <vector>

#include "components/FileSystem.h"

namespace ck {

struct CharacterTable {
  std::vector<std::string> SaveNames;  // base names, in listing order
  std::size_t SaveCount() const { return SaveNames.size(); }
};

// Lists `dir`'s "*.d2s" files into `table`. There is no limit on the number
// of characters: every one found gets its backup. A folder that is missing
// or unreadable yields none.
void EnumerateSaveFiles(FileSystem& fs, const std::string& dir, CharacterTable& table);

}  // namespace ck
