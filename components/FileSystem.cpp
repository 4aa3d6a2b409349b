#include "components/FileSystem.h"

#include <algorithm>
#include <limits>

#include "components/FileMask.h"

namespace ck {

ReadStatus FileSystem::ReadParts(const std::string& path, FileStamp& stamp,
                                 const std::function<void(std::uint64_t size, const ReadAt& read)>& use) {
  Bytes whole;
  FileStamp after;
  const ReadStatus read = ReadWhole(path, whole, stamp, after, std::numeric_limits<std::uint64_t>::max());
  if (read != ReadStatus::Ok) return read;
  if (!(stamp == after)) return ReadStatus::Failed;
  use(whole.size(), [&](std::uint64_t offset, std::uint32_t length, Bytes& data) {
    if (offset > whole.size() || length > whole.size() - offset) return false;
    const auto from = whole.begin() + static_cast<std::ptrdiff_t>(offset);
    data.assign(from, from + length);
    return true;
  });
  return ReadStatus::Ok;
}

void FileSystem::Identify(const std::string&, std::vector<FileInfo>&) {}

bool FileSystem::Stamp(const std::string&, FileStamp&) { return false; }

Clocks FileSystem::ReadClocks() { return {}; }

bool FileSystem::MakeFolder(const std::string&) { return false; }

std::vector<std::string> FileSystem::Folders(const std::string&) { return {}; }

int FileSystem::UtcOffsetMinutes(std::int64_t) { return 0; }

bool WaitBudget::Wait(FileSystem& fs, unsigned milliseconds) {
  if (milliseconds > leftMs_) return false;
  leftMs_ -= milliseconds;
  fs.Pause(milliseconds);
  return true;
}

ReplaceStatus PutInPlace(FileSystem& fs, const std::string& from, const std::string& to, bool replace,
                         WaitBudget& budget) {
  ReplaceStatus placed = ReplaceStatus::Failed;
  for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
    if (attempt > 0 && !budget.Wait(fs, kReplacePauseMs)) break;
    placed = replace ? fs.Replace(from, to) : fs.Place(from, to);
    if (placed != ReplaceStatus::Held) break;
  }
  return placed;
}

std::vector<FileInfo> ListExactly(FileSystem& fs, const std::string& folder, const std::string& mask,
                                  bool withHidden) {
  std::vector<FileInfo> files = fs.List(folder, mask, withHidden);
  std::erase_if(files, [&](const FileInfo& f) { return !MatchesMask(f.name, mask); });
  return files;
}

}  // namespace ck
