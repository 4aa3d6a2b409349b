#include "components/ArchiveCatalog.h"

#include <new>

#include "components/FileMask.h"
#include "components/Stopwatch.h"

namespace ck {

void ArchiveCatalog::Update(const std::vector<FileInfo>& archives) {
  std::map<std::string, Known> kept;
  for (const FileInfo& file : archives) {
    const auto found = read_.find(file.name);
    if (found != read_.end() && !found->second.failed && found->second.size == file.size &&
        found->second.lastWrite == file.lastWrite) {
      kept.insert(read_.extract(found));
    }
  }
  read_ = std::move(kept);
}

bool ArchiveCatalog::NeedsReading(const FileInfo& file) const {
  const auto found = read_.find(file.name);
  return found == read_.end() || found->second.size != file.size || found->second.lastWrite != file.lastWrite;
}

const SaveState& ArchiveCatalog::Read(FileSystem& fs, const std::string& folder, const FileInfo& file) {
  ++reads_;
  Known& read = read_[file.name];
  read = {file.size, file.lastWrite, {}, false};
  // Larger than any archive a restore reads: nothing of it is read, nor
  // anything that a damaged one declares beyond the memory there is.
  if (file.size > kLargestArchive) return read.state;
  ZipEntry save;
  bool found = false;
  FileStamp stamp;
  ReadStatus status = ReadStatus::Failed;
  try {
    status = fs.ReadParts(folder + file.name, stamp, [&](std::uint64_t size, const ReadAt& at) {
      found = ReadZipEntryAt(size, at, [](const std::string& name) { return MatchesMask(name, "*.d2s"); }, save);
    });
  } catch (const std::bad_alloc&) {
    return read.state;
  }
  // Changed since the listing: the next listing shows it anew.
  if (status != ReadStatus::Ok || stamp.size != file.size || stamp.lastWrite != file.lastWrite) {
    read.failed = true;
    return read.state;
  }
  if (found) read.state = ReadSaveState(save.data.data(), save.data.size());
  return read.state;
}

const SaveState* ArchiveCatalog::Find(const std::string& name) const {
  const auto found = read_.find(name);
  return found == read_.end() ? nullptr : &found->second.state;
}

bool ReadInViewFirst(int top, int inView, int count, std::uint64_t sliceMs, const std::function<bool(int row)>& read) {
  const std::uint64_t start = Stopwatch::MonotonicMs();
  const auto readFrom = [&](int first, int end) {
    for (int row = first; row < end; ++row) {
      if (read(row) && Stopwatch::MonotonicMs() - start >= sliceMs) return false;
    }
    return true;
  };
  return readFrom(top, inView) && readFrom(0, count);
}

}  // namespace ck
