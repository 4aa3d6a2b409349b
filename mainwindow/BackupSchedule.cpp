#include "mainwindow/BackupSchedule.h"

#include <algorithm>

#include "components/ArchiveNames.h"
#include "components/FileMask.h"
#include "mainwindow/NumberText.h"

namespace ck {

bool IsDue(std::string_view intervalText, std::uint64_t elapsedMs,
           std::string_view decimalSeparator) {
  const std::optional<double> minutes = ParseNumber(intervalText, decimalSeparator);
  if (!minutes) return false;
  return *minutes * 60000.0 <= static_cast<double>(elapsedMs);
}

namespace {

bool SameName(std::string_view a, std::string_view b) { return a.size() == b.size() && MatchesMask(a, b); }

}  // namespace

void SaveWatchSchedule::Changed(std::string_view file, std::uint64_t nowMs) {
  // A pass packs neither archives nor temporaries, so their changes (the
  // pass's own writes among them) cannot change what it would keep.
  if (MatchesMask(file, kArchivePattern) || ReadArchiveName(file).kind == ArchiveKind::Temporary) return;
  // A character's files are those its pass packs: "<name>.*".
  for (Pending& p : pending_) {
    if (p.save.empty() || MatchesMask(file, p.character + ".*")) p.last = std::max(p.last, nowMs);
  }
  constexpr std::string_view kSave = ".d2s";
  if (file.size() <= kSave.size() || !MatchesMask(file, "*.d2s")) return;
  Wait(std::string(file), file.substr(0, file.size() - kSave.size()), nowMs, 0);
}

void SaveWatchSchedule::Lost(std::uint64_t nowMs) { Wait({}, {}, nowMs, 0); }

void SaveWatchSchedule::Wait(const std::string& save, std::string_view character, std::uint64_t nowMs, int tries) {
  for (Pending& p : pending_) {
    if (p.save.empty() == save.empty() && SameName(p.character, character)) {
      p.last = std::max(p.last, nowMs);
      return;
    }
  }
  pending_.push_back({save, std::string(character), nowMs, nowMs, tries});
}

// Once none that waits is inside its quiet period, as a pass packs every
// character: one saved a moment ago beside one saved before would be caught
// half-written. No later than the first burst's limit.
std::optional<std::uint64_t> SaveWatchSchedule::DueAt() const {
  if (pending_.empty()) return std::nullopt;
  std::uint64_t allQuiet = 0, firstLimit = UINT64_MAX;
  for (const Pending& p : pending_) {
    allQuiet = std::max(allQuiet, std::min(p.last + kQuietMs, p.first + kBurstMs));
    firstLimit = std::min(firstLimit, p.first + kBurstMs);
  }
  return std::min(allQuiet, firstLimit);
}

std::string SaveWatchSchedule::Cause() const {
  const auto first = std::min_element(pending_.begin(), pending_.end(),
                                      [](const Pending& a, const Pending& b) { return a.first < b.first; });
  return first == pending_.end() ? std::string() : first->save;
}

// While anything waits, the pass comes within kBurstMs: the interval's
// pass too waits for the game to finish writing.
bool SaveWatchSchedule::Due(std::uint64_t nowMs, std::string_view intervalText, std::uint64_t sincePassMs,
                            std::string_view decimalSeparator) const {
  const std::optional<std::uint64_t> at = DueAt();
  return at ? *at <= nowMs : IsDue(intervalText, sincePassMs, decimalSeparator);
}

void SaveWatchSchedule::PassRan(std::uint64_t nowMs, const std::vector<std::string>& notSaved) {
  std::vector<Pending> seen;
  seen.swap(pending_);
  for (const Pending& p : seen) {
    const bool failed = std::any_of(notSaved.begin(), notSaved.end(),
                                    [&](const std::string& name) { return SameName(name, p.character); });
    if (!p.save.empty() && failed && p.tries < kRetries) Wait(p.save, p.character, nowMs, p.tries + 1);
  }
}

}  // namespace ck
