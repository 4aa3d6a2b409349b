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

void SaveWatchSchedule::Changed(std::string_view file, std::uint64_t nowMs) {
  // A pass packs neither archives nor temporaries, so their changes (the
  // pass's own writes among them) cannot change what it would keep.
  if (MatchesMask(file, kArchivePattern) || ReadArchiveName(file).kind == ArchiveKind::Temporary) return;
  if (lost_) lost_->last = std::max(lost_->last, nowMs);
  // A character's files are those its pass packs: "<name>.*".
  for (Pending& p : pending_) {
    if (MatchesMask(file, p.character + ".*")) p.last = std::max(p.last, nowMs);
  }
  constexpr std::string_view kSave = ".d2s";
  if (file.size() <= kSave.size() || !MatchesMask(file, "*.d2s")) return;
  const std::string character(file.substr(0, file.size() - kSave.size()));
  const bool known = std::any_of(pending_.begin(), pending_.end(), [&](const Pending& p) {
    return p.character.size() == character.size() && MatchesMask(character, p.character);
  });
  if (!known) pending_.push_back({std::string(file), character, nowMs, nowMs});
}

void SaveWatchSchedule::Lost(std::uint64_t nowMs) {
  if (!lost_) lost_ = Pending{{}, {}, nowMs, nowMs};
  lost_->last = std::max(lost_->last, nowMs);
}

namespace {

std::uint64_t DueAt(std::uint64_t first, std::uint64_t last) {
  return std::min(last + SaveWatchSchedule::kQuietMs, first + SaveWatchSchedule::kBurstMs);
}

}  // namespace

std::optional<std::uint64_t> SaveWatchSchedule::DueAt() const {
  std::optional<std::uint64_t> at;
  if (lost_) at = ck::DueAt(lost_->first, lost_->last);
  for (const Pending& p : pending_) {
    if (!at || ck::DueAt(p.first, p.last) < *at) at = ck::DueAt(p.first, p.last);
  }
  return at;
}

std::string SaveWatchSchedule::Cause() const {
  const Pending* first = nullptr;
  for (const Pending& p : pending_) {
    if (!first || ck::DueAt(p.first, p.last) < ck::DueAt(first->first, first->last)) first = &p;
  }
  if (lost_ && (!first || ck::DueAt(lost_->first, lost_->last) <= ck::DueAt(first->first, first->last))) return {};
  return first ? first->save : std::string();
}

bool SaveWatchSchedule::Due(std::uint64_t nowMs, std::string_view intervalText, std::uint64_t sincePassMs,
                            std::string_view decimalSeparator) const {
  const std::optional<std::uint64_t> at = DueAt();
  return (at && *at <= nowMs) || IsDue(intervalText, sincePassMs, decimalSeparator);
}

void SaveWatchSchedule::PassRan() {
  pending_.clear();
  lost_.reset();
}

}  // namespace ck
