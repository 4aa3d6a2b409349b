// Packs the files of a folder that match a mask into one zip archive,
// without ever putting a good archive at risk: the new archive is written
// whole beside it, flushed, read back and checked, and only then put in its
// place in one atomic step.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "components/ArchiveNames.h"
#include "components/FileSystem.h"

namespace ck {

enum class AddResult {
  Saved,         // the archive now holds exactly the current files
  NothingToAdd,  // no file matched; the archive was left alone
  Unchanged,     // a newest archive already holds these files; nothing was written
  TornSave,      // a .d2s stayed half-written; the archive was left alone
  ReadOnly,      // the archive is marked read-only and was left alone
  Refused,       // the archive's place refused the new one (another program holds it); it was left alone
  Exists,        // with PlaceOnly, an archive of that name is there already; it was left alone
  SaveMissing,   // RequiredFile was gone; the archive was left alone
  Withheld,      // BeforeWrite held the write back; the archive was left alone
  NamesClash,    // two files' names differ only in case (Clashing); the archive was left alone
  Failed,        // a file could not be read or the archive not written
};

class ZipArchiver {
 public:
  explicit ZipArchiver(FileSystem& fs) : fs_(fs) {}

  int Action = 1;  // 1: add the included files to the archive
  std::string IncludeFileMask;
  std::string ExcludeFileMask;
  std::string SourceDirectory;
  std::string ZipFileName;
  // Optional: SourceDirectory's files as already listed, so that a pass over
  // many characters lists the folder once rather than once per character.
  const std::vector<FileInfo>* Listing = nullptr;
  // Whether hidden files are the archive's too, when the folder is listed
  // again: as in the Listing given.
  bool ListHidden = false;
  // Optional: a file without which the archive is left as it was, such as
  // the character's save, deleted or renamed since the listing: an archive
  // of its companions alone must not replace one that holds it.
  std::string RequiredFile;
  // Optional: the newest archives of the same files (more than one only when
  // their last writes are equally recent). When one of them already holds
  // exactly what would be packed, nothing is written: an identical archive
  // would only push an older, different one out of the rotation.
  std::vector<std::string> Newest;
  // Whether a .d2s must be a whole save. Keeping what is there before it is
  // replaced keeps a damaged save too: it is still the player's.
  bool WholeSavesOnly = true;
  // Optional: files last written at or after this time are read again
  // whole once all are read, and compared by their bytes, not their stamps:
  // in a folder whose times are coarse, a second write within the same tick
  // keeps both size and time. Files written earlier show every later write.
  std::uint64_t RereadFrom = UINT64_MAX;
  // Only finds out what Add would do: reads and compares, and writes nothing.
  bool DryRun = false;
  // Never writes over an archive: one of that name that is there already
  // stays as it is, and Add says Exists.
  bool PlaceOnly = false;
  // Optional: the archive comment of what Add writes.
  std::string Comment;
  // Optional: asked with the files about to be written, once Add has found
  // that they differ from the newest archive and before anything is
  // written. False leaves the archive as it was: Add says Withheld.
  std::function<bool(const std::vector<ZipEntry>&)> BeforeWrite;
  // Optional: asked once the new archive is written whole to `temporary`
  // and checked, just before it takes the archive's place, with what may
  // still be waited for. False leaves the archive as it was: Add says
  // Refused.
  std::function<bool(const std::string& temporary, WaitBudget& budget)> BeforePlace;
  // After Add: the files it read into the archive, by the names the file
  // calls take.
  std::vector<std::string> Packed;
  // After Add: the files left out because they are larger than kLargestFile,
  // or would take the archive's contents beyond what a restore reads.
  std::vector<std::string> LeftOut;
  // After Add says NamesClash: the files whose names differ only in case,
  // which no archive could give back apart on Windows.
  std::vector<std::string> Clashing;
  // After Add: each file it read or left out, with its stamp as read with
  // its contents; and, once Add found the files Unchanged or Saved them,
  // the archive that holds them, with its stamp as read back.
  std::vector<std::pair<std::string, FileStamp>> Stamps;
  std::string HeldIn;
  FileStamp HeldInStamp;

  AddResult Add();

  // Writes `archive` as a new dated archive of `folder`, of `kind` for
  // `character` and `stamp`, under the first name of those where no file
  // is, never over one. Checked as Add checks its own, and dated
  // `unixTime` (without one, now). The name it took; empty when it could
  // not be written.
  std::string PlaceNew(const Bytes& archive, const std::string& folder, ArchiveKind kind,
                       const std::string& character, const std::string& stamp,
                       std::optional<std::int64_t> unixTime);

  // Temporaries of ours left by a crash.
  static void RemoveStale(FileSystem& fs, const std::string& folder);

  // Hundreds of times any file the game writes. A larger one (a video named
  // like a character, a log another tool grew) is left out: read whole, it
  // could exhaust a 32-bit program's address space.
  static constexpr std::uint64_t kLargestFile = kLargestEntry;

  // How often and how long to wait for a file that is being written or
  // held.
  static constexpr int kReadAttempts = 5;
  static constexpr unsigned kReadPauseMs = 250;
  // All the waiting of one archiver, which a pass uses for all its
  // characters: ten held characters must not freeze the window for ten
  // seconds.
  static constexpr unsigned kWaitBudgetMs = 2000;

 private:
  AddResult ReadIncluded(const std::string& folder, std::vector<ZipEntry>& entries);
  AddResult AskedAgain(const std::string& folder, const std::vector<ZipEntry>& entries);
  bool WriteChecked(const std::string& temporary, const Bytes& archive, FileStamp* stamp = nullptr);
  bool NewestHolds(const std::vector<ZipEntry>& entries);

  FileSystem& fs_;
  WaitBudget budget_{kWaitBudgetMs};
  // Set once a file read differs from the Listing: the game saved since,
  // and may have made a file the listing lacks, so the folder is listed
  // again.
  bool listAgain_ = false;
  // The files listed that were gone when read.
  std::vector<std::string> gone_;
};

}  // namespace ck
