// A character's history: the states that left its rotation, kept hourly,
// daily and weekly, and thinned by age.
//
// The periods follow play, not the calendar: the 24 most recent hours that
// hold a state, not the last 24 hours, so that a player away for a month,
// or a clock set a year ahead, finds the history whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "components/FileSystem.h"

namespace ck {

// Why the rule keeps a state, the first that applies.
enum class KeptBy {
  Nothing,  // no longer kept: its history archive may go
  Newest,   // it is in a slot, one of the newest
  Hourly,   // the newest of one of the most recent hours that hold a state (hours of UTC)
  Daily,    // of one of the most recent local dates
  Weekly,   // of one of the most recent ISO weeks of local dates, Monday to Sunday
  Later,    // made after the clock: the clock was set back, and it pushes out nothing
};
constexpr int kHistoryHours = 24, kHistoryDays = 30, kHistoryWeeks = 52;

// When a state was made, and local time's offset from UTC then.
struct StateTime {
  std::int64_t unixTime = 0;
  int offsetMinutes = 0;
  bool inSlot = false;
};

// Why each of `states` is kept at `now`. Of two states of a period made at
// the same time, the one in a slot, else the later in `states`, counts as
// the newer.
std::vector<KeptBy> KeptByAge(const std::vector<StateTime>& states, std::int64_t now);

// The history folder of one character of a save folder, listed once, when
// first asked: a pass that writes nothing lists none.
class CharacterHistory {
 public:
  CharacterHistory(FileSystem& fs, const std::string& saveFolder, const std::string& character);

  // Its archives as listed, read-only and hidden ones too, with those moved
  // in since.
  const std::vector<FileInfo>& Archives();

  // Whether the rule keeps `leaving`, one of the character's `slots`, once
  // `arriving`, just written, has taken its place.
  bool Keeps(const std::vector<FileInfo>& slots, const FileInfo& leaving, const FileInfo& arriving,
             std::int64_t now);

  // Renames the slot archive `leaving`, at `path`, into the history, named
  // for the time it was made, never over an archive there; it keeps its
  // last write. False when it is still where it was.
  bool Move(const std::string& path, const FileInfo& leaving, WaitBudget& budget);

  // Why the rule keeps each of Archives() beside the character's `slots`.
  std::vector<KeptBy> Why(const std::vector<FileInfo>& slots, std::int64_t now);

  // Removes the history archives that the rule no longer keeps beside the
  // character's `slots`, but for read-only ones and those `spared` (paths
  // from the save folder, as Path gives them); those it cannot remove stay
  // listed.
  void Thin(const std::vector<FileInfo>& slots, std::int64_t now, const std::vector<std::string>& spared = {});

  // The path of its archive `name` from the save folder.
  std::string Path(const std::string& name) const { return folder_.substr(saveFolder_.size()) + name; }

 private:
  StateTime SlotTime(const FileInfo& slot);

  FileSystem& fs_;
  std::string saveFolder_, character_, folder_;
  std::vector<FileInfo> archives_;
  // Theirs, as their names carry them: a copy that gives every file one
  // time must not put the whole history in one hour.
  std::vector<StateTime> times_;
  bool listed_ = false;
};

}  // namespace ck
