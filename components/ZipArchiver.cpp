#include "components/ZipArchiver.h"

#include <algorithm>

#include "components/FileMask.h"
#include "components/FolderPrefix.h"
#include "components/SaveCheck.h"

namespace ck {
namespace {

// As Windows compares names: a case-sensitive folder, as Wine's may be,
// can hold two that Windows takes for one.
bool SameIgnoringCase(const std::string& a, const std::string& b) {
  const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
           return fold(x) == fold(y);
         });
}

}  // namespace

void ZipArchiver::RemoveStale(FileSystem& fs, const std::string& folder) {
  const std::string prefix = FolderPrefix(folder);
  // Hidden ones too: a user or a tool may have marked them.
  for (const FileInfo& f : ListExactly(fs, prefix, kTemporaryPattern, true)) fs.Remove(prefix + f.name);
}

AddResult ZipArchiver::Add() {
  HeldIn.clear();
  listAgain_ = false;
  if (Action != 1) return AddResult::Failed;
  const std::string folder = FolderPrefix(SourceDirectory);

  // A save caught mid-write, or a file held by another program for a
  // moment, is read again a few times over about a second.
  std::vector<ZipEntry> entries;
  AddResult read = AddResult::Failed;
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    if (attempt > 0 && !budget_.Wait(fs_, kReadPauseMs)) break;
    read = ReadIncluded(folder, entries);
    if (read == AddResult::Saved || read == AddResult::SaveMissing || read == AddResult::NamesClash) break;
  }
  if (read != AddResult::Saved) return read;
  if (entries.empty()) return AddResult::NothingToAdd;
  if (NewestHolds(entries)) return AddResult::Unchanged;
  // The user may have protected this archive on purpose. Windows would
  // refuse to replace it, Wine would not: ask before writing anything.
  if (!PlaceOnly && fs_.IsReadOnly(ZipFileName)) return AddResult::ReadOnly;
  if (DryRun) return AddResult::Saved;
  if (BeforeWrite && !BeforeWrite(entries)) return AddResult::Withheld;

  const Bytes archive = BuildZip(entries, 6, Comment);
  if (archive.empty()) return AddResult::Failed;
  const std::string temporary = TemporaryName(ZipFileName);
  // A leftover of ours, since marked read-only or hidden, could not be
  // written over.
  fs_.Remove(temporary);
  FileStamp written;
  if (!WriteChecked(temporary, archive, &written)) {
    fs_.Remove(temporary);
    return AddResult::Failed;
  }
  if (BeforePlace && !BeforePlace(temporary, budget_)) {
    fs_.Remove(temporary);
    return AddResult::Refused;
  }
  const ReplaceStatus replaced = PutInPlace(fs_, temporary, ZipFileName, !PlaceOnly, budget_);
  if (replaced == ReplaceStatus::Done) {
    // A rename keeps the file's identity and its time.
    HeldIn = ZipFileName;
    HeldInStamp = written;
    return AddResult::Saved;
  }
  fs_.Remove(temporary);
  return replaced == ReplaceStatus::Exists ? AddResult::Exists : AddResult::Refused;
}

std::string ZipArchiver::PlaceNew(const Bytes& archive, const std::string& folder, ArchiveKind kind,
                                  const std::string& character, const std::string& stamp,
                                  std::optional<std::int64_t> unixTime) {
  const std::string temporary = TemporaryName(folder + DatedName(kind, character, stamp));
  fs_.Remove(temporary);
  ZipEntry dated;
  dated.unixTime = unixTime;
  if (WriteChecked(temporary, archive) && (!unixTime || fs_.SetLastWrite(temporary, dated))) {
    ReplaceStatus placed = ReplaceStatus::Failed;
    const std::string name = FirstFreeName(kind, character, stamp, [&](const std::string& file) {
      placed = PutInPlace(fs_, temporary, folder + file, false, budget_);
      return placed == ReplaceStatus::Exists;
    });
    if (placed == ReplaceStatus::Done) return name;
  }
  fs_.Remove(temporary);
  return {};
}

AddResult ZipArchiver::ReadIncluded(const std::string& folder, std::vector<ZipEntry>& entries) {
  entries.clear();
  LeftOut.clear();
  Packed.clear();
  Stamps.clear();
  gone_.clear();
  bool required = RequiredFile.empty();
  std::uint64_t contents = 0;
  std::vector<FileInfo> listed;
  const std::vector<FileInfo>& files =
      Listing && !listAgain_ ? *Listing : (listed = fs_.List(folder, IncludeFileMask, ListHidden));
  // The smallest first: when the files together are more than an archive
  // holds, the largest are left out, never the save.
  std::vector<const FileInfo*> included;
  for (const FileInfo& f : files) {
    if (MatchesMask(f.name, IncludeFileMask) && !MatchesMask(f.name, ExcludeFileMask)) included.push_back(&f);
  }
  Clashing.clear();
  for (std::size_t i = 0; i < included.size(); ++i) {
    for (std::size_t j = i + 1; j < included.size(); ++j) {
      if (!SameIgnoringCase(included[i]->name, included[j]->name)) continue;
      const auto [first, second] = std::minmax(included[i]->name, included[j]->name);
      Clashing.push_back(first);
      Clashing.push_back(second);
    }
  }
  if (!Clashing.empty()) return AddResult::NamesClash;
  std::sort(included.begin(), included.end(), [](const FileInfo* a, const FileInfo* b) {
    return a->size != b->size ? a->size < b->size : a->name < b->name;
  });
  for (const FileInfo* listed : included) {
    const FileInfo& f = *listed;
    ZipEntry entry{f.utf8Name, {}, f.dosTime, f.dosDate, f.unixTime};
    FileStamp before, after;
    switch (fs_.ReadWhole(folder + f.name, entry.data, before, after, kLargestFile)) {
      case ReadStatus::Missing:
        gone_.push_back(f.name);
        continue;  // deleted since the listing: it is no longer a current file
      case ReadStatus::TooLarge:
        LeftOut.push_back(f.name);
        Stamps.emplace_back(f.name, before);
        continue;
      case ReadStatus::Failed:
        return AddResult::Failed;
      case ReadStatus::Ok:
        break;
    }
    if (!(before == after)) return AddResult::TornSave;
    if (before.size != f.size || before.lastWrite != f.lastWrite) listAgain_ = Listing != nullptr;
    Stamps.emplace_back(f.name, before);
    if (contents + entry.data.size() > kLargestContents) {
      LeftOut.push_back(f.name);
      continue;
    }
    contents += entry.data.size();
    if (WholeSavesOnly && MatchesMask(f.name, "*.d2s") && !IsWholeSave(entry.data.data(), entry.data.size())) {
      return AddResult::TornSave;
    }
    required = required || MatchesMask(f.name, RequiredFile);
    entries.push_back(std::move(entry));
    Packed.push_back(f.name);
  }
  if (!required) return AddResult::SaveMissing;
  const AddResult again = AskedAgain(folder, entries);
  if (again != AddResult::Saved) return again;
  std::sort(LeftOut.begin(), LeftOut.end());
  std::sort(entries.begin(), entries.end(), [](const ZipEntry& a, const ZipEntry& b) { return a.name < b.name; });
  return AddResult::Saved;
}

// Each file was whole as it was read, but the game may have saved between
// two of them: its new save beside the old automap is a state it never
// wrote. So every file is asked again once all are read: its stamp, where
// the file system tells it, its bytes where its time could hide a write,
// and whether it is there at all. A file made since the listing means the
// folder is listed again. Files left out are not asked: a log that another
// program keeps growing must not keep the character from being saved.
AddResult ZipArchiver::AskedAgain(const std::string& folder, const std::vector<ZipEntry>& entries) {
  if (listAgain_) {
    for (const FileInfo& f : fs_.List(folder, IncludeFileMask, ListHidden)) {
      if (!MatchesMask(f.name, IncludeFileMask) || MatchesMask(f.name, ExcludeFileMask)) continue;
      const auto read = std::find_if(Stamps.begin(), Stamps.end(), [&](const auto& s) { return s.first == f.name; });
      if (read == Stamps.end() && std::find(gone_.begin(), gone_.end(), f.name) == gone_.end()) {
        return AddResult::TornSave;
      }
    }
  }
  for (const auto& [name, read] : Stamps) {
    if (std::find(LeftOut.begin(), LeftOut.end(), name) != LeftOut.end()) continue;
    const std::string path = folder + name;
    FileStamp now;
    Bytes again;
    FileStamp before, after;
    if (!fs_.Stamp(path, now)) {
      if (fs_.ReadWhole(path, again, before, after, 0) == ReadStatus::Missing) return AddResult::TornSave;
      continue;
    }
    if (now.size != read.size || now.lastWrite != read.lastWrite ||
        (now.identity && read.identity && now.identity != read.identity)) {
      return AddResult::TornSave;
    }
    if (read.lastWrite < RereadFrom) continue;
    const std::size_t at = static_cast<std::size_t>(std::find(Packed.begin(), Packed.end(), name) - Packed.begin());
    if (fs_.ReadWhole(path, again, before, after, kLargestFile) != ReadStatus::Ok || !(before == after) ||
        at >= entries.size() || again != entries[at].data) {
      return AddResult::TornSave;
    }
  }
  return AddResult::Saved;
}

bool ZipArchiver::NewestHolds(const std::vector<ZipEntry>& entries) {
  // A larger archive differs, and is not worth reading.
  const std::uint64_t largest = LargestArchiveOf(entries);
  Bytes archive;
  FileStamp before, after;
  for (const std::string& path : Newest) {
    // One that cannot be read, or is damaged, does not count: the files are
    // then written as usual.
    if (fs_.ReadWhole(path, archive, before, after, largest) == ReadStatus::Ok && HoldsSame(archive, entries)) {
      if (before == after) {
        HeldIn = path;
        HeldInStamp = before;
      }
      return true;
    }
  }
  return false;
}

bool ZipArchiver::WriteChecked(const std::string& temporary, const Bytes& archive, FileStamp* stamp) {
  if (!fs_.WriteFlushed(temporary, archive)) return false;
  Bytes back;
  FileStamp before, after;
  // Anything longer than what was written is damage already.
  const bool checked = fs_.ReadWhole(temporary, back, before, after, archive.size()) == ReadStatus::Ok &&
                       before == after && back.size() == archive.size() && VerifyZip(back);
  if (stamp) *stamp = before;
  return checked;
}

}  // namespace ck
