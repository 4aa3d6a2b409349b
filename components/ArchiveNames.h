// Every name the program gives a file of the save folder, or recognises as
// one of its archives, made and read here alone.
//
// The game names a character with 2 to 15 letters and at most one "-" or
// "_", never first or last, and no digits; so "<name><slot>.zip" is never
// another character's file, and "Bob-Kept1.zip" is slot 1 of Bob-Kept while
// "Bob-kept-20261207-050412.zip" is Bob's kept archive. Players keep copies
// under other names too ("Bob1", "Bob - Copy"), which are archived as well.
//
// Names compare as Windows compares them, ignoring the case of ASCII letters.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ck {

enum class ArchiveKind {
  None,           // not an archive of ours: another tool's, or no archive at all
  Slot,           // "<name><slot>.zip": the rotation, which the passes write over
  BeforeRestore,  // "<name>-before-restore-<stamp>.zip": the files a restore replaced
  BeforeDeath,    // "<name>-before-death-<stamp>.zip": the last state before a death
  Kept,           // "<name>-kept-<stamp>.zip": a copy the player took out of the rotation
  // "<name>-restoring-<stamp>.zip": the files from before a restore that has
  // not finished; it becomes a BeforeRestore once every file is in place.
  Restoring,
  Temporary,      // "~<file>.cktmp": written whole before it takes the place of <file>
  // "<name>-<stamp><offset>.zip" in the character's history folder: a state
  // that left the rotation, named for the local time it was made and that
  // time's offset from UTC ("+0100"), so that the hour repeated when summer
  // time ends gives two names.
  History,
};

// What a file name says. Only a Slot is ever written over, and only by a
// pass; the dated kinds are placed where no file is and never written again.
struct ArchiveName {
  ArchiveKind kind = ArchiveKind::None;
  std::string character;  // whose, as the name spells it
  int slot = 0;           // a Slot's number, 1 to 9999, without leading zeros
  // The local time a dated name carries, "yyyymmdd-hhmmss"; empty in the
  // undated before-restore archives of earlier versions,
  // "<name>-before-restore.zip" and "<name>-before-undo.zip", which stay
  // restorable.
  std::string stamp;
  int offsetMinutes = 0;  // a History's offset of its local time from UTC
  int clash = 1;          // 2, 3, ... for the "-2", "-3", ... after a stamp
  std::string undated;    // the undated form's last word: "restore" or "undo"
  std::string of;         // a Temporary's: the file whose place it takes
};

// What `file` (a name without folder) is. With `character`, it is read as
// that character's file or as none of its own: Bob1's "Bob11.zip" is its
// slot 1. Without, whose it is comes from the name alone, and only a name
// the game could give is anyone's: "Bob11.zip" is Bob's slot 11, and
// "Bob - Copy2.zip" is no one's, though it is the slot 2 of "Bob - Copy".
ArchiveName ReadArchiveName(std::string_view file, std::string_view character = {});

// The same, among the folder's `characters`: a copy kept as "Bob1" beside
// "Bob" would share Bob's names ("Bob11.zip" is Bob's slot 11 and Bob1's
// slot 1), so while it is there no slot name that Bob1's could be is
// Bob's.
ArchiveName ReadArchiveName(std::string_view file, std::string_view character,
                            const std::vector<std::string>& characters);

// The one of `characters` whose names `character`'s archives would take,
// being that one's name followed by a number: "Bob" for "Bob1". Such a
// character is not archived. Empty when there is none.
std::string NamesTakenFrom(std::string_view character, const std::vector<std::string>& characters);

// The file name that `name` describes, the inverse of ReadArchiveName.
std::string MakeArchiveName(const ArchiveName& name);

// The usual ones, made through MakeArchiveName.
std::string SlotName(const std::string& character, int slot);
// "<character>-<kind>-<stamp>" with ".zip", or "-2.zip", "-3.zip", ... after it.
std::string DatedName(ArchiveKind kind, const std::string& character, const std::string& stamp, int clash = 1);

// Tries the dated name with clash 1, 2, 3, ... up to kMostClashes while
// `taken` answers that a file has that name already (it has then written
// nothing); the name it tried last.
constexpr int kMostClashes = 99;
std::string FirstFreeName(ArchiveKind kind, const std::string& character, const std::string& stamp,
                          const std::function<bool(const std::string& file)>& taken);

// Where a file is written before it replaces `path` (a folder may lead):
// in the same folder, under a name that no listing of "*.zip", "*.d2s" or
// "<name>.*" matches.
std::string TemporaryName(const std::string& path);
constexpr const char* kTemporaryPattern = "~*.cktmp";
// Every archive, ours and others': what the list shows, and what no
// character's archive ever packs.
constexpr const char* kArchivePattern = "*.zip";

// Where a character's history lives: its own folder in the program's folder
// of the save folder `saveFolder` (ending in a separator), which the game
// reads nothing of. Ends in the same separator.
constexpr const char* kHistoryFolder = "Cairnkeep History";
std::string HistoryFolder(const std::string& saveFolder, const std::string& character);

// A path from the save folder to one of its archives, as the history
// window and a restore's record name them: HistoryFolder's two folders and
// a name of the character's in them, `folder` the character's; else the
// name of a file of the save folder, the whole path, never cut (in a
// double-byte code page the second byte of a character can be the
// backslash's). False for a path into the history folder that is not one
// of its characters' history names.
bool ReadArchivePath(const std::string& path, std::string& folder, std::string& name);

// The history name of a state of `character` made at `unixTime`, when local
// time was `offsetMinutes` ahead of UTC; and the time such a name carries.
std::string HistoryName(const std::string& character, std::int64_t unixTime, int offsetMinutes, int clash = 1);
std::int64_t HistoryTime(const ArchiveName& name);

// The "yyyymmdd-hhmmss" that dated names carry, for a local time; and for
// the local time a zip entry's DOS date and time give.
std::string NameStamp(int year, int month, int day, int hour, int minute, int second);
std::string NameStamp(std::uint16_t dosDate, std::uint16_t dosTime);

}  // namespace ck
