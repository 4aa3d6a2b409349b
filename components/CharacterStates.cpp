#include "components/CharacterStates.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "components/ArchiveNames.h"
#include "components/History.h"

namespace ck {
namespace {

// Names compare as Windows compares them.
std::string Folded(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

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
  // Whose by the characters there are, as the passes read it, and by the
  // name alone where none of them is the owner.
  std::vector<std::string> saves;
  for (const FileInfo& f : ListExactly(fs, saveFolder, "*.d2s", true)) saves.push_back(f.name.substr(0, f.name.size() - 4));
  std::map<std::string, std::string> names;  // as first spelled, by the folded name
  for (FileInfo& f : ListExactly(fs, saveFolder, kArchivePattern, true)) {
    ArchiveName read;
    for (const std::string& save : saves) {
      read = ReadArchiveName(f.name, save, saves);
      if (read.kind != ArchiveKind::None && read.kind != ArchiveKind::Temporary) {
        read.character = save;
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
    rows.push_back(std::move(row));
  }
  rows.insert(rows.end(), inFolder.begin(), inFolder.end());
  std::reverse(rows.begin(), rows.end());
  std::stable_sort(rows.begin(), rows.end(), [](const StateRow& a, const StateRow& b) { return a.madeAt > b.madeAt; });
  return rows;
}

}  // namespace ck
