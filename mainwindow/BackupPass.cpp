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
  const std::vector<FileInfo> listing = fs.List(FolderPrefix(saveDir), "*");
  ZipArchiver archiver(fs);
  archiver.Listing = &listing;
  for (const std::string& name : table.SaveNames) {
    archiver.Action = 1;
    archiver.IncludeFileMask = name + ".*";
    archiver.ExcludeFileMask = "*.zip";
    archiver.SourceDirectory = saveDir;
    archiver.ZipFileName = ArchivePath(saveDir, name, z);
    const AddResult added = archiver.Add();
    if (added != AddResult::Saved && added != AddResult::NothingToAdd) result.notSaved.push_back(name);
  }
  return result;
}

std::string LastSaveText(std::string_view time, const std::vector<std::string>& notSaved) {
  std::string text = "Last save was at ";
  text += time;
  for (std::size_t i = 0; i < notSaved.size(); ++i) {
    text += i == 0 ? " - not saved: " : ", ";
    text += notSaved[i];
  }
  return text;
}

}  // namespace ck
