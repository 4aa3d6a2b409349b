// One backup pass: every character's files into its next rotating archive.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "components/FileSystem.h"
#include "mainwindow/Module1.h"

namespace ck {

struct PassResult {
  int slot = 0;
  std::vector<std::string> saved;      // characters written into the slot
  std::vector<std::string> unchanged;  // characters whose newest archive already held their files
  std::vector<std::string> notSaved;  // characters whose archive was left as it was
  std::vector<std::string> leftOut;   // files too large to archive
};

// Lists the characters of `saveDir`; when there is at least one, advances
// the slot `z` (wrapping at `keep`) and archives each character into
// `saveDir` + name + slot + ".zip", unless the character's newest archive
// already holds the same files. A character that fails, even by an
// exception, does not stop the others. No character: nothing happens and no
// result.
std::optional<PassResult> RunBackupPass(FileSystem& fs, const std::string& saveDir, int& z, int keep,
                                        CharacterTable& table);

// The archive of character `name` in slot `slot`.
std::string ArchivePath(const std::string& saveDir, const std::string& name, int slot);

// The first status panel after a pass that ran at `time`.
std::string LastSaveText(std::string_view time, const PassResult& pass);

// Its tip: the panel's text, and who was saved and who was unchanged.
std::string LastSaveTip(std::string_view time, const PassResult& pass);

}  // namespace ck
