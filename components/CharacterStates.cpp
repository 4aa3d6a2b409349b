#include "components/CharacterStates.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>

#include "components/ArchiveNames.h"
#include "components/FileMask.h"
#include "components/History.h"

namespace ck {
namespace {

// Names compare as Windows compares them.
std::string Folded(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}
bool Same(const std::string& a, const std::string& b) { return Folded(a) == Folded(b); }

Keeper KeeperOf(ArchiveKind kind) {
  switch (kind) {
    case ArchiveKind::Slot:
      return Keeper::Newest;
    case ArchiveKind::BeforeDeath:
      return Keeper::BeforeDeath;
    case ArchiveKind::BeforeRestore:
    case ArchiveKind::Restoring:
      return Keeper::BeforeRestore;
    default:
      // A history archive copied into the save folder: no pass removes it.
      return Keeper::Kept;
  }
}

Keeper KeeperOf(KeptBy by) {
  switch (by) {
    case KeptBy::Nothing:
      return Keeper::Nothing;
    case KeptBy::Hourly:
      return Keeper::Hourly;
    case KeptBy::Daily:
      return Keeper::Daily;
    case KeptBy::Weekly:
      return Keeper::Weekly;
    case KeptBy::Newest:
    case KeptBy::Later:
      break;
  }
  return Keeper::Newest;
}

}  // namespace

Whose SaveHeldIn(FileSystem& fs, const std::string& archive, const std::string& save) {
  const auto holds = [&](const std::function<bool(const std::string&)>& wanted) {
    ZipEntry entry;
    FileStamp stamp;
    bool found = false;
    fs.ReadParts(archive, stamp, [&](std::uint64_t size, const ReadAt& at) {
      found = ReadZipEntryAt(size, at, wanted, entry);
    });
    return found;
  };
  if (holds([&](const std::string& e) { return MatchesMask(e, save); })) return Whose::Own;
  return holds([](const std::string& e) { return MatchesMask(e, "*.d2s"); }) ? Whose::Another : Whose::NoSave;
}

bool IsCharactersArchive(FileSystem& fs, const std::string& folder, const std::string& file,
                         const std::string& character, const std::string& save,
                         const std::vector<std::string>& characters) {
  return ReadArchiveName(file, character, characters).kind != ArchiveKind::None ||
         (ReadArchiveName(file, character).kind == ArchiveKind::Slot &&
          SaveHeldIn(fs, folder + file, save) == Whose::Own);
}

const char* KeeperText(Keeper keeper) {
  switch (keeper) {
    case Keeper::Nothing:
      break;
    case Keeper::Newest:
      return "newest";
    case Keeper::Hourly:
      return "hourly";
    case Keeper::Daily:
      return "daily";
    case Keeper::Weekly:
      return "weekly";
    case Keeper::Kept:
      return "kept";
    case Keeper::BeforeDeath:
      return "before death";
    case Keeper::BeforeRestore:
      return "before restore";
  }
  return "";
}

SavedStates::SavedStates(FileSystem& fs, const std::string& saveFolder) : fs_(fs), saveFolder_(saveFolder) {
  // Whose by the characters the passes archive, each once, not hidden and
  // named, those whose names are their own first: a copy "Bob1" beside Bob
  // is not archived, and Bob's "Bob11.zip" that holds Bob's save is Bob's.
  // Where none of them owns it, by the name alone.
  std::vector<std::string> saves;
  std::vector<std::pair<std::string, std::string>> owners;  // a character, its save as archives spell it
  for (const FileInfo& f : ListExactly(fs, saveFolder, "*.d2s")) {
    const std::string name = f.name.substr(0, f.name.size() - 4);
    const bool known = std::any_of(saves.begin(), saves.end(), [&](const std::string& s) { return Same(s, name); });
    if (name.empty() || known) continue;
    saves.push_back(name);
    owners.emplace_back(name, f.utf8Name);
  }
  std::stable_partition(owners.begin(), owners.end(),
                        [&](const auto& owner) { return NamesTakenFrom(owner.first, saves).empty(); });
  std::map<std::string, std::string> names;  // as first spelled, by the folded name
  for (FileInfo& f : ListExactly(fs, saveFolder, kArchivePattern, true)) {
    ArchiveName read;
    for (const auto& [character, save] : owners) {
      if (IsCharactersArchive(fs, saveFolder, f.name, character, save, saves)) {
        read = ReadArchiveName(f.name, character, saves);
        if (read.kind == ArchiveKind::None) read = ReadArchiveName(f.name, character);
        read.character = character;
        break;
      }
    }
    if (read.kind == ArchiveKind::None || read.kind == ArchiveKind::Temporary) read = ReadArchiveName(f.name);
    if (read.kind == ArchiveKind::None || read.kind == ArchiveKind::Temporary) continue;
    names.try_emplace(Folded(read.character), read.character);
    archives_.push_back({std::move(read), std::move(f)});
  }
  const std::string histories = HistoryFolder(saveFolder, "");
  for (const std::string& folder : fs.Folders(histories.substr(0, histories.size() - 1))) {
    names.try_emplace(Folded(folder), folder);
  }
  for (auto& [folded, name] : names) characters_.push_back(std::move(name));
}

std::string SavedStates::Whose(const std::string& archive) const {
  for (const Archive& a : archives_) {
    if (a.file.name == archive) return a.name.character;
  }
  return {};
}

std::vector<StateRow> SavedStates::Of(const std::string& character, int keep, std::int64_t now) const {
  // The history first, as it is listed, oldest first and of one time in the
  // order the archives came in; then, all turned round, the newest first,
  // and of one time a slot first and the later to come in first, as the
  // rule takes them.
  std::vector<StateRow> rows;
  std::vector<FileInfo> slots;
  CharacterHistory history(fs_, saveFolder_, character);
  std::vector<StateRow> inFolder;
  for (const Archive& a : archives_) {
    if (Folded(a.name.character) != Folded(character)) continue;
    inFolder.push_back({a.file, a.file.unixTime, KeeperOf(a.name.kind)});
    if (a.name.kind == ArchiveKind::Slot && a.name.slot <= keep) slots.push_back(a.file);
  }
  const std::vector<FileInfo>& archives = history.Archives();
  const std::vector<KeptBy> why = history.Why(slots, now);
  for (std::size_t i = 0; i < archives.size(); ++i) {
    StateRow row{archives[i], HistoryTime(ReadArchiveName(archives[i].name, character)), KeeperOf(why[i])};
    row.file.name = history.Path(archives[i].name);
    // The passes never remove one marked read-only.
    if (row.keeper == Keeper::Nothing && fs_.IsReadOnly(saveFolder_ + row.file.name)) row.keeper = Keeper::Kept;
    rows.push_back(std::move(row));
  }
  rows.insert(rows.end(), inFolder.begin(), inFolder.end());
  std::reverse(rows.begin(), rows.end());
  std::stable_sort(rows.begin(), rows.end(), [](const StateRow& a, const StateRow& b) { return a.madeAt > b.madeAt; });
  return rows;
}

}  // namespace ck
