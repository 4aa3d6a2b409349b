// What the archiver needs of a file system, and no more. The product uses
// the Win32 one; the native tests and the benchmark use the POSIX one, and
// tests wrap either to inject failures.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "components/ZipFormat.h"

namespace ck {

struct FileInfo {
  std::string name;      // without folder, as the platform's file calls take it
  std::string utf8Name;  // the same name in UTF-8, as archives store it
  std::uint64_t size = 0;
  std::uint16_t dosDate = 0, dosTime = 0;  // last write, local time of its own date
  std::uint64_t lastWrite = 0;             // the same, finer, in the platform's own ticks
  std::int64_t unixTime = 0;               // the same, in seconds since 1970 UTC
  // Which file it is on its volume, kept through renames; 0 when unknown.
  std::uint64_t identity = 0;
  bool hidden = false;  // listed only when hidden ones are asked for
};

// The wall clock, in the ticks of this side's file times, and a clock no
// one sets, in the same ticks from a moment of its own; and how many ticks
// make a second. A wall clock that advances less than the other has been
// set back.
struct Clocks {
  std::uint64_t wall = 0;
  std::uint64_t steady = 0;
  std::uint64_t perSecond = 0;  // 0: no clock is known
  std::int64_t unixTime = 0;    // the wall clock in seconds since 1970 UTC
};

// Size, last-write time and identity of an open file, to notice a write
// during a read, and a file replaced since.
struct FileStamp {
  std::uint64_t size = 0;
  std::uint64_t lastWrite = 0;
  std::uint64_t identity = 0;
  bool operator==(const FileStamp&) const = default;
};


enum class ReadStatus { Ok, Missing, TooLarge, Failed };

// Held: refused for a moment, as while a scanner or an indexer holds a file.
// Exists: a file is there already, and a placing never writes over one.
enum class ReplaceStatus { Done, Held, Failed, Exists };

// Why a write, a replace or a remove failed, as far as the platform says.
enum class Trouble { Unknown, Held, ReadOnly, DiskFull };

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Ordinary and read-only files of `folder` (ending in a separator) whose
  // names the platform matches with `pattern`: no directories, no system
  // files, and no hidden ones unless `withHidden`. Callers filter the names
  // exactly themselves.
  virtual std::vector<FileInfo> List(const std::string& folder, const std::string& pattern, bool withHidden) = 0;

  // The whole file, opened so that others may read, write and delete it
  // meanwhile, and closed at once. `before` and `after` are its stamps
  // around the read. A file over `limit` bytes is not read: TooLarge.
  virtual ReadStatus ReadWhole(const std::string& path, Bytes& data, FileStamp& before, FileStamp& after,
                               std::uint64_t limit) = 0;

  // Opens `path` as ReadWhole does, for `use` to read the parts it needs of
  // its `size` bytes. `stamp` is the file's when opened; Failed when it
  // changed before the file was closed. Here, by reading it whole.
  virtual ReadStatus ReadParts(const std::string& path, FileStamp& stamp,
                               const std::function<void(std::uint64_t size, const ReadAt& read)>& use);

  // Fills the identity of `files`, listed from `folder`, where the platform
  // tells it without opening them. Here, not at all.
  virtual void Identify(const std::string& folder, std::vector<FileInfo>& files);

  // The size and last-write time of `path` as the file itself keeps them,
  // without opening it: a directory's entry for a file may lag behind while
  // a writer holds the file open. False where not known; here, always.
  virtual bool Stamp(const std::string& path, FileStamp& stamp);

  // Both clocks now. Here, none.
  virtual Clocks ReadClocks();

  // Creates `path` (replacing a stale one), writes every byte, flushes it to
  // the disk and closes it. False, with the file possibly left, on failure.
  virtual bool WriteFlushed(const std::string& path, const Bytes& data) = 0;

  // Atomically puts `from` in the place of `to`.
  virtual ReplaceStatus Replace(const std::string& from, const std::string& to) = 0;

  // Renames `from` to `to` where no file is: one that is there stays as it
  // is, and the answer is Exists.
  virtual ReplaceStatus Place(const std::string& from, const std::string& to) = 0;

  // Makes the folder `path` (without a trailing separator) where there is
  // none; true when a folder is there now. Here, never.
  virtual bool MakeFolder(const std::string& path);

  // The names of the folders in `folder` (ending in a separator), hidden
  // ones too. Here, none.
  virtual std::vector<std::string> Folders(const std::string& folder);

  // How many minutes local time was ahead of UTC at `unixTime`, by the
  // summer-time rule of that date. Here, none.
  virtual int UtcOffsetMinutes(std::int64_t unixTime);

  // Removes a file of ours, even one since marked read-only or hidden.
  virtual bool Remove(const std::string& path) = 0;

  // Whether `path` exists and is marked read-only.
  virtual bool IsReadOnly(const std::string& path) = 0;

  // Sets the last-write time of `path` to the time `entry` was archived
  // with: its Unix time where it has one, else its DOS time, taken as local
  // time by the summer-time rule of its own date. A time that is no time
  // leaves the file as it is; false only when the file cannot be dated.
  virtual bool SetLastWrite(const std::string& path, const ZipEntry& entry) = 0;

  // The name the platform's file calls take for a name stored in UTF-8.
  // False when the platform cannot name such a file.
  virtual bool NativeName(const std::string& utf8Name, std::string& name) = 0;

  // Waits a moment before trying again.
  virtual void Pause(unsigned milliseconds) = 0;

  // Why the last write, replace or remove that failed did.
  virtual Trouble LastTrouble() const { return Trouble::Unknown; }
};

}  // namespace ck

namespace ck {

// All the waiting for files others hold that one piece of work may do: the
// work runs on the window's thread, and must not freeze it for long.
class WaitBudget {
 public:
  explicit WaitBudget(unsigned milliseconds) : leftMs_(milliseconds) {}
  // Each try gets its full pauses.
  static WaitBudget Unbounded() { return WaitBudget(~0u); }
  // Pauses `fs` when what is left allows; false when it does not.
  bool Wait(FileSystem& fs, unsigned milliseconds);
  unsigned LeftMs() const { return leftMs_; }

 private:
  unsigned leftMs_;
};

// How often and how long to wait for a replace that is refused for a
// moment, as while an indexer or a virus scanner holds the file.
constexpr int kReplaceAttempts = 10;
constexpr unsigned kReplacePauseMs = 100;

// Puts `from` in the place of `to`, over a file there with `replace`, else
// only where none is; tried again while refused for a moment and `budget`
// allows. Any other refusal will not pass, and is not waited for.
ReplaceStatus PutInPlace(FileSystem& fs, const std::string& from, const std::string& to, bool replace,
                         WaitBudget& budget);

// The files of `folder` whose own names match `mask` exactly: the platform's
// listing also matches short 8.3 names, so its answer is filtered again.
std::vector<FileInfo> ListExactly(FileSystem& fs, const std::string& folder, const std::string& mask,
                                  bool withHidden = false);

}  // namespace ck
