// Every state of a character that the program keeps, wherever it lies: the
// save folder's slots, kept, before-death and before-restore archives, and
// the character's history; and what keeps each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "components/ArchiveNames.h"
#include "components/FileSystem.h"

namespace ck {

// Whose save `archive` holds, by the names in its central directory:
// `save`, the character's as archives spell it (UTF-8), among any others;
// else only another's; else none, or it cannot be read.
enum class Whose { NoSave, Own, Another };
Whose SaveHeldIn(FileSystem& fs, const std::string& archive, const std::string& save);

// Whether the save folder's archive `file` is `character`'s, as the passes
// and the history window take it: its name makes it so among the folder's
// `characters`; or it is a slot by its name alone that holds the
// character's own save (`save`, as archives spell it), one written before a
// copy whose names it could be came.
bool IsCharactersArchive(FileSystem& fs, const std::string& folder, const std::string& file,
                         const std::string& character, const std::string& save,
                         const std::vector<std::string>& characters);

enum class Keeper {
  Nothing,  // the rule no longer keeps it: the next pass that writes removes it
  Newest,   // a slot, or dated after the clock
  Hourly,
  Daily,
  Weekly,
  Kept,
  BeforeDeath,
  BeforeRestore,
};
// "newest", "hourly", "daily", "weekly", "kept", "before death", "before
// restore"; empty for Nothing.
const char* KeeperText(Keeper keeper);

struct StateRow {
  // Its name is the archive's path from the save folder, as a restore and a
  // keep take it; the rest as listed.
  FileInfo file;
  std::int64_t madeAt = 0;  // seconds since 1970 UTC
  Keeper keeper = Keeper::Nothing;
};

// Whose each archive of a save folder is, and the histories beside them:
// one listing of each, for as long as it is kept.
class SavedStates {
 public:
  // Lists `saveFolder` (ending in its separator) and its history folder.
  SavedStates(FileSystem& fs, const std::string& saveFolder);

  // Every character with an archive here, or a history, in the order of
  // their names.
  const std::vector<std::string>& Characters() const { return characters_; }

  // `character`'s archives, newest first, as the passes keep them with
  // `keep` slots a character, at `now` (seconds since 1970 UTC). Its history
  // is listed now.
  std::vector<StateRow> Of(const std::string& character, int keep, std::int64_t now) const;

  // The character whose archive the save folder's `archive` is; empty for
  // none.
  std::string Whose(const std::string& archive) const;

 private:
  FileSystem& fs_;
  std::string saveFolder_;
  std::vector<std::string> characters_;
  struct Archive {
    ArchiveName name;  // whose: the spelling of the save folder's character
    FileInfo file;
  };
  std::vector<Archive> archives_;  // the save folder's
};

}  // namespace ck
