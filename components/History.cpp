#include "components/History.h"

#include <algorithm>
#include <cctype>

#include "components/ArchiveNames.h"

namespace ck {
namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }

// Paths compare as Windows compares them.
bool SamePath(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

std::int64_t HourOf(const StateTime& s) { return FloorDiv(s.unixTime, 3600); }
std::int64_t DayOf(const StateTime& s) { return FloorDiv(s.unixTime + std::int64_t{s.offsetMinutes} * 60, 86400); }
// 1970-01-01 was a Thursday: day -3 is the Monday that starts its week.
std::int64_t WeekOf(const StateTime& s) { return FloorDiv(DayOf(s) + 3, 7); }

}  // namespace

std::vector<KeptBy> KeptByAge(const std::vector<StateTime>& states, std::int64_t now) {
  std::vector<KeptBy> kept(states.size(), KeptBy::Nothing);
  for (std::size_t i = 0; i < states.size(); ++i) {
    if (states[i].inSlot) {
      kept[i] = KeptBy::Newest;
    } else if (states[i].unixTime > now) {
      kept[i] = KeptBy::Later;
    }
  }
  struct Period {
    KeptBy by;
    int count;
    std::int64_t (*of)(const StateTime&);
  };
  // The states made by now, newest first.
  std::vector<std::size_t> newest;
  for (std::size_t i = 0; i < states.size(); ++i) {
    if (states[i].unixTime <= now) newest.push_back(i);
  }
  std::sort(newest.begin(), newest.end(), [&](std::size_t a, std::size_t b) {
    if (states[a].unixTime != states[b].unixTime) return states[a].unixTime > states[b].unixTime;
    if (states[a].inSlot != states[b].inSlot) return states[a].inSlot;
    return a > b;
  });
  struct Seen {
    std::int64_t period;
    std::size_t rank;
  };
  std::vector<Seen> seen(newest.size());
  for (const Period& period : {Period{KeptBy::Hourly, kHistoryHours, HourOf}, Period{KeptBy::Daily, kHistoryDays, DayOf},
                               Period{KeptBy::Weekly, kHistoryWeeks, WeekOf}}) {
    // The most recent periods first, and in each its newest state first.
    for (std::size_t rank = 0; rank < newest.size(); ++rank) seen[rank] = {period.of(states[newest[rank]]), rank};
    std::sort(seen.begin(), seen.end(), [](const Seen& a, const Seen& b) {
      return a.period != b.period ? a.period > b.period : a.rank < b.rank;
    });
    int left = period.count;
    for (std::size_t at = 0; at < seen.size() && left > 0; ++at) {
      if (at > 0 && seen[at].period == seen[at - 1].period) continue;
      --left;
      const std::size_t i = newest[seen[at].rank];
      if (kept[i] == KeptBy::Nothing) kept[i] = period.by;
    }
  }
  return kept;
}

CharacterHistory::CharacterHistory(FileSystem& fs, const std::string& saveFolder, const std::string& character)
    : fs_(fs), saveFolder_(saveFolder), character_(character), folder_(HistoryFolder(saveFolder, character)) {}

const std::vector<FileInfo>& CharacterHistory::Archives() {
  if (!listed_) {
    listed_ = true;
    // By time, and of one time by the order they were moved in, which
    // their clash numbers tell: the rule takes the later of a tie for the
    // newer, at every pass alike.
    std::vector<std::pair<std::pair<std::int64_t, int>, FileInfo>> found;
    for (FileInfo& f : ListExactly(fs_, folder_, kArchivePattern, true)) {
      const ArchiveName name = ReadArchiveName(f.name, character_);
      if (name.kind == ArchiveKind::History) found.push_back({{HistoryTime(name), name.clash}, std::move(f)});
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [when, f] : found) {
      times_.push_back({when.first, ReadArchiveName(f.name, character_).offsetMinutes, false});
      archives_.push_back(std::move(f));
    }
  }
  return archives_;
}

StateTime CharacterHistory::SlotTime(const FileInfo& slot) {
  return {slot.unixTime, fs_.UtcOffsetMinutes(slot.unixTime), true};
}

bool CharacterHistory::Keeps(const std::vector<FileInfo>& slots, const FileInfo& leaving, const FileInfo& arriving,
                             std::int64_t now) {
  Archives();
  std::vector<StateTime> states = times_;
  for (const FileInfo& slot : slots) {
    if (slot.name != leaving.name) states.push_back(SlotTime(slot));
  }
  states.push_back(SlotTime(arriving));
  StateTime left = SlotTime(leaving);
  left.inSlot = false;
  states.push_back(left);
  return KeptByAge(states, now).back() != KeptBy::Nothing;
}

bool CharacterHistory::Move(const std::string& path, const FileInfo& leaving, WaitBudget& budget) {
  Archives();
  const std::string programFolder = saveFolder_ + kHistoryFolder;
  if (!fs_.MakeFolder(programFolder) || !fs_.MakeFolder(folder_.substr(0, folder_.size() - 1))) return false;
  const int offset = fs_.UtcOffsetMinutes(leaving.unixTime);
  for (int clash = 1; clash <= kMostClashes; ++clash) {
    const std::string name = HistoryName(character_, leaving.unixTime, offset, clash);
    const ReplaceStatus placed = PutInPlace(fs_, path, folder_ + name, false, budget);
    if (placed == ReplaceStatus::Exists) continue;
    if (placed != ReplaceStatus::Done) return false;
    FileInfo moved = leaving;
    moved.name = moved.utf8Name = name;
    archives_.push_back(std::move(moved));
    times_.push_back({leaving.unixTime, offset, false});
    return true;
  }
  return false;
}

std::vector<KeptBy> CharacterHistory::Why(const std::vector<FileInfo>& slots, std::int64_t now) {
  Archives();
  std::vector<StateTime> states = times_;
  for (const FileInfo& slot : slots) states.push_back(SlotTime(slot));
  std::vector<KeptBy> kept = KeptByAge(states, now);
  kept.resize(times_.size());
  return kept;
}

void CharacterHistory::Thin(const std::vector<FileInfo>& slots, std::int64_t now,
                            const std::vector<std::string>& spared) {
  const std::vector<KeptBy> kept = Why(slots, now);
  std::size_t left = 0;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const std::string path = folder_ + archives_[i].name;
    const std::string from = Path(archives_[i].name);
    const bool isSpared = std::any_of(spared.begin(), spared.end(), [&](const std::string& s) { return SamePath(from, s); });
    if (kept[i] == KeptBy::Nothing && !isSpared && !fs_.IsReadOnly(path) && fs_.Remove(path)) {
      continue;
    }
    if (left != i) archives_[left] = std::move(archives_[i]), times_[left] = times_[i];
    ++left;
  }
  archives_.resize(left);
  times_.resize(left);
}

}  // namespace ck
