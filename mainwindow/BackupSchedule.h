// When a backup pass is due: soon after the game saves, as the watch of the
// save folder tells, and at least every interval.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ck {

// The pass is due once `intervalText` minutes have passed. A text that is no
// number (the box is still empty while a start-up message is open) is never due.
bool IsDue(std::string_view intervalText, std::uint64_t elapsedMs,
           std::string_view decimalSeparator = ".");

// What the watch of the save folder saw since the last pass, and when it
// makes the next one due, in milliseconds of one monotonic clock.
//
// The game rewrites a save in one or two writes and appends the automap
// beside it, so a changed save is archived once none of its character's
// files has changed for kQuietMs; a game that never stops writing still
// gets a pass kBurstMs after the first change. The companions change far
// more often than the save and matter far less: alone they wait for the
// next pass. Archives and the program's temporaries are never a reason.
class SaveWatchSchedule {
 public:
  static constexpr std::uint64_t kQuietMs = 2000;
  static constexpr std::uint64_t kBurstMs = 10000;

  // `file`, a name in the save folder (not below it), was written, made,
  // removed or renamed at `nowMs`.
  void Changed(std::string_view file, std::uint64_t nowMs);
  // The watch lost what changed at `nowMs`: any save may have, and may be
  // half-written still, so a pass once the folder is quiet, as for a save.
  void Lost(std::uint64_t nowMs);
  // When what was seen makes a pass due; none while nothing waits.
  std::optional<std::uint64_t> DueAt() const;
  // Due for what was seen, or for the interval: `sincePassMs` since the
  // last pass of either kind, or since the interval's text last changed.
  bool Due(std::uint64_t nowMs, std::string_view intervalText, std::uint64_t sincePassMs,
           std::string_view decimalSeparator = ".") const;
  // What makes a pass due first: the name of a save as the watch gave it,
  // empty when the watch lost what changed or nothing waits.
  std::string Cause() const;
  // A pass has run: it read everything seen until now.
  void PassRan();

 private:
  struct Pending {
    std::string save;         // the save's name, as the watch gave it
    std::string character;    // that name less ".d2s"
    std::uint64_t first = 0;  // its first change since the last pass
    std::uint64_t last = 0;   // the last change of any of its files
  };
  std::vector<Pending> pending_;
  // What was lost counts as a change of every file: a save of everyone.
  std::optional<Pending> lost_;
};

}  // namespace ck
