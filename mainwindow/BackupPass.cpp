#include "mainwindow/BackupPass.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "components/ArchiveNames.h"
#include "components/CharacterStates.h"
#include "components/FileMask.h"
#include "components/FolderPrefix.h"
#include "components/History.h"
#include "components/SaveState.h"
#include "components/ZipArchiver.h"

namespace ck {

namespace {

// The slot number of `file` if it is one of the slot archives of `name`,
// else 0.
int SlotOf(std::string_view file, std::string_view name) {
  const ArchiveName read = ReadArchiveName(file, name);
  return read.kind == ArchiveKind::Slot ? read.slot : 0;
}

// The slot of `name` that the player went back to, while no slot has been
// written since, as this process knows it or the newest before-restore
// archive records it: that archive made after every slot, recording a
// restore from one of them that is still the file it was then. 0 when
// there is none; then time decides. `from` is that archive's stamp when
// its record decided. Gone back to an archive that is no slot (a kept one,
// a history state), `other` is that archive, its name a path from the save
// folder: the state the character was in until the game saved.
int RestoredSlot(FileSystem& fs, const std::string& folder, const std::string& name,
                 const std::vector<FileInfo>& archives, CharacterMemory& memory, FileStamp& from,
                 std::optional<FileInfo>& other) {
  other.reset();
  const FileInfo* newestRecord = nullptr;
  std::uint64_t newestSlot = 0;
  for (const FileInfo& f : archives) {
    const ArchiveKind kind = ReadArchiveName(f.name, name).kind;
    if (kind == ArchiveKind::Slot) newestSlot = std::max(newestSlot, f.lastWrite);
    if (kind == ArchiveKind::BeforeRestore && (!newestRecord || f.lastWrite > newestRecord->lastWrite)) {
      newestRecord = &f;
    }
  }
  from = {};
  if (newestRecord) from = {newestRecord->size, newestRecord->lastWrite, newestRecord->identity};
  RestoreRecord record = memory.restored;
  if (record.source.empty()) {
    if (!newestRecord || newestRecord->lastWrite <= newestSlot || from == memory.recordUsed) return 0;
    // Read once for each file it is.
    if (!(from == memory.recordSeen)) {
      std::string comment;
      FileStamp opened;
      const auto readComment = [&](std::uint64_t size, const ReadAt& at) {
        if (!ReadZipCommentAt(size, at, comment)) comment.clear();
      };
      if (fs.ReadParts(folder + newestRecord->name, opened, readComment) != ReadStatus::Ok) return 0;
      memory.recordSeen = from;
      if (!ReadRecord(comment, memory.recordRead)) memory.recordRead = {};
    }
    record = memory.recordRead;
  }
  const auto same = [&](const FileInfo& f) { return f.size == record.size && f.lastWrite == record.lastWrite; };
  for (const FileInfo& f : archives) {
    if (f.name != record.source || !same(f)) continue;
    const ArchiveName read = ReadArchiveName(f.name, name);
    if (read.kind == ArchiveKind::Slot) return read.slot;
    other = f;
    return 0;
  }
  // A history archive of this character's that holds its save: a record
  // comes with any archive copied in.
  std::string character, file;
  if (!record.source.empty() && ReadArchivePath(record.source, character, file) && MatchesMask(character, name)) {
    for (FileInfo f : ListExactly(fs, HistoryFolder(folder, character), file, true)) {
      if (same(f) && SaveHeldIn(fs, HistoryFolder(folder, character) + file, name + ".d2s") == Whose::Own) {
        other = f, other->name = record.source;
      }
    }
  }
  return 0;
}

// The mark of a restore of `name` that did not finish, while the game has
// not saved since; else null. `sources`: the archives the marks there were
// restored from, which no pass lets go while a mark names them, as telling
// whether a restore finished needs them.
const FileInfo* CutShort(FileSystem& fs, const std::string& folder, const std::string& name,
                         const std::vector<FileInfo>& archives, std::vector<std::string>& sources) {
  const FileInfo* cut = nullptr;
  for (const FileInfo& f : archives) {
    if (ReadArchiveName(f.name, name).kind != ArchiveKind::Restoring) continue;
    RestoreRecord record;
    if (RestoreUnfinished(fs, folder, name, f.name, &record) && !cut) cut = &f;
    if (!record.source.empty()) sources.push_back(record.source);
  }
  return cut;
}

// The slot archives of `name` last written, all of them when equally
// recent (a file system with coarse times cannot tell which came last), and
// the one this process wrote last.
std::vector<std::string> NewestArchives(const std::vector<FileInfo>& archives, const std::string& folder,
                                        const std::string& name, int lastWritten, int restored) {
  std::vector<std::string> newest;
  std::uint64_t latest = 0;
  for (const FileInfo& f : archives) {
    if (!SlotOf(f.name, name) || f.lastWrite < latest) continue;
    if (f.lastWrite > latest) newest.clear();
    latest = f.lastWrite;
    newest.push_back(folder + f.name);
  }
  if (lastWritten) newest.push_back(folder + SlotName(name, lastWritten));
  if (restored) newest.push_back(folder + SlotName(name, restored));
  return newest;
}

// The newest slot archive of `name`: the one this process wrote last, else
// the latest by time.
const FileInfo* NewestOf(const std::vector<FileInfo>& archives, const std::string& name, int lastWritten) {
  const FileInfo* newest = nullptr;
  for (const FileInfo& f : archives) {
    const int slot = SlotOf(f.name, name);
    if (slot && lastWritten == slot) return &f;
    if (slot && (!newest || f.lastWrite > newest->lastWrite)) newest = &f;
  }
  return newest;
}

// Whether the character died since `newest` was written, going by its save
// among `entries`; if so, `keptIn` names the copy of `newest` kept apart
// (made now, or by a pass whose own write then failed), empty when it could
// not be made. A damaged newest archive tells nothing, and the pass goes on
// as usual; one that cannot be read at all (held by another program) may
// hide a death that the present save shows signs of: it counts as one.
bool KeepBeforeDeath(FileSystem& fs, ZipArchiver& archiver, const std::string& folder, const std::string& name,
                     const FileInfo* newest, const std::vector<FileInfo>& archives,
                     const std::vector<ZipEntry>& entries, std::string& keptIn) {
  const auto isSave = [](const std::string& entry) { return MatchesMask(entry, "*.d2s"); };
  const auto now = std::find_if(entries.begin(), entries.end(), [&](const ZipEntry& e) { return isSave(e.name); });
  if (!newest || now == entries.end()) return false;
  const SaveState present = ReadSaveState(now->data.data(), now->data.size());
  // No death without a sign of one now: most passes read nothing more.
  if (!present.died && !present.corpse()) return false;
  Bytes archive;
  FileStamp before, after;
  ZipEntry then;
  const ReadStatus read = fs.ReadWhole(folder + newest->name, archive, before, after, kLargestContents);
  // Only a read that failed may hide a death; one too large to read is no
  // archive of ours, and tells nothing, as a damaged one.
  if (read != ReadStatus::Ok) return read == ReadStatus::Failed;
  if (!VerifyZip(archive) || !ReadZipEntry(archive, isSave, then) ||
      !DiedSince(ReadSaveState(then.data.data(), then.data.size()), present)) {
    return false;
  }
  // Named for the time the archive was made, so a copy kept by a pass
  // whose own write then failed is found again.
  const std::string stamp = NameStamp(newest->dosDate, newest->dosTime);
  Bytes kept;
  for (const FileInfo& earlier : archives) {
    const ArchiveName read = ReadArchiveName(earlier.name, name);
    if (read.kind != ArchiveKind::BeforeDeath || read.stamp != stamp) continue;
    if (fs.ReadWhole(folder + earlier.name, kept, before, after, archive.size()) == ReadStatus::Ok && kept == archive) {
      keptIn = earlier.name;
      return true;
    }
  }
  keptIn = archiver.PlaceNew(archive, folder, ArchiveKind::BeforeDeath, name, stamp, newest->unixTime);
  return true;
}

// Whether the character's files and the archive that held them are as the
// last pass read them: `files` and `archives` as listed now, with their
// identities, `newest` the archives a read would compare with. Each file's
// size and time are asked of the file itself too, which a writer that still
// holds it open has changed already.
bool StillHeld(FileSystem& fs, const CharacterMemory& memory, const std::vector<const FileInfo*>& files,
               const std::vector<FileInfo>& archives, const std::vector<std::string>& newest,
               const std::string& folder) {
  const auto same = [](const FileInfo& f, const FileStamp& read) {
    return f.identity != 0 && FileStamp{f.size, f.lastWrite, f.identity} == read;
  };
  if (memory.heldIn.empty() || files.size() != memory.files.size() ||
      std::find(newest.begin(), newest.end(), memory.heldIn) == newest.end()) {
    return false;
  }
  for (const FileInfo* f : files) {
    const auto read = std::find_if(memory.files.begin(), memory.files.end(),
                                   [&](const auto& stamp) { return stamp.first == f->name; });
    FileStamp now;
    if (read == memory.files.end() || !same(*f, read->second) || !fs.Stamp(folder + f->name, now) ||
        now.size != f->size || now.lastWrite != f->lastWrite) {
      return false;
    }
  }
  const auto archive = std::find_if(archives.begin(), archives.end(),
                                    [&](const FileInfo& a) { return folder + a.name == memory.heldIn; });
  return archive != archives.end() && same(*archive, memory.heldInStamp);
}

// Whether the wall clock advanced since `then` by more than half a second
// less than the clock no one sets.
bool SetBack(const Clocks& then, const Clocks& now) {
  if (!then.perSecond || then.perSecond != now.perSecond) return true;
  return now.wall + now.perSecond / 2 < then.wall + (now.steady - then.steady);
}

// Whether an archive written just before `now`, and read back as `written`,
// shows times that are fine and the clock's own.
bool TimesFine(const FileStamp& written, const Clocks& now) {
  return now.perSecond && written.lastWrite % now.perSecond != 0 && written.lastWrite <= now.wall + now.perSecond &&
         now.wall <= written.lastWrite + now.perSecond;
}

// FAT keeps times to 2 seconds; one more for the clock's own steps.
constexpr std::uint64_t kSettleSeconds = 3;

// Remembers what `archiver` read and where it found or put it, when every
// file was written before `settled`: one written later could be written
// again within the same tick of a coarse clock, with its size, and look the
// same.
void Remember(CharacterMemory& memory, const ZipArchiver& archiver, std::uint64_t settled) {
  memory.heldIn.clear();
  for (const auto& [name, stamp] : archiver.Stamps) {
    if (stamp.identity == 0 || stamp.lastWrite >= settled) return;
  }
  memory.files = archiver.Stamps;
  memory.heldIn = archiver.HeldIn;
  memory.heldInStamp = archiver.HeldInStamp;
  memory.leftOut = archiver.LeftOut;
}

// Whether the wall clock may have gained more than a minute on the clock
// no one sets since `then`: set ahead, it would age the history. Without
// a pass before it to tell, as after a start, it may have.
bool MayHaveJumped(const Clocks& then, const Clocks& now) {
  return !then.perSecond || then.perSecond != now.perSecond || now.steady < then.steady ||
         now.wall > then.wall + (now.steady - then.steady) + 60 * now.perSecond;
}

// The second since 1970 of `ticks`, a file time of this side, by `clocks`
// read at one moment: its ticks count from 1970, or from a whole number of
// seconds before it.
std::int64_t UnixTimeOf(std::uint64_t ticks, const Clocks& clocks) {
  const std::uint64_t second = clocks.wall - clocks.wall % clocks.perSecond;
  if (ticks >= second) return clocks.unixTime + static_cast<std::int64_t>((ticks - second) / clocks.perSecond);
  return clocks.unixTime - static_cast<std::int64_t>((second - ticks + clocks.perSecond - 1) / clocks.perSecond);
}

// When `path` was last written, in seconds since 1970, as the file says it
// now: where the file side tells its stamp, without listing the folder.
std::optional<std::int64_t> WrittenAt(FileSystem& fs, const std::string& folder, const std::string& path,
                                      const Clocks& clocks) {
  FileStamp stamp;
  if (clocks.perSecond && fs.Stamp(path, stamp)) return UnixTimeOf(stamp.lastWrite, clocks);
  const std::vector<FileInfo> listed = ListExactly(fs, folder, path.substr(std::min(path.size(), folder.size())), true);
  if (listed.empty()) return std::nullopt;
  return listed.front().unixTime;
}

// A slot the archive could not take; another may.
bool SlotRefused(AddResult added) { return added == AddResult::ReadOnly || added == AddResult::Refused; }

}  // namespace

std::vector<int> SlotsToWrite(const std::vector<FileInfo>& archives, const std::string& name, int keep,
                              int lastWritten, int restored, const std::vector<std::string>& characters) {
  // A name another character's archives could have is never written.
  const auto ours = [&](int slot) {
    return ReadArchiveName(SlotName(name, slot), name, characters).kind == ArchiveKind::Slot;
  };
  if (keep < 2) return {1};
  std::vector<std::uint64_t> times(static_cast<std::size_t>(keep) + 1, 0);
  std::vector<bool> exists(times.size(), false);
  for (const FileInfo& f : archives) {
    const int slot = SlotOf(f.name, name);
    if (slot < 1 || slot > keep || !ours(slot)) continue;
    exists[static_cast<std::size_t>(slot)] = true;
    times[static_cast<std::size_t>(slot)] = f.lastWrite;
  }
  std::vector<int> free, written;
  for (int slot = 1; slot <= keep; ++slot) {
    if (ours(slot)) (exists[static_cast<std::size_t>(slot)] ? written : free).push_back(slot);
  }
  std::stable_sort(written.begin(), written.end(), [&](int a, int b) {
    return times[static_cast<std::size_t>(a)] < times[static_cast<std::size_t>(b)];
  });
  if (restored && restored <= keep) {
    std::erase(written, restored);
  } else {
    // The newest by time, ties to the highest number; and the one written last.
    if (!written.empty()) written.pop_back();
    std::erase(written, lastWritten);
  }
  free.insert(free.end(), written.begin(), written.end());
  return free;
}

std::optional<PassResult> RunBackupPass(FileSystem& fs, const std::string& saveDir, int keep, CharacterTable& table,
                                        PassMemory& memory) {
  EnumerateSaveFiles(fs, saveDir, table);
  if (table.SaveCount() == 0) return std::nullopt;

  PassResult result;
  const std::string folder = FolderPrefix(saveDir);
  // One listing for both: the archives, hidden ones too, as a slot the user
  // hid still keeps a state; and the files that are not hidden, of which a
  // character's are archived.
  std::vector<FileInfo> all = fs.List(folder, "*", true);
  fs.Identify(folder, all);
  std::vector<FileInfo> listing, allArchives;
  for (FileInfo& f : all) {
    if (MatchesMask(f.name, kArchivePattern)) allArchives.push_back(f);
    if (!f.hidden) listing.push_back(std::move(f));
  }
  // Taken before any file is read: a file written before `settled` shows
  // every later write by a later time, however coarse its folder's times.
  const Clocks clocks = fs.ReadClocks();
  const bool thinning = !MayHaveJumped(memory.clocks, clocks);
  if (SetBack(memory.clocks, clocks)) {
    for (auto& [name, character] : memory.characters) character.heldIn.clear();
  }
  memory.clocks = clocks;
  const std::uint64_t margin = kSettleSeconds * clocks.perSecond;
  const std::uint64_t settled = clocks.wall > margin ? clocks.wall - margin : 0;
  const bool listingTrusted = memory.timesFineIn == folder;
  ZipArchiver archiver(fs);
  archiver.Listing = &listing;
  for (const std::string& name : table.SaveNames) {
    AddResult added = AddResult::Failed;
    // Whatever this character's files do, the pass goes on with the next.
    try {
      if (const std::string other = NamesTakenFrom(name, table.SaveNames); !other.empty()) {
        result.notSaved.push_back(name);
        result.why.emplace_back(name, "its archives would take " + other + "'s names");
        continue;
      }
      std::string save = name + ".d2s";
      for (const FileInfo& f : listing) {
        if (MatchesMask(f.name, save)) save = f.utf8Name;
      }
      std::vector<FileInfo> archives;
      for (const FileInfo& f : allArchives) {
        if (IsCharactersArchive(fs, folder, f.name, name, save, table.SaveNames)) archives.push_back(f);
      }
      CharacterMemory& remembered = memory.characters[name];
      int& last = remembered.lastWritten;
      archiver.Action = 1;
      archiver.IncludeFileMask = name + ".*";
      archiver.ExcludeFileMask = kArchivePattern;
      archiver.SourceDirectory = saveDir;
      archiver.RequiredFile = name + ".d2s";
      FileStamp recordFrom;
      std::optional<FileInfo> restoredFrom;
      const int restored = RestoredSlot(fs, folder, name, archives, remembered, recordFrom, restoredFrom);
      archiver.Newest = NewestArchives(archives, folder, name, last, restored);
      std::vector<const FileInfo*> files;
      for (const FileInfo& f : listing) {
        if (MatchesMask(f.name, archiver.IncludeFileMask) && !MatchesMask(f.name, archiver.ExcludeFileMask)) {
          files.push_back(&f);
        }
      }
      std::vector<std::string> unthinned{memory.spared};
      if (const FileInfo* mark = CutShort(fs, folder, name, archives, unthinned)) {
        result.notSaved.push_back(name);
        result.cutShort.emplace_back(name, mark->name);
        continue;
      }
      if (listingTrusted && StillHeld(fs, remembered, files, archives, archiver.Newest, folder)) {
        result.unchanged.push_back(name);
        result.leftOut.insert(result.leftOut.end(), remembered.leftOut.begin(), remembered.leftOut.end());
        continue;
      }
      // A death is one since the state gone back to, wherever it lies.
      const FileInfo* newest = restoredFrom ? &*restoredFrom : NewestOf(archives, name, restored ? restored : last);
      std::optional<bool> died;
      std::string keptIn;
      bool exists = false, anothers = false;
      archiver.BeforeWrite = [&](const std::vector<ZipEntry>& entries) {
        if (!died) died = KeepBeforeDeath(fs, archiver, folder, name, newest, archives, entries, keptIn);
        // A death is written only once the state before it is kept apart:
        // the rotation would take that state away, and a later pass, finding
        // no death since the newest archive, would not keep it then.
        if (*died && keptIn.empty()) return false;
        // Whatever the names say, a slot that holds another character's
        // save, a copy's archive under a name of this one's or the other way
        // round, is not this character's to write.
        anothers = exists && SaveHeldIn(fs, archiver.ZipFileName, save) == Whose::Another;
        return !anothers;
      };
      // A slot whose state the rule keeps is moved into the history as the
      // last step before the new archive takes its place, so that a
      // character found unchanged, torn or not saved moves nothing. Once
      // one such move fails, only slots whose states the rule lets go are
      // written this pass. The states in slots beyond those kept, left
      // when the number was lowered or by a copy since gone whose names
      // they are, push no history state out.
      std::vector<FileInfo> slots;
      for (const FileInfo& f : archives) {
        if (const int slot = SlotOf(f.name, name); slot && slot <= keep) slots.push_back(f);
      }
      CharacterHistory history(fs, folder, name);
      FileInfo* leaving = nullptr;
      FileInfo arriving;
      bool moved = false, notMoved = false, refusedForIt = false, arrivalKnown = false;
      archiver.BeforePlace = [&](const std::string& temporary, WaitBudget& budget) {
        // The rule is asked of the times the files have now: the slot's as
        // it is moved, not as listed, and the new archive's as written.
        // One not known is taken for now, which keeps more than less.
        const std::optional<std::int64_t> written = WrittenAt(fs, folder, temporary, clocks);
        arrivalKnown = written.has_value();
        arriving = {};
        arriving.unixTime = written ? *written : fs.ReadClocks().unixTime;
        if (!leaving) return true;
        if (const auto now = WrittenAt(fs, folder, archiver.ZipFileName, clocks)) leaving->unixTime = *now;
        if (!history.Keeps(slots, *leaving, arriving, clocks.unixTime)) return true;
        moved = !notMoved && history.Move(archiver.ZipFileName, *leaving, budget);
        notMoved = refusedForIt = !moved;
        return moved;
      };
      remembered.heldIn.clear();
      archiver.RereadFrom = listingTrusted ? UINT64_MAX : settled;
      const ArchiveName spared = ReadArchiveName(memory.spared, name);
      for (int slot : SlotsToWrite(archives, name, keep, last, restored, table.SaveNames)) {
        if (spared.kind == ArchiveKind::Slot && spared.slot == slot) continue;
        archiver.ZipFileName = folder + SlotName(name, slot);
        exists = std::any_of(allArchives.begin(), allArchives.end(), [&](const FileInfo& f) {
          const ArchiveName read = ReadArchiveName(f.name, name);
          return read.kind == ArchiveKind::Slot && read.slot == slot;
        });
        const auto listed =
            std::find_if(slots.begin(), slots.end(), [&](const FileInfo& f) { return SlotOf(f.name, name) == slot; });
        leaving = listed == slots.end() ? nullptr : &*listed;
        moved = refusedForIt = false;
        added = archiver.Add();
        // The slot holds the new state now; or, its state moved and the new
        // one not put in its place, none, and the history the only copy.
        if (added == AddResult::Saved) {
          arriving.name = SlotName(name, slot);
          leaving ? void(*leaving = arriving) : slots.push_back(arriving);
        } else if (moved) {
          slots.erase(listed);
        }
        if (std::exchange(anothers, false)) continue;
        if (added == AddResult::Saved) {
          memory.timesFineIn = TimesFine(archiver.HeldInStamp, fs.ReadClocks()) ? folder : "";
          // The newest is this slot now, whatever the times say.
          last = slot;
          remembered.restored = {};
          if (!(recordFrom == FileStamp{})) remembered.recordUsed = recordFrom;
          // Then, and only then, what the rule no longer keeps goes; what
          // could not go now goes at a later pass.
          try {
            if (thinning && arrivalKnown) history.Thin(slots, clocks.unixTime, unthinned);
          } catch (...) {
          }
        }
        if (!SlotRefused(added)) break;
      }
      if (added == AddResult::Saved || added == AddResult::Unchanged) Remember(remembered, archiver, settled);
      result.leftOut.insert(result.leftOut.end(), archiver.LeftOut.begin(), archiver.LeftOut.end());
      if (died.value_or(false)) result.died.emplace_back(name, keptIn);
      if (refusedForIt && added == AddResult::Refused) {
        result.why.emplace_back(name, "its older backup could not be moved into " + std::string(kHistoryFolder));
      }
      if (added == AddResult::NamesClash) {
        std::string clash;
        for (const std::string& file : archiver.Clashing) clash += (clash.empty() ? "" : " and ") + file;
        result.why.emplace_back(name, clash + " differ only in case");
      }
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

void WentBack(PassMemory& memory, const std::string& character, const RestoreRecord& source) {
  memory.characters[character].restored = source;
}

namespace {

void AppendList(std::string& text, const char* heading, const std::vector<std::string>& items,
                const std::vector<std::pair<std::string, std::string>>& why = {}) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    text += i == 0 ? heading : ", ";
    text += items[i];
    for (const auto& [name, reason] : why) {
      if (name == items[i]) text += " (" + reason + ")";
    }
  }
}

}  // namespace

std::string LastSaveText(std::string_view time, const PassResult& pass) {
  if (pass.notSaved.empty() && pass.leftOut.empty()) return "Last save was at " + std::string(time);
  // The panel is narrow: what went wrong first, so that it is never cut
  // off and read as a success.
  std::string text;
  AppendList(text, "Not saved: ", pass.notSaved, pass.why);
  AppendList(text, text.empty() ? "Left out, too large: " : " - left out, too large: ", pass.leftOut);
  return text + " - " + std::string(time);
}

std::string LastSaveTip(std::string_view time, const PassResult& pass) {
  std::string tip = "Last save was at " + std::string(time);
  AppendList(tip, " - not saved: ", pass.notSaved, pass.why);
  AppendList(tip, " - left out, too large: ", pass.leftOut);
  AppendList(tip, " - saved: ", pass.saved);
  AppendList(tip, " - unchanged: ", pass.unchanged);
  for (const auto& [name, mark] : pass.cutShort) {
    tip += " - a restore of " + name + " did not finish: restore " + mark + " or the archive it names";
  }
  for (const auto& [name, keptIn] : pass.died) {
    tip += " - " + name + " died: the last backup before it " +
           (keptIn.empty() ? "could not be kept apart" : "is kept in " + keptIn);
  }
  return tip;
}

}  // namespace ck
