#include "mainwindow/BackupPass.h"

#include "components/ZipArchiver.h"
#include "mainwindow/BackupSchedule.h"
#include "mainwindow/SavePath.h"

namespace ck {

std::string ArchivePath(const std::string& saveDir, const std::string& name, int slot) {
  return FolderPrefix(saveDir) + name + std::to_string(slot) + ".zip";
}

std::optional<PassResult> RunBackupPass(FileSystem& fs, const std::string& saveDir, int& z, int keep,
                                        CharacterTable& table) {
  EnumerateSaveFiles(fs, saveDir, table);
  if (table.SaveCount() == 0) return std::nullopt;

  PassResult result;
  result.slot = z = NextSlot(z, keep);
  const std::vector<FileInfo> listing = fs.List(FolderPrefix(saveDir), "*", false);
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
      added = archiver.Add();
      result.leftOut.insert(result.leftOut.end(), archiver.LeftOut.begin(), archiver.LeftOut.end());
    } catch (...) {
      added = AddResult::Failed;
    }
    if (added != AddResult::Saved && added != AddResult::NothingToAdd) result.notSaved.push_back(name);
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

}  // namespace ck
