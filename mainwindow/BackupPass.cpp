#include "mainwindow/BackupPass.h"

#include <algorithm>

#include "components/FileMask.h"
#include "components/FolderPrefix.h"
#include "components/ZipArchiver.h"
#include "mainwindow/BackupSchedule.h"

namespace ck {

std::string ArchivePath(const std::string& saveDir, const std::string& name, int slot) {
  return FolderPrefix(saveDir) + name + std::to_string(slot) + ".zip";
}

namespace {

// Whether `file` is one of the slot archives of `name`: the name, digits,
// ".zip". Bobby1.zip is not Bob's, and neither is Bob.zip. Asked of every
// file for every character, so it allocates nothing.
bool IsSlotArchive(std::string_view file, std::string_view name) {
  constexpr std::size_t kZip = 4;  // ".zip"
  if (file.size() <= name.size() + kZip || !MatchesMask(file.substr(file.size() - kZip), ".zip") ||
      !MatchesMask(file.substr(0, name.size()), name)) {
    return false;
  }
  const std::string_view slot = file.substr(name.size(), file.size() - kZip - name.size());
  return std::all_of(slot.begin(), slot.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The slot archives of `name` last written, all of them when equally
// recent: a file system with coarse times cannot tell which came last.
std::vector<std::string> NewestArchives(const std::vector<FileInfo>& listing, const std::string& folder,
                                        const std::string& name) {
  std::vector<std::string> newest;
  std::uint64_t latest = 0;
  for (const FileInfo& f : listing) {
    if (!IsSlotArchive(f.name, name) || f.lastWrite < latest) continue;
    if (f.lastWrite > latest) newest.clear();
    latest = f.lastWrite;
    newest.push_back(folder + f.name);
  }
  return newest;
}

}  // namespace

std::optional<PassResult> RunBackupPass(FileSystem& fs, const std::string& saveDir, int& z, int keep,
                                        CharacterTable& table) {
  EnumerateSaveFiles(fs, saveDir, table);
  if (table.SaveCount() == 0) return std::nullopt;

  PassResult result;
  result.slot = z = NextSlot(z, keep);
  const std::string folder = FolderPrefix(saveDir);
  const std::vector<FileInfo> listing = fs.List(folder, "*", false);
  ZipArchiver archiver(fs);
  archiver.Listing = &listing;
  for (const std::string& name : table.SaveNames) {
    AddResult added = AddResult::Failed;
    // Whatever this character's files do, the pass goes on with the next.
    try {
      archiver.Action = 1;
      archiver.IncludeFileMask = name + ".*";
      archiver.ExcludeFileMask = "*.zip";
      archiver.SourceDirectory = saveDir;
      archiver.ZipFileName = ArchivePath(saveDir, name, z);
      archiver.RequiredFile = name + ".d2s";
      archiver.Newest = NewestArchives(listing, folder, name);
      added = archiver.Add();
      result.leftOut.insert(result.leftOut.end(), archiver.LeftOut.begin(), archiver.LeftOut.end());
    } catch (...) {
      added = AddResult::Failed;
    }
    if (added == AddResult::Saved) {
      result.saved.push_back(name);
    } else if (added == AddResult::Unchanged) {
      result.unchanged.push_back(name);
    } else if (added != AddResult::NothingToAdd) {
      result.notSaved.push_back(name);
    }
  }
  return result;
}

namespace {

void AppendList(std::string& text, const char* heading, const std::vector<std::string>& items) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    text += i == 0 ? heading : ", ";
    text += items[i];
  }
}

}  // namespace

std::string LastSaveText(std::string_view time, const PassResult& pass) {
  std::string text = "Last save was at ";
  text += time;
  AppendList(text, " - not saved: ", pass.notSaved);
  AppendList(text, " - left out, too large: ", pass.leftOut);
  return text;
}

std::string LastSaveTip(std::string_view time, const PassResult& pass) {
  std::string tip = LastSaveText(time, pass);
  AppendList(tip, " - saved: ", pass.saved);
  AppendList(tip, " - unchanged: ", pass.unchanged);
  return tip;
}

}  // namespace ck
