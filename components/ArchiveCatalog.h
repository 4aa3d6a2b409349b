// What the archive list shows of each archive beside its name: the state of
// the character in it. Each archive is read once, and what was read is kept
// for as long as the file keeps its name, size and last-write time.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "components/FileSystem.h"
#include "components/SaveState.h"

namespace ck {

class ArchiveCatalog {
 public:
  // Forgets every archive that is not in `archives` as listed now (by name,
  // size and last write), and every one that could not be read, to be read
  // again.
  void Update(const std::vector<FileInfo>& archives);

  // Whether `file`, as listed, has not been read yet.
  bool NeedsReading(const FileInfo& file) const;

  // Reads the state of the character in `file` of `folder`: of the archive,
  // its central directory and its save alone. Not known for an archive that
  // holds no save, is damaged, or whose save is of another version.
  const SaveState& Read(FileSystem& fs, const std::string& folder, const FileInfo& file);

  // What was read of the archive named `name`; nullptr before it is read.
  const SaveState* Find(const std::string& name) const;

  // How many archives were read, for the benchmark.
  int Reads() const { return reads_; }

 private:
  struct Known {
    std::uint64_t size = 0, lastWrite = 0;
    SaveState state;
    bool failed = false;  // held by another program, say: read again at the next update
  };
  std::map<std::string, Known> read_;
  int reads_ = 0;
};

// How long a list reads archives at a time, in milliseconds.
constexpr std::uint64_t kReadSliceMs = 15;

// A list's rows read by `read` (true when it read the row, false when it
// was read already) for `sliceMs`, one row at least, so that the window's
// other messages come between two slices: those in view, from `top` to
// `inView`, first, then all `count`. True once none is left to read.
bool ReadInViewFirst(int top, int inView, int count, std::uint64_t sliceMs, const std::function<bool(int row)>& read);

}  // namespace ck
