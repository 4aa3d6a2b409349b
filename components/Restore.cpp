#include "components/Restore.h"

#include <algorithm>
#include <cstring>

#include "components/FileMask.h"
#include "components/FolderPrefix.h"
#include "components/SaveCheck.h"
#include "components/ZipArchiver.h"

namespace ck {
namespace {

constexpr const char* kNothingRestored = ": nothing was restored.";

// A file of the save folder itself: no folder, no drive, no "..", nothing
// Windows would read as more than a name or change in passing, and no "~",
// which no character's name holds: "BOBBYT~1.d2s" may be the short name of
// another character's save.
bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ') return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::strchr("\\/:*?\"<>|~", c) != nullptr;
  });
}

// Plain names only, so no wildcard: the mask is the name, ignoring case.
const ZipEntry* Find(const std::vector<ZipEntry>& entries, const std::string& name) {
  const auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const ZipEntry& e) { return MatchesMask(name, e.name); });
  return found == entries.end() ? nullptr : &*found;
}

// The archive at `path`, whole and checked, its names as the platform takes them.
std::string ReadEntries(FileSystem& fs, const std::string& path, const std::string& archive,
                        std::vector<ZipEntry>& entries, std::uint64_t* madeAt = nullptr) {
  Bytes data;
  FileStamp before, after;
  if (fs.ReadWhole(path, data, before, after, ZipArchiver::kLargestFile) != ReadStatus::Ok) {
    return "Unable to read " + archive + kNothingRestored;
  }
  if (!ReadZip(data, entries)) return archive + " is damaged" + kNothingRestored;
  if (madeAt) *madeAt = before.lastWrite;
  for (ZipEntry& e : entries) {
    if (!IsPlainFileName(e.name) || !fs.NativeName(e.name, e.name)) {
      return archive + " holds " + e.name + ", which is no file of the save folder" + kNothingRestored;
    }
  }
  return {};
}

// Puts `entry` in the place of the file `name`: written whole beside it,
// flushed and dated, then swapped in, waiting a moment for a file held by
// a scanner or an indexer.
bool Put(FileSystem& fs, const std::string& folder, const std::string& name, const ZipEntry& entry) {
  const std::string target = folder + name, temporary = ZipArchiver::TemporaryName(target);
  fs.Remove(temporary);
  if (fs.WriteFlushed(temporary, entry.data) && fs.SetLastWrite(temporary, entry.dosDate, entry.dosTime)) {
    for (int attempt = 0; attempt < ZipArchiver::kReplaceAttempts; ++attempt) {
      if (attempt > 0) fs.Pause(ZipArchiver::kReplacePauseMs);
      const ReplaceStatus replaced = fs.Replace(temporary, target);
      if (replaced == ReplaceStatus::Done) return true;
      if (replaced == ReplaceStatus::Failed) break;
    }
  }
  fs.Remove(temporary);
  return false;
}

// Keeps the present files of `character`, hidden ones too, and a damaged
// save as it is: it is still the player's, and may be what is undone. They
// go into the archive `kept`, unless it holds exactly them already. Never
// merely in a numbered slot that holds them too: the rotation writes over
// those. `keptIn` names the archive that holds them; empty when the
// character has no files.
std::string KeepPresent(FileSystem& fs, const std::string& folder, const std::string& character,
                        const std::string& kept, bool dryRun, std::string& keptIn) {
  const std::vector<FileInfo> present = ListExactly(fs, folder, character + ".*", true);
  ZipArchiver keeper(fs);
  keeper.IncludeFileMask = character + ".*";
  keeper.ExcludeFileMask = "*.zip";
  keeper.SourceDirectory = folder;
  keeper.ZipFileName = folder + kept;
  keeper.Listing = &present;
  keeper.WholeSavesOnly = false;
  keeper.DryRun = dryRun;
  keeper.Newest = {folder + kept};
  const AddResult added = keeper.Add();
  keptIn = added == AddResult::NothingToAdd ? "" : kept;
  if (!keeper.LeftOut.empty()) return keeper.LeftOut.front() + " is too large to keep in " + kept + kNothingRestored;
  if (added == AddResult::ReadOnly) return kept + " is read-only" + kNothingRestored;
  if (added != AddResult::Saved && added != AddResult::NothingToAdd && added != AddResult::Unchanged) {
    return "Unable to keep " + character + "'s files in " + kept + kNothingRestored;
  }
  return {};
}

}  // namespace

std::string BeforeRestoreName(const std::string& character) { return character + "-before-restore.zip"; }

std::string ReadRestoreSource(FileSystem& fs, const std::string& saveDir, const std::string& archive,
                              RestoreSource& source) {
  source = RestoreSource{};
  source.archive = archive;
  std::string problem = ReadEntries(fs, FolderPrefix(saveDir) + archive, archive, source.entries, &source.madeAt);
  if (!problem.empty()) return problem;
  const auto isSave = [](const ZipEntry& e) { return MatchesMask(e.name, "*.d2s"); };
  const auto saves = std::count_if(source.entries.begin(), source.entries.end(), isSave);
  if (saves != 1) return archive + (saves == 0 ? " holds no .d2s file" : " holds more than one .d2s file") +
                         kNothingRestored;
  const ZipEntry& save = *std::find_if(source.entries.begin(), source.entries.end(), isSave);
  source.character = save.name.substr(0, save.name.size() - 4);
  for (std::size_t i = 0; i < source.entries.size(); ++i) {
    const std::string& name = source.entries[i].name;
    const bool ours = !source.character.empty() && MatchesMask(name, source.character + ".?*");
    if (!ours) return archive + " holds " + name + ", which is not one of " + save.name + "'s files" + kNothingRestored;
    if (Find(source.entries, name) != &source.entries[i]) return archive + " holds " + name + " twice" + kNothingRestored;
  }
  // The before-restore archive holds exactly what was there, a damaged save
  // too: undoing a restore gives that back.
  const bool undo = MatchesMask(archive, BeforeRestoreName(source.character));
  if (!undo && !IsWholeSave(save.data.data(), save.data.size())) {
    return save.name + " in " + archive + " is not a whole save" + kNothingRestored;
  }
  return KeepPresent(fs, FolderPrefix(saveDir), source.character, BeforeRestoreName(source.character), true,
                     source.keptIn);
}

std::string RestoreCharacter(FileSystem& fs, const std::string& saveDir, const RestoreSource& source) {
  const std::string folder = FolderPrefix(saveDir);
  const std::string& character = source.character;
  // Undoing restores from the archive that keeps the present: the present
  // is kept beside it until every file is in place, so that a crash half-way
  // leaves both, and a failure leaves what was to be given back.
  const std::string kept = BeforeRestoreName(character);
  const bool undo = MatchesMask(source.archive, kept);
  std::string keptIn;
  const std::string problem =
      KeepPresent(fs, folder, character, undo ? character + "-before-undo.zip" : kept, false, keptIn);
  if (!problem.empty()) return problem;
  // What was there, from the archive that keeps it, to put back on a failure.
  std::vector<ZipEntry> before;
  if (!keptIn.empty() && !ReadEntries(fs, folder + keptIn, keptIn, before).empty()) {
    return "Unable to read back " + keptIn + kNothingRestored;
  }

  std::vector<std::string> changed;
  std::string failed;
  for (const ZipEntry& e : source.entries) {
    if (!Put(fs, folder, e.name, e)) {
      failed = e.name;
      break;
    }
    changed.push_back(e.name);
  }
  for (const FileInfo& f : ListExactly(fs, folder, character + ".*", true)) {
    if (!failed.empty() || MatchesMask(f.name, "*.zip") || Find(source.entries, f.name)) continue;
    if (!fs.Remove(folder + f.name)) {
      failed = f.name;
      break;
    }
    changed.push_back(f.name);
  }
  if (failed.empty()) {
    if (!undo || keptIn.empty() || fs.Replace(folder + keptIn, folder + kept) == ReplaceStatus::Done) return {};
    return "Restored " + character + "; the files before are kept in " + keptIn + ".";
  }

  bool putBack = true;
  for (auto name = changed.rbegin(); name != changed.rend(); ++name) {
    const ZipEntry* old = Find(before, *name);
    putBack = (old ? Put(fs, folder, *name, *old) : fs.Remove(folder + *name)) && putBack;
  }
  if (putBack) {
    if (undo && !keptIn.empty()) fs.Remove(folder + keptIn);
    return "Unable to restore " + failed + ": " + character + "'s files are as they were.";
  }
  return "Unable to restore " + failed + ", nor to put all of " + character + "'s files back" +
         (keptIn.empty() ? "." : ": they are kept in " + keptIn + ".");
}

std::string RestoreQuestion(const RestoreSource& source, const std::string& madeAt) {
  const std::string& name = source.character;
  const std::string kept = source.keptIn.empty() ? name + " has no current files."
                                                : name + "'s current files are kept first in " + source.keptIn + ".";
  return "Restore " + name + " from " + source.archive + ", made " + madeAt + "?\n" + kept;
}

std::string RestoredText(const RestoreSource& source, const std::string& time) {
  return "Restored " + source.character + " from " + source.archive + " at " + time;
}

}  // namespace ck
