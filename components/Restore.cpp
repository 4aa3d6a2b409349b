#include "components/Restore.h"

#include <algorithm>
#include <cstring>

#include "components/ArchiveNames.h"
#include "components/FileMask.h"
#include "components/FolderPrefix.h"
#include "components/SaveCheck.h"
#include "components/ZipArchiver.h"

namespace ck {
namespace {

constexpr const char* kNothingRestored = ": nothing was restored.";

// A file of the save folder itself: no folder, no drive, no "..", nothing
// Windows would read as more than a name or change in passing, and no "~"
// before the first dot, which no character's name holds: "BOBBYT~1.d2s" may
// be the short name of another character's save. After it, "~" is an
// editor's companion ("Bob.d2s~"), which the passes pack like any other.
bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ') return false;
  if (name.substr(0, name.find('.')).find('~') != std::string::npos) return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::strchr("\\/:*?\"<>|", c) != nullptr;
  });
}

// Plain names only, so no wildcard: the mask is the name, ignoring case.
const ZipEntry* Find(const std::vector<ZipEntry>& entries, const std::string& name) {
  const auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const ZipEntry& e) { return MatchesMask(name, e.name); });
  return found == entries.end() ? nullptr : &*found;
}

// Whether `archive` keeps the files from before a restore of `character`:
// a dated one, or one of the undated ones of earlier versions.
bool IsBeforeRestore(const std::string& archive, const std::string& character) {
  const ArchiveKind kind = ReadArchiveName(archive, character).kind;
  return kind == ArchiveKind::BeforeRestore || kind == ArchiveKind::Restoring;
}

// Why an archive cannot be read, in the player's words.
std::string Unreadable(const std::string& archive, const ZipProblem& why) {
  const std::string cannot = ", which Cairnkeep cannot read" + std::string(kNothingRestored);
  switch (why.error) {
    case ZipError::Encrypted:
      return archive + " uses encryption" + cannot;
    case ZipError::Method:
      return archive + " uses a compression method other than deflate" + cannot;
    case ZipError::Zip64:
      return archive + " uses the zip64 extensions" + cannot;
    case ZipError::Folder:
      return archive + " holds the folder " + why.entry + ", and only a character's own files are restored" +
             kNothingRestored;
    case ZipError::TooLarge:
      return archive + " holds " + why.entry + ", larger than 32 MB, which no character's file is" + kNothingRestored;
    case ZipError::TooMuch:
      return archive + " holds more than 64 MB, which no character's files do" + kNothingRestored;
    case ZipError::Damaged:
    case ZipError::None:
      break;
  }
  return archive + " is damaged" + kNothingRestored;
}

// The archive at `path`, whole and checked, its names as the platform takes them.
std::string ReadEntries(FileSystem& fs, const std::string& path, const std::string& archive,
                        std::vector<ZipEntry>& entries, FileStamp* stamp = nullptr, std::string* comment = nullptr) {
  Bytes data;
  FileStamp before, after;
  const ReadStatus read = fs.ReadWhole(path, data, before, after, kLargestArchive);
  if (read == ReadStatus::TooLarge) return Unreadable(archive, {ZipError::TooMuch, {}});
  if (read != ReadStatus::Ok) return "Unable to read " + archive + kNothingRestored;
  ZipProblem why;
  if (!ReadZip(data, entries, &why)) return Unreadable(archive, why);
  if (stamp) *stamp = before;
  if (comment) {
    const ReadAt inMemory = [&](std::uint64_t offset, std::uint32_t length, Bytes& part) {
      if (offset > data.size() || length > data.size() - offset) return false;
      part.assign(data.begin() + static_cast<std::ptrdiff_t>(offset),
                  data.begin() + static_cast<std::ptrdiff_t>(offset + length));
      return true;
    };
    if (!ReadZipCommentAt(data.size(), inMemory, *comment)) comment->clear();
  }
  for (ZipEntry& e : entries) {
    if (!IsPlainFileName(e.name) || !fs.NativeName(e.name, e.name)) {
      return archive + " holds " + e.name + ", which is no file of the save folder" + kNothingRestored;
    }
    // It would take the place of an archive of the folder, outside any
    // before-restore archive.
    if (MatchesMask(e.name, kArchivePattern)) return archive + " holds the archive " + e.name + kNothingRestored;
  }
  return {};
}

// Puts `entry` in the place of the file `name`: written whole beside it,
// flushed and dated, then swapped in, waiting within `budget` for a file
// held by a scanner or an indexer. On a failure, `why` says what stood in
// the way.
bool Put(FileSystem& fs, const std::string& folder, const std::string& name, const ZipEntry& entry,
         WaitBudget& budget, Trouble* why = nullptr) {
  const std::string target = folder + name, temporary = TemporaryName(target);
  fs.Remove(temporary);
  if (fs.WriteFlushed(temporary, entry.data) && fs.SetLastWrite(temporary, entry) &&
      PutInPlace(fs, temporary, target, true, budget) == ReplaceStatus::Done) {
    return true;
  }
  if (why) *why = fs.IsReadOnly(target) ? Trouble::ReadOnly : fs.LastTrouble();
  fs.Remove(temporary);
  return false;
}

// Keeps the present files of `character`, hidden ones too, and a damaged
// save as it is: it is still the player's, and may be what is gone back to.
// They go into a new archive named for `stamp`, placed where no file is, so
// that no archive that keeps an earlier state is ever written over: a clash
// takes "-2", "-3", ... `keptIn` names the archive, empty when the character
// has no files; `packed`, the files it holds.
std::string KeepPresent(FileSystem& fs, const std::string& folder, const std::string& character,
                        const std::string& stamp, bool dryRun, std::string& keptIn,
                        std::vector<std::string>* packed = nullptr, const std::string& comment = {}) {
  // Under a name that says the restore is under way, until it is done.
  const ArchiveKind kind = ArchiveKind::Restoring;
  const std::vector<FileInfo> present = ListExactly(fs, folder, character + ".*", true);
  ZipArchiver keeper(fs);
  keeper.IncludeFileMask = character + ".*";
  keeper.ExcludeFileMask = kArchivePattern;
  keeper.SourceDirectory = folder;
  keeper.Listing = &present;
  keeper.ListHidden = true;
  keeper.WholeSavesOnly = false;
  keeper.DryRun = dryRun;
  keeper.PlaceOnly = true;
  keeper.Comment = comment;
  AddResult added = AddResult::Failed;
  const std::string kept = FirstFreeName(kind, character, stamp, [&](const std::string& file) {
    keeper.ZipFileName = folder + file;
    added = keeper.Add();
    return added == AddResult::Exists;
  });
  keptIn = added == AddResult::NothingToAdd ? "" : kept;
  if (packed) *packed = keeper.Packed;
  // No files to keep: the mark is an archive of none, so that a restore cut
  // short is known all the same.
  if (added == AddResult::NothingToAdd && !dryRun) {
    keptIn = keeper.PlaceNew(BuildZip({}, 6, comment), folder, kind, character, stamp, std::nullopt);
    if (keptIn.empty()) return "Unable to mark the restore of " + character + " as under way" + kNothingRestored;
  }
  // A dry run's name is no name the player will see. Nothing has been
  // replaced yet: a mark made is taken away again.
  const std::string in = dryRun ? "a before-restore archive" : kept;
  if (!keeper.LeftOut.empty()) {
    if (added == AddResult::Saved && !dryRun) fs.Remove(folder + kept);
    keptIn.clear();
    return keeper.LeftOut.front() + " is too large to keep in " + in + kNothingRestored;
  }
  if (added != AddResult::Saved && added != AddResult::NothingToAdd) {
    return "Unable to keep " + character + "'s files in " + in + kNothingRestored;
  }
  return {};
}

// `mark`, a mark of a restore under way, under its before-restore name,
// where no file is: its new name; empty where it is still where it was.
std::string FinishRestore(FileSystem& fs, const std::string& folder, const std::string& character,
                          const std::string& mark, WaitBudget& budget) {
  const ArchiveName name = ReadArchiveName(mark, character);
  if (name.kind != ArchiveKind::Restoring) return {};
  ReplaceStatus placed = ReplaceStatus::Failed;
  const std::string done = FirstFreeName(ArchiveKind::BeforeRestore, character, name.stamp, [&](const std::string& to) {
    placed = PutInPlace(fs, folder + mark, folder + to, false, budget);
    return placed == ReplaceStatus::Exists;
  });
  return placed == ReplaceStatus::Done ? done : std::string();
}

// Every file of `character` is now whole, as a restore left it: each mark
// of a restore under way becomes the before-restore archive it is, and
// `kept`, the present's one, takes its name. A mark that cannot be renamed
// stays, and says so again at the next start; nothing is lost by it.
void FinishRestores(FileSystem& fs, const std::string& folder, const std::string& character, std::string& kept) {
  for (const FileInfo& f : ListExactly(fs, folder, kArchivePattern, true)) {
    WaitBudget full = WaitBudget::Unbounded();
    const std::string done = FinishRestore(fs, folder, character, f.name, full);
    if (!done.empty() && f.name == kept) kept = done;
  }
}

// Why a file could not be restored, in the player's words.
std::string Because(Trouble why) {
  switch (why) {
    case Trouble::Held:
      return " (another program holds it)";
    case Trouble::ReadOnly:
      return " (it is read-only)";
    case Trouble::DiskFull:
      return " (the disk is full)";
    case Trouble::Unknown:
      break;
  }
  return {};
}

}  // namespace

namespace {

constexpr std::string_view kRecordHead = "Cairnkeep: the files from before the restore from\n";
constexpr std::string_view kRecordSize = "size ", kRecordWrite = "last write ";

// "<label><decimal>\n" at the front of `text`, taken off it.
bool TakeNumber(std::string_view& text, std::string_view label, std::uint64_t& number) {
  if (text.substr(0, label.size()) != label) return false;
  text.remove_prefix(label.size());
  const std::size_t line = text.find('\n');
  const std::string_view digits = text.substr(0, line);
  if (line == std::string_view::npos || digits.empty() || digits.size() > 20) return false;
  number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9' || number > (~std::uint64_t{0} - 9) / 10) return false;
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
  }
  text.remove_prefix(line + 1);
  return true;
}

}  // namespace

std::string ShownName(const std::string& archive) {
  std::string folder, name;
  return ReadArchivePath(archive, folder, name) ? name : archive;
}

std::string RecordText(const RestoreRecord& record) {
  return std::string(kRecordHead) + record.source + "\n" + std::string(kRecordSize) + std::to_string(record.size) +
         "\n" + std::string(kRecordWrite) + std::to_string(record.lastWrite) + "\n";
}

bool ReadRecord(std::string_view comment, RestoreRecord& record) {
  if (comment.substr(0, kRecordHead.size()) != kRecordHead) return false;
  comment.remove_prefix(kRecordHead.size());
  const std::size_t line = comment.find('\n');
  if (line == 0 || line == std::string_view::npos) return false;
  record.source = comment.substr(0, line);
  comment.remove_prefix(line + 1);
  return TakeNumber(comment, kRecordSize, record.size) && TakeNumber(comment, kRecordWrite, record.lastWrite) &&
         comment.empty();
}

std::string ReadArchiveSource(FileSystem& fs, const std::string& saveDir, const std::string& archive,
                              RestoreSource& source) {
  source = RestoreSource{};
  source.archive = archive;
  std::string comment;
  std::string problem =
      ReadEntries(fs, FolderPrefix(saveDir) + archive, ShownName(archive), source.entries, &source.stamp, &comment);
  if (!problem.empty()) return problem;
  source.madeAt = source.stamp.lastWrite;
  const auto isSave = [](const ZipEntry& e) { return MatchesMask(e.name, "*.d2s"); };
  const auto saves = std::count_if(source.entries.begin(), source.entries.end(), isSave);
  if (saves != 1) return ShownName(archive) + (saves == 0 ? " holds no .d2s file" : " holds more than one .d2s file") +
                         kNothingRestored;
  const ZipEntry& save = *std::find_if(source.entries.begin(), source.entries.end(), isSave);
  source.character = save.name.substr(0, save.name.size() - 4);
  for (std::size_t i = 0; i < source.entries.size(); ++i) {
    const std::string& name = source.entries[i].name;
    const bool ours = !source.character.empty() && MatchesMask(name, source.character + ".?*");
    if (!ours) {
      return ShownName(archive) + " holds " + name + ", which is not one of " + save.name + "'s files" +
             kNothingRestored;
    }
    if (Find(source.entries, name) != &source.entries[i]) {
      return ShownName(archive) + " holds " + name + " twice" + kNothingRestored;
    }
  }
  // A before-restore archive holds exactly what was there, a damaged save
  // too: going back to it gives that back. Ours says so in its comment,
  // which a copy under any name keeps; an earlier version's, by its name.
  RestoreRecord record;
  source.beforeRestore = IsBeforeRestore(archive, source.character) || ReadRecord(comment, record);
  if (!source.beforeRestore && !IsWholeSave(save.data.data(), save.data.size())) {
    return save.name + " in " + ShownName(archive) + " is not a whole save" + kNothingRestored;
  }
  source.archived = ReadSaveState(save.data.data(), save.data.size());
  Bytes present;
  FileStamp before, after;
  if (fs.ReadWhole(FolderPrefix(saveDir) + save.name, present, before, after, kLargestEntry) == ReadStatus::Ok) {
    source.present = ReadSaveState(present.data(), present.size());
  }
  return {};
}

std::string ReadRestoreSource(FileSystem& fs, const std::string& saveDir, const std::string& archive,
                              RestoreSource& source) {
  const std::string problem = ReadArchiveSource(fs, saveDir, archive, source);
  if (!problem.empty()) return problem;
  // What could refuse the present files is found now, before anything is written.
  return KeepPresent(fs, FolderPrefix(saveDir), source.character, "00000000-000000", true, source.keptIn);
}

bool RestoreUnfinished(FileSystem& fs, const std::string& saveDir, const std::string& character,
                       const std::string& mark, RestoreRecord* recorded) {
  const std::string folder = FolderPrefix(saveDir), save = character + ".d2s";
  Bytes present;
  FileStamp before, after;
  if (fs.ReadWhole(folder + save, present, before, after, kLargestEntry) != ReadStatus::Ok) return true;
  std::vector<ZipEntry> kept, restored;
  std::string comment;
  RestoreRecord record;
  if (!ReadEntries(fs, folder + mark, mark, kept, nullptr, &comment).empty() || !ReadRecord(comment, record)) {
    return true;
  }
  if (recorded) *recorded = record;
  const auto holds = [&](const std::vector<ZipEntry>& entries) {
    const ZipEntry* e = Find(entries, save);
    return e && e->data == present;
  };
  // A record comes with any archive copied in: only an archive of the save
  // folder, or of a history folder in it, is read for it.
  std::string in, name;
  if (holds(kept) || !ReadArchivePath(record.source, in, name)) return true;
  in = in.empty() ? folder : HistoryFolder(folder, in);
  if (ListExactly(fs, in, name, true).size() != 1 || !ReadEntries(fs, in + name, name, restored).empty()) return true;
  return holds(restored);
}

std::vector<std::string> UnfinishedRestores(FileSystem& fs, const std::string& saveDir) {
  const std::string folder = FolderPrefix(saveDir);
  std::vector<std::string> told;
  const std::vector<FileInfo> archives = ListExactly(fs, folder, kArchivePattern, true);
  std::vector<std::pair<ArchiveName, const FileInfo*>> marks;
  // Whose by the characters there are, as the passes read it: a copy's
  // name is no name the game gives.
  for (const FileInfo& save : ListExactly(fs, folder, "*.d2s", true)) {
    const std::string character = save.name.substr(0, save.name.size() - 4);
    for (const FileInfo& f : archives) {
      const ArchiveName mark = ReadArchiveName(f.name, character);
      if (mark.kind == ArchiveKind::Restoring && RestoreUnfinished(fs, folder, character, f.name)) {
        marks.emplace_back(mark, &f);
      }
    }
  }
  for (const auto& [mark, file] : marks) {
    const FileInfo& f = *file;
    std::string comment;
    RestoreRecord record;
    FileStamp stamp;
    fs.ReadParts(folder + f.name, stamp, [&](std::uint64_t size, const ReadAt& read) {
      if (!ReadZipCommentAt(size, read, comment)) comment.clear();
    });
    const std::string& name = mark.character;
    std::string text = "A restore of " + name + " did not finish, and " + name +
                       "'s files may be a mix of two states. The files from before it are kept in " + f.name;
    text += ReadRecord(comment, record) ? ", and those it restored in " + record.source + ": go back to one of them."
                                        : ": go back to it.";
    told.push_back(text + " Until then, or until the game saves " + name + " again, " + name +
                   " is not backed up.");
  }
  return told;
}

std::string StillTheArchive(FileSystem& fs, const std::string& saveDir, const RestoreSource& source) {
  Bytes data;
  FileStamp before, after;
  const ReadStatus read = fs.ReadWhole(FolderPrefix(saveDir) + source.archive, data, before, after, kLargestArchive);
  if (read == ReadStatus::Ok && before == after && before == source.stamp) return {};
  return ShownName(source.archive) + " changed while the question was open" + kNothingRestored;
}

std::string RestoreCharacter(FileSystem& fs, const std::string& saveDir, const RestoreSource& source,
                             const std::string& stamp, std::string& keptIn) {
  const std::string folder = FolderPrefix(saveDir);
  const std::string& character = source.character;
  std::vector<std::string> present;
  const std::string problem = KeepPresent(fs, folder, character, stamp, false, keptIn, &present,
                                          RecordText({source.archive, source.stamp.size, source.stamp.lastWrite}));
  if (!problem.empty()) return problem;
  // What was there, read back from the archive that now keeps it, to put
  // back on a failure.
  std::vector<ZipEntry> before;
  if (!ReadEntries(fs, folder + keptIn, keptIn, before).empty()) {
    const std::string unread = keptIn;
    fs.Remove(folder + keptIn);
    keptIn.clear();
    return "Unable to read back " + unread + kNothingRestored;
  }
  const bool keepsFiles = !present.empty();

  std::vector<std::string> changed;
  std::string failed;
  WaitBudget budget(kRestoreWaitBudgetMs);
  Trouble why = Trouble::Unknown;
  for (const ZipEntry& e : source.entries) {
    if (!Put(fs, folder, e.name, e, budget, &why)) {
      failed = e.name;
      break;
    }
    changed.push_back(e.name);
  }
  // Only files the new archive keeps: one that appeared since has no copy.
  for (const std::string& name : present) {
    if (!failed.empty()) break;
    if (Find(source.entries, name)) continue;
    if (!fs.Remove(folder + name)) {
      failed = name;
      why = fs.LastTrouble();
      break;
    }
    changed.push_back(name);
  }
  if (failed.empty()) {
    // An archive of no files keeps nothing once the restore is done.
    if (!keepsFiles && fs.Remove(folder + keptIn)) keptIn.clear();
    FinishRestores(fs, folder, character, keptIn);
    return {};
  }

  // Whatever the restore waited, each file put back gets every try: a held
  // file must not leave a mix of the two states.
  bool putBack = true;
  for (auto name = changed.rbegin(); name != changed.rend(); ++name) {
    const ZipEntry* old = Find(before, *name);
    WaitBudget full = WaitBudget::Unbounded();
    putBack = (old ? Put(fs, folder, *name, *old, full) : fs.Remove(folder + *name)) && putBack;
  }
  // The present is whole again: the archive made of it a moment ago keeps
  // nothing that is not there.
  if (putBack) {
    fs.Remove(folder + keptIn);
    keptIn.clear();
    return "Unable to restore " + failed + Because(why) + ": " + character + "'s files are as they were.";
  }
  return "Unable to restore " + failed + Because(why) + ", nor to put all of " + character + "'s files back" +
         (!keepsFiles ? ": restore " + source.archive + " again."
                      : ": they are kept in " + keptIn + ". Restore it, or " + source.archive + " again.");
}

std::string KeepArchive(FileSystem& fs, const std::string& saveDir, const RestoreSource& source,
                        std::string& keptIn) {
  const std::string folder = FolderPrefix(saveDir), name = ShownName(source.archive);
  // A history archive is listed in its own folder, and kept in the save folder.
  const std::string in = folder + source.archive.substr(0, source.archive.size() - name.size());
  const std::vector<FileInfo> listed = ListExactly(fs, in, name, true);
  Bytes archive;
  FileStamp before, after;
  ZipArchiver keeper(fs);
  keptIn.clear();
  if (listed.size() == 1 && fs.ReadWhole(in + name, archive, before, after, kLargestArchive) == ReadStatus::Ok) {
    keptIn = keeper.PlaceNew(archive, folder, ArchiveKind::Kept, source.character,
                             NameStamp(listed.front().dosDate, listed.front().dosTime), listed.front().unixTime);
  }
  return keptIn.empty() ? "Unable to keep " + name + "." : "";
}

std::string RestoreQuestion(const RestoreSource& source, const std::string& madeAt, bool gameMayRun) {
  const std::string& name = source.character;
  const auto described = [](const SaveState& s) {
    return "level " + std::to_string(s.level) + (s.dead() ? ", dead" : "") + (s.corpse() ? ", with a corpse" : "");
  };
  std::string first = source.beforeRestore
                          ? "Restore " + name + " to the files from before the restore of " + madeAt + "?"
                          : "Restore " + name + " from " + ShownName(source.archive) + ", made " + madeAt +
                                (source.archived.known ? " (" + described(source.archived) + ")?" : "?");
  if (source.present.known) first += "\n" + name + " is now " + described(source.present) + ".";
  const std::string kept = source.keptIn.empty() ? name + " has no current files."
                                                : name + "'s current files are kept first in a new " + name +
                                                      "-before-restore archive.";
  if (!gameMayRun) return first + "\n" + kept;
  return first + "\n" + kept +
         "\nCairnkeep cannot tell whether Diablo II is running: if it is, close it first, or it will save over the "
         "restored files.";
}

std::string RestoredText(const RestoreSource& source, const std::string& time, const std::string& keptIn) {
  std::string text = "Restored " + source.character + " from " + ShownName(source.archive) + " at " + time;
  return keptIn.empty() ? text : text + " - the files before are kept in " + keptIn;
}

}  // namespace ck
