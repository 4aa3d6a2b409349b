// One backup pass: every character's files into one of its own rotating archives.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "components/FileSystem.h"
#include "components/Restore.h"
#include "mainwindow/Module1.h"

namespace ck {

struct PassResult {
  std::vector<std::string> saved;      // characters written into one of their slots
  std::vector<std::string> unchanged;  // characters whose newest archive already held their files
  std::vector<std::string> notSaved;  // characters whose archive was left as it was
  std::vector<std::string> leftOut;   // files too large to archive
  // Characters who died since their newest archive, and where that archive,
  // the last state before the death, is kept; empty where it could not be.
  std::vector<std::pair<std::string, std::string>> died;
  // Characters left by a restore that did not finish, and the archive that
  // keeps their files from before it: their files may be a mix of two
  // states, which no pass archives until the player goes back to one of
  // them or the game saves again. Among notSaved too.
  std::vector<std::pair<std::string, std::string>> cutShort;
  // Why a character among notSaved was not, where a pass can say it in a
  // few words: "Bob.key and bob.key differ only in case".
  std::vector<std::pair<std::string, std::string>> why;
};

// What passes remember of a character between them.
struct CharacterMemory {
  // The slot this process last wrote: its newest archive, whatever a clock
  // set back says of the archives' times.
  int lastWritten = 0;
  // The files as the last pass read them, each written long enough before
  // for a later write to show, and the newest archive that held them then.
  // While the folder's listing shows every one of them as it was (size,
  // last write and identity), the character is unchanged without a read.
  std::vector<std::pair<std::string, FileStamp>> files;
  std::string heldIn;
  FileStamp heldInStamp;
  std::vector<std::string> leftOut;
  // The archive the player last went back to in this process, as it was
  // then, until a pass writes one of the character's slots.
  RestoreRecord restored;
  // The before-restore archive whose record a pass has gone by and then
  // written a slot after: a clock set back could make it look later than
  // that slot still.
  FileStamp recordUsed;
  // The last before-restore archive whose record was read, and that record.
  FileStamp recordSeen;
  RestoreRecord recordRead;
};
struct PassMemory {
  std::map<std::string, CharacterMemory> characters;
  // An archive no pass writes over or thins while it is set: the one a
  // question about to restore from it names (a path from the save folder),
  // which the answer must find as it was.
  std::string spared;
  // The clocks as the last pass began: a wall clock set back since, by
  // more than half a second, could bring a later write into the tick of a
  // file remembered, so nothing remembered is trusted then.
  Clocks clocks;
  // The folder whose times are fine and agree with this machine's clock, as
  // the last archive a pass wrote there showed: its last write has a
  // fraction of a second and lies within a second of the clock's time when
  // it was written. Elsewhere no listing is trusted and every file is read:
  // a folder on FAT keeps 2 s, on a share its server's clock, and under
  // Wine the file system's name tells neither.
  std::string timesFineIn;
};

// The slots 1..`keep` of a character to write, best first: those that do
// not exist yet (hidden ones exist), then the others from the oldest last
// write (ties to the lowest number). While `keep` is 2 or more, never its
// newest: the slot the player went back to, `restored`, while no slot has
// been written since; else neither the slot with the latest time nor
// `lastWritten`. `archives`: the folder's slot archives of the character;
// `characters`: the folder's, whose names none of these may take.
std::vector<int> SlotsToWrite(const std::vector<FileInfo>& archives, const std::string& name, int keep,
                              int lastWritten, int restored = 0, const std::vector<std::string>& characters = {});

// Tells the passes that `character`'s files were made those of `source`:
// a slot so gone back to is the character's newest until a pass writes
// another. The before-restore archive records the same for a later process.
void WentBack(PassMemory& memory, const std::string& character, const RestoreRecord& source);

// Lists the characters of `saveDir`, and archives each one into the first
// of its SlotsToWrite that takes it (a read-only slot, or one another program
// holds, is passed over), unless its newest archive already holds the same
// files: known from `memory` when the listing shows them and that archive as
// the last pass read them, else read. So each character keeps its `keep` newest distinct states, whatever
// passes skipped it. A character who died since its newest archive has that
// archive kept first, out of the rotation, as a before-death archive named
// for the time it was made; where it
// cannot be, the character is not written, so that the next pass finds the
// death again and keeps it then. A
// character that fails, even by an exception, does not stop the others. No
// character: nothing happens and no result.
std::optional<PassResult> RunBackupPass(FileSystem& fs, const std::string& saveDir, int keep, CharacterTable& table,
                                        PassMemory& memory);

// The first status panel after a pass that ran at `time`: who was not saved
// and what was left out first, then the time.
std::string LastSaveText(std::string_view time, const PassResult& pass);

// Its tip: the time, who was not saved, what was left out, who was saved and
// who was unchanged.
std::string LastSaveTip(std::string_view time, const PassResult& pass);

}  // namespace ck
