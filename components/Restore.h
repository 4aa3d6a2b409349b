// Going back: a character's files made exactly those of one of its
// archives, in one step that loses nothing. The archive is read whole and
// checked before anything is touched; the present files are kept first in a
// new before-restore archive of their own, which no pass and no other
// restore ever writes over or removes; each file is then replaced
// atomically, and a failure half-way puts back what was already replaced.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "components/FileSystem.h"
#include "components/SaveState.h"

namespace ck {

// An archive read whole and checked: what a restore from it writes.
struct RestoreSource {
  // Its path from the save folder: its name, and a history archive's folder
  // before it. The player is told its name alone.
  std::string archive;
  std::string character;  // the base name of its one .d2s entry
  std::vector<ZipEntry> entries;  // named as the platform's file calls take them
  std::uint64_t madeAt = 0;       // the archive's last write, in the platform's own ticks
  FileStamp stamp;                // the archive as it was read
  bool beforeRestore = false;     // it keeps the files from before a restore
  std::string keptIn;             // not empty when there are present files to keep
  SaveState archived, present;    // the character as the archive's save and the present one tell
};

// Reads the archive `archive` of `saveDir` into `source` and checks it: every
// CRC, one .d2s entry whose base name is the character, every other entry
// a plain "<character>.<extension>", and the .d2s a whole save unless the
// archive is the character's before-restore archive. Empty when it can be
// restored, else what is wrong with it.
std::string ReadRestoreSource(FileSystem& fs, const std::string& saveDir, const std::string& archive,
                              RestoreSource& source);

// The same, but for the present files: what the archive holds, for the
// keep command, which touches none of them.
std::string ReadArchiveSource(FileSystem& fs, const std::string& saveDir, const std::string& archive,
                              RestoreSource& source);

// What the player is told of `archive`, a path from the save folder: its
// name, without the folder a history archive lies in.
std::string ShownName(const std::string& archive);

// What a before-restore archive records, in its comment, of the restore
// that made it: the archive restored from, as it was then. So a pass, even
// after a restart, knows which slot the player chose, without any slot's
// name, contents or time being changed for it.
struct RestoreRecord {
  std::string source;  // its file name
  std::uint64_t size = 0;
  std::uint64_t lastWrite = 0;
};
std::string RecordText(const RestoreRecord& record);
// False for a comment that is no record of ours.
bool ReadRecord(std::string_view comment, RestoreRecord& record);

// All that a restore waits for files others hold, as a pass waits at most
// its own: the restore runs on the window's thread.
constexpr unsigned kRestoreWaitBudgetMs = 2000;

// Whether the restore that left `mark`, the archive of `character`'s files
// from before it, did not finish, as far as the files tell: the present
// save is still the one of either state, the mark's or that of the archive
// restored from, which the mark's record names, and so has not been written
// by the game since. Going by the contents, no clock can fool it; whatever
// cannot be read counts as not finished, and so does a record that names
// no archive of the save folder or of a history folder in it.
// `record`, where given, is what the mark records, once it is read.
bool RestoreUnfinished(FileSystem& fs, const std::string& saveDir, const std::string& character,
                       const std::string& mark, RestoreRecord* record = nullptr);

// What to tell the player of each restore in `saveDir` that did not finish
// (a crash, a power cut): whose, and the two archives that keep each whole
// state, to go back to one of them. Nothing is written.
std::vector<std::string> UnfinishedRestores(FileSystem& fs, const std::string& saveDir);

// Empty while the archive `source` was read from is still that file, as it
// was then: its size, last write and identity; else why not.
std::string StillTheArchive(FileSystem& fs, const std::string& saveDir, const RestoreSource& source);

// Keeps the character's present files in a new archive named for `stamp`
// ("yyyymmdd-hhmmss"), then makes them exactly `source`'s; `keptIn` names
// that archive. Only files the new archive keeps are removed. Empty when
// done; else what went wrong, and whether every file is as it was: if so,
// the new archive is removed again, as it keeps nothing the folder lacks.
std::string RestoreCharacter(FileSystem& fs, const std::string& saveDir, const RestoreSource& source,
                             const std::string& stamp, std::string& keptIn);

// Copies the archive `source` was read from to a new
// "<character>-kept-<yyyymmdd-hhmmss>.zip" in the save folder, named and dated for the time the
// archive was made, through the same checked write as every archive, where
// no file is ("-2", "-3", ... on a clash): no pass ever writes or removes it.
// Empty when done, `keptIn` naming it; else what went wrong.
std::string KeepArchive(FileSystem& fs, const std::string& saveDir, const RestoreSource& source,
                        std::string& keptIn);

// The question asked before a restore, with the archive made at `madeAt`:
// the states of both saves, where they can be read, and whether it is
// unknown if the game runs (`gameMayRun`).
std::string RestoreQuestion(const RestoreSource& source, const std::string& madeAt, bool gameMayRun = false);

// The first status panel after a restore finished at `time`, whose present
// files `keptIn` keeps.
std::string RestoredText(const RestoreSource& source, const std::string& time, const std::string& keptIn);

}  // namespace ck
