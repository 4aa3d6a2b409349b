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
  // Due for what was seen while anything waits, else for the interval:
  // `sincePassMs` since the last pass of either kind, or since the
  // interval's text last changed.
  bool Due(std::uint64_t nowMs, std::string_view intervalText, std::uint64_t sincePassMs,
           std::string_view decimalSeparator = ".") const;
  // What the pass acts on: the name of the save whose change came first, as
  // the watch gave it; empty when the loss came first or nothing waits.
  std::string Cause() const;
  // A pass has run at `nowMs`: it read everything seen until then. A save
  // that made it due but whose character is among `notSaved` (UTF-8) is
  // tried again once the quiet period has passed, kRetries times at most:
  // a scanner holds a file a moment after each write; what lasts waits for
  // the interval.
  static constexpr int kRetries = 3;
  void PassRan(std::uint64_t nowMs, const std::vector<std::string>& notSaved = {});

 private:
  struct Pending {
    std::string save;         // the save's name, as the watch gave it; empty for a loss
    std::string character;    // that name less ".d2s"
    std::uint64_t first = 0;  // its first change since the last pass
    std::uint64_t last = 0;   // the last change of any of its files; of any file for a loss
    int tries = 0;            // passes that could not save it
  };
  void Wait(const std::string& save, std::string_view character, std::uint64_t nowMs, int tries);

  std::vector<Pending> pending_;
};

}  // namespace ck
