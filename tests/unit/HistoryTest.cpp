// The history by age: the rule alone, a year of play in memory with a clock
// the test moves, and a pass that moves and thins cut at every step.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "components/ArchiveNames.h"
#include "components/CharacterStates.h"
#include "components/History.h"
#include "components/Restore.h"
#include "components/ZipArchiver.h"
#include "mainwindow/BackupPass.h"
#include "tests/common/MemoryFileSystem.h"
#include "tests/common/SaveFiles.h"

using ck::KeptBy;
using ck::StateTime;
using ck::testing::MemoryFileSystem;

namespace {

// Seconds since 1970 of a time of UTC.
std::int64_t Utc(int year, int month, int day, int hour, int minute = 0) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  return static_cast<std::int64_t>(::timegm(&t));
}

constexpr int kBerlinWinter = 60, kBerlinSummer = 120, kNewYorkWinter = -300, kNewYorkSummer = -240;

struct Row {
  const char* what;
  std::int64_t now;
  std::vector<StateTime> states;
  std::vector<KeptBy> kept;
};

// `count` slot states an hour apart and a day apart before `from`, which
// take the most recent hours, or hours and days, so that the row's own
// states reach the rule of the periods after them.
std::vector<StateTime> Filler(std::int64_t from, int count, std::int64_t step) {
  std::vector<StateTime> filler;
  for (int i = 1; i <= count; ++i) filler.push_back({from - i * step, 0, true});
  return filler;
}

TEST(HistoryRule, KeepsTheNewestOfEachRecentHourDateAndWeekByTheTable) {
  const std::int64_t h = 3600, d = 86400;
  const std::vector<Row> rows = {
      {"no history yet", Utc(2026, 12, 9, 12), {{Utc(2026, 12, 9, 11), 60, true}}, {KeptBy::Newest}},
      {"N = 1: one slot, each older hour keeps its newest",
       Utc(2026, 12, 9, 12),
       {{Utc(2026, 12, 9, 11, 50), 60, true},
        {Utc(2026, 12, 9, 11, 10), 60},
        {Utc(2026, 12, 9, 10, 40), 60},
        {Utc(2026, 12, 9, 10, 20), 60},
        {Utc(2026, 12, 8, 23, 55), 60}},
       {KeptBy::Newest, KeptBy::Nothing, KeptBy::Hourly, KeptBy::Nothing, KeptBy::Hourly}},
      {"Berlin, summer time ends: the hour 02:00-03:00 twice is two hours",
       Utc(2026, 10, 25, 12),
       {{Utc(2026, 10, 25, 11), kBerlinWinter, true},
        {Utc(2026, 10, 25, 0, 20), kBerlinSummer},
        {Utc(2026, 10, 25, 0, 30), kBerlinSummer},
        {Utc(2026, 10, 25, 1, 30), kBerlinWinter}},
       {KeptBy::Newest, KeptBy::Nothing, KeptBy::Hourly, KeptBy::Hourly}},
      {"New York, summer time ends: 01:30 of summer and of winter are two hours",
       Utc(2026, 11, 1, 12),
       {{Utc(2026, 11, 1, 11), kNewYorkWinter, true},
        {Utc(2026, 11, 1, 5, 30), kNewYorkSummer},
        {Utc(2026, 11, 1, 6, 30), kNewYorkWinter}},
       {KeptBy::Newest, KeptBy::Hourly, KeptBy::Hourly}},
      {"equal times: the slot's counts as the newer, then the later listed",
       Utc(2026, 12, 9, 12),
       {{Utc(2026, 12, 9, 10), 60}, {Utc(2026, 12, 9, 10), 60, true},
        {Utc(2026, 12, 9, 9), 60}, {Utc(2026, 12, 9, 9), 60}},
       {KeptBy::Nothing, KeptBy::Newest, KeptBy::Nothing, KeptBy::Hourly}},
      {"a clock set back: what is later is kept and pushes out nothing",
       Utc(2026, 12, 9, 12, 10),
       {{Utc(2026, 12, 9, 12, 50), 60, true}, {Utc(2026, 12, 9, 12, 40), 60}, {Utc(2026, 12, 9, 12, 5), 60},
        {Utc(2027, 6, 1, 12), 120}},
       {KeptBy::Newest, KeptBy::Later, KeptBy::Hourly, KeptBy::Later}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ck::KeptByAge(row.states, row.now), row.kept) << row.what;
  }

  // New York, summer time starts on 2026-03-08 at 07:00 UTC. With the most
  // recent 24 hours taken, each local date keeps its newest, by the offset
  // of its own date: 04:59 UTC is still the 7th there.
  {
    const std::int64_t now = Utc(2026, 3, 21, 12);
    std::vector<StateTime> states = Filler(now, 24, h);
    states.push_back({Utc(2026, 3, 8, 4, 59), kNewYorkWinter});
    states.push_back({Utc(2026, 3, 8, 5, 1), kNewYorkWinter});
    states.push_back({Utc(2026, 3, 8, 6, 30), kNewYorkWinter});
    states.push_back({Utc(2026, 3, 8, 7, 30), kNewYorkSummer});
    const std::vector<KeptBy> kept = ck::KeptByAge(states, now);
    EXPECT_EQ(std::vector<KeptBy>(kept.end() - 4, kept.end()),
              (std::vector<KeptBy>{KeptBy::Daily, KeptBy::Nothing, KeptBy::Nothing, KeptBy::Daily}));
  }
  // Berlin, summer time starts on 2026-03-29. With the hours and 30 dates
  // taken, each ISO week keeps its newest: Sunday 23:30 and Monday 00:30 of
  // summer time are both Sunday in UTC, yet two weeks.
  {
    const std::int64_t now = Utc(2026, 6, 1, 12);
    std::vector<StateTime> states = Filler(now, 30, d + h);
    states.push_back({Utc(2026, 3, 28, 10), kBerlinWinter});
    states.push_back({Utc(2026, 3, 29, 21, 30), kBerlinSummer});
    states.push_back({Utc(2026, 3, 29, 22, 30), kBerlinSummer});
    const std::vector<KeptBy> kept = ck::KeptByAge(states, now);
    EXPECT_EQ(std::vector<KeptBy>(kept.end() - 3, kept.end()),
              (std::vector<KeptBy>{KeptBy::Nothing, KeptBy::Weekly, KeptBy::Weekly}));
  }
  // A player away for a year keeps everything the periods held: the
  // periods are those that hold a state, not the calendar's.
  {
    std::vector<StateTime> states = Filler(Utc(2025, 12, 1, 0), 200, h / 2);
    for (StateTime& s : states) s.inSlot = false;
    const std::vector<KeptBy> before = ck::KeptByAge(states, Utc(2025, 12, 1, 0));
    EXPECT_EQ(ck::KeptByAge(states, Utc(2026, 12, 1, 0)), before);
    EXPECT_EQ(std::count(before.begin(), before.end(), KeptBy::Hourly), 24);
  }
}

// Berlin's rule, as a POSIX zone string that needs no time-zone files.
class BerlinTime {
 public:
  BerlinTime() {
    if (const char* tz = std::getenv("TZ")) was_ = tz, had_ = true;
    ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    ::tzset();
  }
  ~BerlinTime() {
    had_ ? ::setenv("TZ", was_.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
  }
  static int Offset(std::int64_t unixTime) {
    const std::time_t t = static_cast<std::time_t>(unixTime);
    std::tm local;
    ::localtime_r(&t, &local);
    return static_cast<int>(local.tm_gmtoff / 60);
  }

 private:
  std::string was_;
  bool had_ = false;
};

constexpr const char* kSave = "save/";

// A save folder in memory with Bob in it, and the clocks the test moves.
class HistoryPassTest : public ::testing::Test {
 protected:
  HistoryPassTest() { Fresh(); }
  // An empty save folder, and a program that has made no pass yet.
  void Fresh() {
    files_ = MemoryFileSystem(kSave);
    files_.offsetMinutes = BerlinTime::Offset;
    memory_ = {};
  }

  void At(std::int64_t unixTime) {
    files_.steadyNow += unixTime - files_.wallNow;
    files_.wallNow = unixTime;
  }
  // The game saves Bob: a state of its own, told by its hotkeys.
  void Save(const std::string& state) {
    files_.Put("Bob.d2s", ck::testing::WholeSave("Bob"));
    files_.Put("Bob.key", ck::testing::Text(state));
  }
  std::optional<ck::PassResult> Pass(int keep) { return ck::RunBackupPass(files_, kSave, keep, table_, memory_); }
  std::string History() const { return ck::HistoryFolder(kSave, "Bob"); }
  void PutHistory(std::int64_t made, const std::string& state) {
    ASSERT_TRUE(files_.MakeFolder(std::string(kSave) + ck::kHistoryFolder));
    ASSERT_TRUE(files_.MakeFolder(History().substr(0, History().size() - 1)));
    ASSERT_TRUE(files_.WriteFlushed(History() + ck::HistoryName("Bob", made, BerlinTime::Offset(made)), Zip(state)));
  }
  static ck::Bytes Zip(const std::string& state) {
    return ck::BuildZip({{"Bob.d2s", ck::testing::WholeSave("Bob"), 0, 0x21, {}},
                         {"Bob.key", ck::testing::Text(state), 0, 0x21, {}}});
  }
  // Bob's slots, by their last writes, and his history, by its names, as
  // the folders list them.
  std::vector<StateTime> Listed() {
    std::vector<StateTime> states;
    for (const ck::FileInfo& f : files_.List(kSave, "Bob*.zip", true)) {
      if (ck::ReadArchiveName(f.name, "Bob").kind == ck::ArchiveKind::Slot) {
        states.push_back({f.unixTime, BerlinTime::Offset(f.unixTime), true});
      }
    }
    for (const ck::FileInfo& f : files_.List(History(), "*.zip", true)) {
      const ck::ArchiveName name = ck::ReadArchiveName(f.name, "Bob");
      if (name.kind == ck::ArchiveKind::History) states.push_back({ck::HistoryTime(name), name.offsetMinutes});
    }
    return states;
  }
  // Each state that an archive of Bob's slots or history holds, by its
  // hotkeys, with when it was made; a damaged archive fails the test.
  std::map<std::string, std::int64_t> States() {
    std::map<std::string, std::int64_t> states;
    const auto add = [&](const std::string& folder, const ck::FileInfo& f, std::int64_t made) {
      ck::Bytes data;
      ck::FileStamp before, after;
      ASSERT_EQ(files_.ReadWhole(folder + f.name, data, before, after, 1 << 20), ck::ReadStatus::Ok);
      std::vector<ck::ZipEntry> entries;
      ASSERT_TRUE(ck::VerifyZip(data) && ck::ReadZip(data, entries)) << f.name;
      for (const ck::ZipEntry& e : entries) {
        if (e.name == "Bob.key") states[std::string(e.data.begin(), e.data.end())] = made;
      }
    };
    for (const ck::FileInfo& f : files_.List(kSave, "*.zip", true)) {
      if (ck::ReadArchiveName(f.name, "Bob").kind == ck::ArchiveKind::Slot) add(kSave, f, f.unixTime);
    }
    for (const ck::FileInfo& f : files_.List(History(), "*.zip", true)) {
      const ck::ArchiveName name = ck::ReadArchiveName(f.name, "Bob");
      if (name.kind == ck::ArchiveKind::History) add(History(), f, ck::HistoryTime(name));
    }
    return states;
  }

  BerlinTime berlin_;
  MemoryFileSystem files_{kSave};
  ck::CharacterTable table_;
  ck::PassMemory memory_;
};

// Three hours an evening, a save every 5.5 minutes, for 400 days of local
// time in Berlin, through both changes of summer time each year: after
// every pass the folder holds exactly the states that the rule, asked of
// every state ever made, keeps; and what the program did not make, or made
// for other reasons, stays as it was.
TEST_F(HistoryPassTest, AYearOfEveningsKeepsExactlyWhatTheRuleKeeps) {
  for (const int keep : {10, 1}) {
    SCOPED_TRACE("keep " + std::to_string(keep));
    Fresh();
    const std::map<std::string, ck::Bytes> others = {
        {"Bob-kept-20251101-100000.zip", Zip("kept")},
        {"Bob-before-death-20251101-100000.zip", Zip("before death")},
        {"Bob-before-restore-20251101-100000.zip", Zip("before restore")},
        {"Alice1.zip", Zip("Alice's")}};
    for (const auto& [name, data] : others) files_.Put(name, data);
    // One the rule lets go at once but that is read-only, and one named as
    // the program never names its own.
    PutHistory(Utc(2025, 10, 1, 12), "read-only");
    files_.SetReadOnly(History() + ck::HistoryName("Bob", Utc(2025, 10, 1, 12), 120));
    ASSERT_TRUE(files_.WriteFlushed(History() + "Bob-20251001-120000.zip", Zip("not ours")));

    std::vector<StateTime> made = {{Utc(2025, 10, 1, 12), 120}}, all = made;
    std::map<std::string, std::int64_t> madeBy;
    const int days = keep == 1 ? 60 : 400;
    const std::int64_t firstEvening = Utc(2025, 12, 1, 18);  // 19:00 in Berlin
    for (int day = 0; day < days; ++day) {
      // 19:00 local, whatever the season.
      std::int64_t evening = firstEvening + std::int64_t{day} * 86400;
      evening -= (BerlinTime::Offset(evening) - kBerlinWinter) * 60;
      for (int save = 0; save < 33; ++save) {
        const std::int64_t now = evening + save * 330;
        At(now);
        const std::string state = "day " + std::to_string(day) + " save " + std::to_string(save);
        Save(state);
        ASSERT_TRUE(Pass(keep)) << state;
        made.push_back({now, BerlinTime::Offset(now)});
        all.push_back(made.back());
        madeBy[state] = now;
        // The newest `keep` in the slots; each of them a state of its own.
        std::vector<StateTime> asked = made;
        for (std::size_t i = asked.size() - std::min<std::size_t>(keep, asked.size() - 1); i < asked.size(); ++i) {
          asked[i].inSlot = true;
        }
        std::set<std::int64_t> expected;
        const std::vector<KeptBy> kept = ck::KeptByAge(asked, now);
        for (std::size_t i = 1; i < kept.size(); ++i) {
          if (kept[i] != KeptBy::Nothing) expected.insert(asked[i].unixTime);
        }
        // What a pass ago the rule let go is gone for good: asking it of
        // every state made gives the same as of those kept.
        if (all.size() % 331 == 0) {
          std::vector<StateTime> every = all;
          for (std::size_t i = every.size() - static_cast<std::size_t>(keep); i < every.size(); ++i) every[i].inSlot = true;
          std::set<std::int64_t> fromAll;
          const std::vector<KeptBy> keptOfAll = ck::KeptByAge(every, now);
          for (std::size_t i = 1; i < keptOfAll.size(); ++i) {
            if (keptOfAll[i] != KeptBy::Nothing) fromAll.insert(every[i].unixTime);
          }
          ASSERT_EQ(fromAll, expected) << state;
        }
        std::vector<StateTime> still;
        for (std::size_t i = 0; i < kept.size(); ++i) {
          if (i == 0 || kept[i] != KeptBy::Nothing) still.push_back(asked[i]);
        }
        made.assign(still.begin(), still.end());
        for (StateTime& s : made) s.inSlot = false;

        std::set<std::int64_t> found;
        int count = 0;
        for (const StateTime& listed : Listed()) {
          if (listed.unixTime != made.front().unixTime) found.insert(listed.unixTime), ++count;
        }
        ASSERT_EQ(found, expected) << state;
        ASSERT_LE(count, keep + 106) << state;
      }
    }
    // Each archive holds the state made at the time it says, whole; and the
    // others are as they were.
    for (const auto& [state, when] : States()) {
      if (state != "read-only") {
        EXPECT_EQ(when, madeBy.at(state)) << state;
      }
    }
    EXPECT_EQ(States().count("read-only"), 1u);
    for (const auto& [name, data] : others) EXPECT_EQ(files_.Contents().at(MemoryFileSystem::Key(name)), data);
    std::vector<ck::FileInfo> strange = files_.List(History(), "Bob-20251001-120000.zip", true);
    EXPECT_EQ(strange.size(), 1u);
  }
}

// Bob's slots hold 09:50, 10:10 and 10:20 of a December day in Berlin, his
// history 07:10, 09:20 and a week before; at 11:05 the game has saved
// again. The pass writes over 09:50, the newest of its hour, so it moves
// it into the history, and then lets 09:20 go.
class MoveAndThinTest : public HistoryPassTest {
 protected:
  using StateSet = std::map<std::string, std::int64_t>;
  void Lay() {
    Fresh();
    PutHistory(Utc(2026, 12, 1, 8, 30), "a week before");
    PutHistory(Utc(2026, 12, 9, 9, 20), "09:20");
    PutHistory(Utc(2026, 12, 9, 7, 10), "07:10");
    const std::pair<int, const char*> slots[] = {{50, "09:50"}, {70, "10:10"}, {80, "10:20"}};
    for (int slot = 1; slot <= 3; ++slot) {
      At(Utc(2026, 12, 9, 9, slots[slot - 1].first));
      files_.Put("Bob" + std::to_string(slot) + ".zip", Zip(slots[slot - 1].second));
    }
    for (const auto& [name, data] : others_) files_.Put(name, data);
    // A program that made a pass a moment ago, and knows the clocks.
    memory_.clocks = files_.ReadClocks();
    At(Utc(2026, 12, 9, 11, 5));
    Save("11:05");
  }
  // Whether every state of `wanted` is among `found`, made when it was; but
  // for the game's newest, which is made when it is first archived.
  static bool Holds(const StateSet& found, const StateSet& wanted) {
    for (const auto& [state, made] : wanted) {
      const auto at = found.find(state);
      if (at == found.end() || (at->second != made && state != "11:05")) return false;
    }
    return true;
  }
  // Whether each history archive is one the rule keeps beside the slots.
  bool AllKept() {
    const std::vector<KeptBy> kept = ck::KeptByAge(Listed(), files_.wallNow);
    return std::count(kept.begin(), kept.end(), KeptBy::Nothing) == 0;
  }
  bool OthersAsTheyWere() {
    for (const auto& [name, data] : others_) {
      const auto contents = files_.Contents();
      const auto at = contents.find(MemoryFileSystem::Key(name));
      if (at == contents.end() || at->second != data) return false;
    }
    return true;
  }

  const std::map<std::string, ck::Bytes> others_ = {{"Bob-kept-20261201-100000.zip", Zip("kept")},
                                                    {"Bob-before-death-20261201-100000.zip", Zip("before death")},
                                                    {"Bob-before-restore-20261201-100000.zip", Zip("before restore")}};
};

TEST_F(MoveAndThinTest, ACutAtAnyStepLosesNoStateTheRuleKeptNorKeepsOneNeverMade) {
  Lay();
  const StateSet before = States();
  ASSERT_TRUE(Pass(3));
  const StateSet kept = States();
  ASSERT_EQ(kept.count("09:20"), 0u);
  ASSERT_EQ(kept.size(), 6u);
  ASSERT_EQ(files_.List(History(), ck::HistoryName("Bob", Utc(2026, 12, 9, 9, 50), 60), false).size(), 1u);
  ASSERT_TRUE(AllKept());
  bool whole = false;
  for (int k = 0; !whole; ++k) {
    SCOPED_TRACE("cut after " + std::to_string(k) + " changes");
    ASSERT_LT(k, 100);
    Lay();
    files_.changesLeft = k;
    Pass(3);
    whole = files_.changesLeft > 0;
    files_.changesLeft = -1;
    // What the cut left: every state kept, whole, the new one at least in
    // the game's own files.
    StateSet cut = States();
    cut["11:05"] = Utc(2026, 12, 9, 11, 5);
    EXPECT_TRUE(Holds(cut, kept));
    // The player starts the program again, and it passes; then the game
    // saves once more, and it passes again.
    ck::ZipArchiver::RemoveStale(files_, kSave);
    memory_ = {};
    At(Utc(2026, 12, 9, 11, 6));
    ASSERT_TRUE(Pass(3));
    const StateSet next = States();
    EXPECT_TRUE(Holds(next, kept));
    StateSet possible = before;
    possible["11:05"] = Utc(2026, 12, 9, 11, 5);
    EXPECT_TRUE(Holds(possible, next));
    At(Utc(2026, 12, 9, 11, 20));
    Save("11:20");
    ASSERT_TRUE(Pass(3));
    EXPECT_TRUE(AllKept());
    EXPECT_TRUE(OthersAsTheyWere());
  }
}

// Of two states made in the same second, a slot's and a history archive's,
// the pass that writes over the slot keeps it, as the later, under the next
// free name; the next pass takes the same one for the newer, whatever the
// order of the listing.
TEST_F(MoveAndThinTest, OfTwoStatesOfOneSecondTheOneKeptStaysKept) {
  const std::int64_t made = Utc(2026, 12, 9, 9, 50);
  PutHistory(made, "history");
  At(made);
  files_.Put("Bob1.zip", Zip("slot"));
  At(Utc(2026, 12, 9, 11, 5));
  Save("11:05");
  ASSERT_TRUE(Pass(1));  // the first after a start: it removes nothing
  ASSERT_EQ(files_.List(History(), ck::HistoryName("Bob", made, 60, 2), true).size(), 1u);
  EXPECT_EQ(States().count("history"), 1u);
  At(Utc(2026, 12, 9, 11, 20));
  Save("11:20");
  ASSERT_TRUE(Pass(1));
  EXPECT_EQ(States().count("slot"), 1u);
  EXPECT_TRUE(AllKept());
}

// What keeps a state in its place, and what keeps the pass from letting
// one go: a read-only slot, a history that cannot be written, a read-only
// history archive, a clock that jumped ahead.
TEST_F(MoveAndThinTest, NothingKeptIsWrittenOverOrThinnedAwayWhenItCannotBeMoved) {
  {
    SCOPED_TRACE("the oldest slot read-only");
    Lay();
    files_.SetReadOnly(std::string(kSave) + "Bob1.zip");
    ASSERT_TRUE(Pass(3));
    const StateSet now = States();
    EXPECT_EQ(now.count("09:50"), 1u);
    EXPECT_EQ(now.count("10:10"), 0u);  // the newest of nothing: written over
    EXPECT_EQ(files_.List(History(), "*.zip", true).size(), 2u);  // 09:20 went: 09:50 is its hour's newest
  }
  {
    SCOPED_TRACE("no history can be made, and a slot the rule lets go is there");
    Lay();
    Fresh();
    files_.refuseFolders = true;
    const std::pair<int, const char*> slots[] = {{50, "09:50"}, {70, "10:10"}, {80, "10:20"}};
    for (int slot = 1; slot <= 3; ++slot) {
      At(Utc(2026, 12, 9, 9, slots[slot - 1].first));
      files_.Put("Bob" + std::to_string(slot) + ".zip", Zip(slots[slot - 1].second));
    }
    At(Utc(2026, 12, 9, 11, 5));
    Save("11:05");
    ASSERT_TRUE(Pass(3));
    const StateSet now = States();
    EXPECT_EQ(now.count("09:50"), 1u);  // kept, where it was
    EXPECT_EQ(now.count("10:10"), 0u);  // written over: its hour keeps 10:20
    EXPECT_EQ(now.count("11:05"), 1u);
  }
  {
    SCOPED_TRACE("no history can be made, and every slot it may write holds a state it keeps");
    Fresh();
    files_.refuseFolders = true;
    At(Utc(2026, 12, 9, 8, 40));
    files_.Put("Bob1.zip", Zip("08:40"));
    At(Utc(2026, 12, 9, 10, 20));
    files_.Put("Bob2.zip", Zip("10:20"));
    At(Utc(2026, 12, 9, 11, 5));
    Save("11:05");
    const std::optional<ck::PassResult> pass = Pass(2);
    ASSERT_TRUE(pass);
    EXPECT_EQ(pass->notSaved, std::vector<std::string>{"Bob"});
    EXPECT_EQ(ck::LastSaveText("11:05:00", *pass),
              "Not saved: Bob (its older backup could not be moved into Cairnkeep History) - 11:05:00");
    EXPECT_EQ(files_.Contents().at("bob1.zip"), Zip("08:40"));
  }
  {
    SCOPED_TRACE("moved, but the new archive refused its place: the next slot takes it");
    Lay();
    files_.refused = [](const std::string& to) { return to == std::string(kSave) + "Bob1.zip"; };
    ASSERT_TRUE(Pass(3));
    const StateSet now = States();
    EXPECT_EQ(now.count("09:50"), 1u);  // in the history only
    EXPECT_FALSE(files_.Contents().contains("bob1.zip"));
    EXPECT_EQ(now.count("11:05"), 1u);
    EXPECT_TRUE(AllKept());
  }
  {
    SCOPED_TRACE("the first pass after a start, which cannot tell whether the clock jumped");
    Lay();
    memory_ = {};
    ASSERT_TRUE(Pass(3));
    EXPECT_EQ(States().count("09:20"), 1u);
    EXPECT_EQ(States().count("09:50"), 1u);
    At(files_.wallNow + 60);
    Save("a minute later");
    ASSERT_TRUE(Pass(3));
    EXPECT_EQ(States().count("09:20"), 0u);
    EXPECT_TRUE(AllKept());
  }
  {
    SCOPED_TRACE("a slot beyond those kept, left by a copy since gone, holds another's save");
    Lay();
    const std::int64_t now = files_.wallNow;
    files_.wallNow = Utc(2026, 12, 9, 8, 50);
    files_.Put("Bob12.zip", ck::BuildZip({{"Bob1.d2s", ck::testing::WholeSave("Bob1"), 0, 0x21, {}}}));
    files_.wallNow = now;
    PutHistory(Utc(2026, 12, 9, 8, 20), "08:20");
    ASSERT_TRUE(Pass(3));
    EXPECT_EQ(States().count("08:20"), 1u);  // its hour's newest of Bob's own
  }
  {
    SCOPED_TRACE("the slot replaced by another program while the pass read and wrote");
    Lay();
    files_.written = [&](const std::string& path) {
      if (path != std::string(kSave) + "~Bob1.zip.cktmp") return;
      const std::int64_t now = files_.wallNow;
      files_.wallNow = Utc(2026, 12, 9, 10, 59);
      files_.Put("Bob1.zip", Zip("10:59"));
      files_.wallNow = now;
    };
    ASSERT_TRUE(Pass(3));
    const StateSet now = States();
    ASSERT_EQ(now.count("10:59"), 1u);
    EXPECT_EQ(now.at("10:59"), Utc(2026, 12, 9, 10, 59));  // named for its own time
    EXPECT_TRUE(AllKept());
  }
  {
    SCOPED_TRACE("a read-only history archive the rule lets go");
    Lay();
    files_.SetReadOnly(History() + ck::HistoryName("Bob", Utc(2026, 12, 9, 9, 20), 60));
    ASSERT_TRUE(Pass(3));
    EXPECT_EQ(States().count("09:20"), 1u);
  }
  {
    SCOPED_TRACE("the wall clock jumped a day ahead of the steady one");
    Lay();
    // Each hour of the day before but the last taken only by its hour.
    for (int hour = 0; hour < 23; ++hour) PutHistory(Utc(2026, 12, 8, hour, 30), "the 8th, " + std::to_string(hour));
    ASSERT_TRUE(Pass(3));
    ASSERT_TRUE(AllKept());
    files_.wallNow += 86400;
    Save("a day later, by the wall clock alone");
    ASSERT_TRUE(Pass(3));
    EXPECT_FALSE(AllKept());  // its new hour pushed the oldest out, but nothing went
    At(files_.wallNow + 60);
    Save("a minute later");
    ASSERT_TRUE(Pass(3));
    EXPECT_TRUE(AllKept());
  }
}

}  // namespace

// The history window's rows: every archive of each character, wherever it
// lies, newest first, and what keeps each; and going back to one of them.
class StatesTest : public MoveAndThinTest {
 protected:
  // Lay() with the dated archives made at times of their own, another
  // character with a history alone, one with a slot alone, and a file of
  // another program.
  void LayAll() {
    Lay();
    const std::pair<const char*, std::int64_t> dated[] = {
        {"Bob-kept-20261201-100000.zip", Utc(2026, 12, 8, 20)},
        {"Bob-before-death-20261201-100000.zip", Utc(2026, 12, 9, 8)},
        {"Bob-before-restore-20261201-100000.zip", Utc(2026, 12, 9, 10, 15)}};
    for (const auto& [name, made] : dated) {
      At(made);
      files_.Put(name, others_.at(name));
    }
    const std::string cain = ck::HistoryFolder(kSave, "Cain");
    ASSERT_TRUE(files_.MakeFolder(cain.substr(0, cain.size() - 1)));
    ASSERT_TRUE(files_.WriteFlushed(cain + ck::HistoryName("Cain", Utc(2026, 12, 2, 9), 60), Zip("Cain's")));
    files_.Put("H\xC3\xA9l\xC3\xA8ne1.zip", Zip("H\xC3\xA9l\xC3\xA8ne's"));
    files_.Put("photos.zip", Zip("not ours"));
    At(Utc(2026, 12, 9, 11, 5));
  }
  std::string HistoryPath(std::int64_t made) {
    return ck::CharacterHistory(files_, kSave, "Bob").Path(ck::HistoryName("Bob", made, BerlinTime::Offset(made)));
  }
  // The game saves Bob at `level`: a save of a state of its own.
  void SaveLevel(int level, const std::string& state) {
    files_.Put("Bob.d2s", ck::testing::StatedSave("Bob", level));
    files_.Put("Bob.key", ck::testing::Text(state));
  }
  static ck::Bytes LevelZip(int level, const std::string& state) {
    return ck::BuildZip({{"Bob.d2s", ck::testing::StatedSave("Bob", level), 0, 0x21, {}},
                         {"Bob.key", ck::testing::Text(state), 0, 0x21, {}}});
  }
  // A restore of Bob from `path` that the process dies in once the save is
  // in place, and the program started again.
  void RestoreCutShort(const std::string& path, const std::string& stamp) {
    ck::RestoreSource source;
    ASSERT_EQ(ck::ReadRestoreSource(files_, kSave, path, source), "");
    files_.written = [](const std::string& p) {
      if (p.ends_with("~Bob.key.cktmp")) throw 1;
    };
    std::string keptIn;
    EXPECT_ANY_THROW(ck::RestoreCharacter(files_, kSave, source, stamp, keptIn));
    files_.written = [](const std::string&) {};
    ck::ZipArchiver::RemoveStale(files_, kSave);
    memory_ = {};
  }
};

TEST_F(StatesTest, EveryArchiveOfACharacterIsARowNewestFirstWithWhatKeepsIt) {
  LayAll();
  const ck::SavedStates states(files_, kSave);
  EXPECT_EQ(states.Characters(), (std::vector<std::string>{"Bob", "Cain", "H\xC3\xA9l\xC3\xA8ne"}));
  EXPECT_EQ(states.Whose("Bob2.zip"), "Bob");
  EXPECT_EQ(states.Whose("photos.zip"), "");
  std::vector<std::pair<std::string, std::string>> rows;
  for (const ck::StateRow& r : states.Of("Bob", 3, files_.wallNow)) {
    rows.emplace_back(r.file.name, ck::KeeperText(r.keeper));
  }
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Bob3.zip", "newest"},
      {"Bob-before-restore-20261201-100000.zip", "before restore"},
      {"Bob2.zip", "newest"},
      {"Bob1.zip", "newest"},
      // 09:50 is its hour's newest: the next pass that writes removes it.
      {HistoryPath(Utc(2026, 12, 9, 9, 20)), ""},
      {"Bob-before-death-20261201-100000.zip", "before death"},
      {HistoryPath(Utc(2026, 12, 9, 7, 10)), "hourly"},
      {"Bob-kept-20261201-100000.zip", "kept"},
      {HistoryPath(Utc(2026, 12, 1, 8, 30)), "hourly"},
  };
  EXPECT_EQ(rows, expected);
  EXPECT_EQ(HistoryPath(0).substr(0, 22), "Cairnkeep History/Bob/");
  EXPECT_EQ(states.Of("Cain", 3, files_.wallNow).size(), 1u);
  // A week later, days and weeks keep what hours no longer do.
  const std::vector<ck::StateRow> later = states.Of("Bob", 3, Utc(2026, 12, 16, 12));
  EXPECT_EQ(ck::KeeperText(later.back().keeper), std::string("hourly"));
  EXPECT_EQ(states.Of("Nobody", 3, files_.wallNow).size(), 0u);
}

TEST_F(StatesTest, GoingBackToAHistoryStateKeepsThePresentFirstAndTheHistoryAsItWas) {
  LayAll();
  const std::string path = HistoryPath(Utc(2026, 12, 9, 7, 10));
  const std::string history = std::string(kSave) + path;
  ck::Bytes was, data;
  ck::FileStamp before, after;
  ASSERT_EQ(files_.ReadWhole(history, was, before, after, 1 << 20), ck::ReadStatus::Ok);
  ck::RestoreSource source;
  ASSERT_EQ(ck::ReadRestoreSource(files_, kSave, path, source), "");
  // The player is told the archive's name, not where it lies.
  EXPECT_EQ(ck::RestoreQuestion(source, "then").substr(0, 56),
            "Restore Bob from Bob-20261209-081000+0100.zip, made then");
  std::string keptIn;
  ASSERT_EQ(ck::RestoreCharacter(files_, kSave, source, "20261209-110600", keptIn), "");
  EXPECT_EQ(keptIn, "Bob-before-restore-20261209-110600.zip");
  EXPECT_EQ(files_.Contents().at("bob.key"), ck::testing::Text("07:10"));
  EXPECT_EQ(ck::RestoredText(source, "11:06", keptIn),
            "Restored Bob from Bob-20261209-081000+0100.zip at 11:06 - the files before are kept in " + keptIn);
  // A name of the save folder is never cut, though a double-byte
  // character's second byte is the backslash's.
  ck::RestoreSource named = source;
  named.archive = "\x83\x5C" "1.zip";
  EXPECT_EQ(ck::RestoredText(named, "11:06", ""), "Restored Bob from \x83\x5C" "1.zip at 11:06");
  // Kept out of the rotation, in the save folder, the history archive as it was.
  std::string kept;
  ASSERT_EQ(ck::KeepArchive(files_, kSave, source, kept), "");
  EXPECT_EQ(ck::ReadArchiveName(kept, "Bob").kind, ck::ArchiveKind::Kept);
  EXPECT_EQ(files_.Contents().at(MemoryFileSystem::Key(kept)), was);
  ASSERT_EQ(files_.ReadWhole(history, data, before, after, 1 << 20), ck::ReadStatus::Ok);
  EXPECT_EQ(data, was);
  // The passes after it keep the state gone back to in a slot, and the one
  // before it where the restore put it; the history still holds both ends.
  ck::WentBack(memory_, "Bob", {path, source.stamp.size, source.stamp.lastWrite});
  At(Utc(2026, 12, 9, 11, 7));
  ASSERT_TRUE(Pass(3));
  const StateSet now = States();
  EXPECT_EQ(now.count("07:10"), 1u);
  EXPECT_EQ(now.count("10:20"), 1u);
  EXPECT_EQ(now.count("a week before"), 1u);
  EXPECT_TRUE(files_.Contents().contains(MemoryFileSystem::Key(keptIn)));
  EXPECT_TRUE(AllKept());
}

// While the question about a history archive is open, the passes it lets
// run leave that archive as it was, even where the rule lets it go.
TEST_F(StatesTest, AHistoryArchiveAQuestionNamesIsNotThinnedWhileItIsOpen) {
  Lay();
  memory_.spared = HistoryPath(Utc(2026, 12, 9, 9, 20));
  ASSERT_TRUE(Pass(3));
  EXPECT_EQ(States().count("09:20"), 1u);
  memory_.spared.clear();
  At(Utc(2026, 12, 9, 11, 20));
  Save("11:20");
  ASSERT_TRUE(Pass(3));
  EXPECT_EQ(States().count("09:20"), 0u);
  EXPECT_TRUE(AllKept());
}

// A restore from a history archive cut short, then played on as start-up
// allows: the passes go on, and keep that archive, though the rule lets it
// go, while the mark names it: without it a mix could not be told from the
// game's save, and the passes would stop for good.
TEST_F(StatesTest, ACutShortRestoreFromTheHistoryStopsNoBackupOnceTheGameSaves) {
  Lay();
  RestoreCutShort(HistoryPath(Utc(2026, 12, 9, 9, 20)), "20261209-110600");
  ASSERT_EQ(ck::UnfinishedRestores(files_, kSave).size(), 1u);
  At(Utc(2026, 12, 9, 11, 7));
  ASSERT_TRUE(Pass(3));
  EXPECT_EQ(Pass(3)->cutShort.size(), 1u);
  for (const auto& [minute, state] : {std::pair{20, "11:20"}, std::pair{30, "11:30"}}) {
    At(Utc(2026, 12, 9, 11, minute));
    SaveLevel(25, state);
    const std::optional<ck::PassResult> pass = Pass(3);
    ASSERT_TRUE(pass);
    EXPECT_EQ(pass->saved, std::vector<std::string>{"Bob"}) << state;
    EXPECT_EQ(States().count(state), 1u);
  }
  EXPECT_EQ(States().count("09:20"), 1u);
  EXPECT_TRUE(ck::UnfinishedRestores(files_, kSave).empty());
}

// A copy "Bob1.d2s" beside Bob, whose names Bob's slot 11 could be: it
// holds Bob's save, so it is Bob's, as the passes take it, in the rows and
// in what keeps the others.
TEST_F(StatesTest, ASlotACopysNamesCouldBeIsTheCharactersWhoseSaveItHolds) {
  Lay();
  PutHistory(Utc(2026, 12, 9, 10, 30), "10:30");
  At(Utc(2026, 12, 9, 10, 40));
  files_.Put("Bob11.zip", LevelZip(30, "10:40"));
  files_.Put("Bob1.d2s", ck::testing::WholeSave("Bob1"));
  At(Utc(2026, 12, 9, 11, 5));
  const ck::SavedStates states(files_, kSave);
  EXPECT_EQ(states.Whose("Bob11.zip"), "Bob");
  EXPECT_EQ(states.Of("Bob1", 11, files_.wallNow).size(), 0u);
  std::string said;
  for (const ck::StateRow& r : states.Of("Bob", 11, files_.wallNow)) {
    if (r.file.name == HistoryPath(Utc(2026, 12, 9, 10, 30))) said = ck::KeeperText(r.keeper);
  }
  // 10:40 is its hour's newest: the next pass lets 10:30 go, as the row says.
  EXPECT_EQ(said, "");
  ASSERT_TRUE(Pass(11));
  EXPECT_EQ(States().count("10:30"), 0u);
  // One marked read-only it never removes.
  PutHistory(Utc(2026, 12, 9, 10, 35), "10:35");
  files_.SetReadOnly(std::string(kSave) + HistoryPath(Utc(2026, 12, 9, 10, 35)));
  for (const ck::StateRow& r : ck::SavedStates(files_, kSave).Of("Bob", 11, files_.wallNow)) {
    if (r.file.name == HistoryPath(Utc(2026, 12, 9, 10, 35))) {
      EXPECT_EQ(ck::KeeperText(r.keeper), std::string("kept"));
    }
  }
}

// A path to an archive, as the history window and a restore's record name
// one: a history archive's folder and name, whatever bytes its character's
// name holds; a name of the save folder whole; nothing else in the history.
TEST(ArchivePath, IsAHistoryArchiveOrANameOfTheSaveFolder) {
  struct Row {
    std::string path;
    bool read;
    std::string folder, name;
  };
  const std::string so = "\x83\x5C";  // Shift-JIS: its second byte is the backslash's
  const std::vector<Row> rows = {
      {"Bob1.zip", true, "", "Bob1.zip"},
      {"Bob~old.zip", true, "", "Bob~old.zip"},
      {so + "1.zip", true, "", so + "1.zip"},
      {"Cairnkeep History\\Bob\\Bob-20261209-081000+0100.zip", true, "Bob", "Bob-20261209-081000+0100.zip"},
      {"Cairnkeep History/bob/Bob-20261209-081000+0100.zip", true, "bob", "Bob-20261209-081000+0100.zip"},
      {"Cairnkeep History\\" + so + "\\" + so + "-20261209-081000+0100.zip", true, so,
       so + "-20261209-081000+0100.zip"},
      {"Cairnkeep History\\..\\Bob1.zip", false, "", ""},
      {"Cairnkeep History\\Bob\\..\\..\\x.zip", false, "", ""},
      {"Cairnkeep History\\Bob\\Cain-20261209-081000+0100.zip", false, "", ""},
  };
  for (const Row& row : rows) {
    std::string folder, name;
    const bool read = ck::ReadArchivePath(row.path, folder, name);
    EXPECT_EQ(read, row.read) << row.path;
    if (read) {
      EXPECT_EQ(std::pair(folder, name), std::pair(row.folder, row.name)) << row.path;
    }
  }
}

namespace {

// Whether a slot of Bob's holds `save` beside the hotkeys `key`.
bool ASlotHolds(MemoryFileSystem& fs, const ck::Bytes& save, const std::string& key) {
  for (const ck::FileInfo& f : fs.List(kSave, "*.zip", true)) {
    ck::Bytes data;
    ck::FileStamp before, after;
    std::vector<ck::ZipEntry> entries;
    if (ck::ReadArchiveName(f.name, "Bob").kind != ck::ArchiveKind::Slot ||
        fs.ReadWhole(std::string(kSave) + f.name, data, before, after, 1 << 22) != ck::ReadStatus::Ok ||
        !ck::ReadZip(data, entries)) {
      continue;
    }
    const auto has = [&](const char* name, const ck::Bytes& bytes) {
      return std::any_of(entries.begin(), entries.end(), [&](const ck::ZipEntry& e) {
        return MemoryFileSystem::Key(e.name) == name && e.data == bytes;
      });
    };
    if (has("bob.d2s", save) && has("bob.key", ck::testing::Text(key))) return true;
  }
  return false;
}

}  // namespace

// A restore cut short with the save in place and the hotkeys not, from an
// archive then taken away (by the player, or with the history left behind
// as the save folder was moved): the mix is still told, and no pass keeps
// it. From an archive the main list shows under a name with a "~": the game
// saves, and the passes go on.
TEST_F(StatesTest, ARestoreCutShortIsToldWhateverItWasFromTillTheGameSaves) {
  for (const bool history : {true, false}) {
    SCOPED_TRACE(history ? "from a history archive taken away" : "from Bob~old.zip");
    Lay();
    const std::int64_t made = Utc(2026, 12, 9, 10, 30);
    std::string path = "Bob~old.zip";
    if (history) {
      PutHistory(made, "10:30");
      path = HistoryPath(made);
    }
    files_.Put("Bob~old.zip", LevelZip(30, "10:30"));
    ASSERT_TRUE(files_.WriteFlushed(std::string(kSave) + path, LevelZip(30, "10:30")));
    SaveLevel(20, "11:05b");
    RestoreCutShort(path, "20261209-110600");
    ASSERT_EQ(ck::UnfinishedRestores(files_, kSave).size(), 1u);
    if (history) {
      ASSERT_TRUE(files_.Remove(std::string(kSave) + path));
    }
    EXPECT_EQ(ck::UnfinishedRestores(files_, kSave).size(), 1u);
    At(Utc(2026, 12, 9, 11, 7));
    const std::optional<ck::PassResult> pass = Pass(3);
    ASSERT_TRUE(pass);
    EXPECT_EQ(pass->cutShort.size(), 1u);
    EXPECT_FALSE(ASlotHolds(files_, ck::testing::StatedSave("Bob", 30), "11:05b"));
    if (history) continue;
    for (const auto& [minute, state] : {std::pair{20, "11:20"}, std::pair{30, "11:30"}}) {
      At(Utc(2026, 12, 9, 11, minute));
      SaveLevel(25, state);
      EXPECT_EQ(Pass(3)->saved, std::vector<std::string>{"Bob"}) << state;
    }
  }
}

// A file named ".d2s", and a hidden copy of a save, which the passes take
// for no one: so does the window.
TEST_F(StatesTest, TheCharactersAreThoseThePassesArchive) {
  LayAll();
  files_.Put(".d2s", ck::testing::WholeSave("X"));
  const ck::SavedStates states(files_, kSave);
  EXPECT_EQ(states.Whose("Bob2.zip"), "Bob");
  EXPECT_EQ(states.Characters(), (std::vector<std::string>{"Bob", "Cain", "H\xC3\xA9l\xC3\xA8ne"}));
  std::size_t inFolder = 0;
  for (const ck::StateRow& r : states.Of("Bob", 3, files_.wallNow)) inFolder += r.file.name.find('/') == std::string::npos;
  EXPECT_EQ(inFolder, 6u);
}

// Going back to a state with a corpse, from a slot or from the history:
// the next pass finds no death since it, and keeps nothing apart for one.
TEST_F(StatesTest, GoingBackToAStateWithACorpseIsNoDeath) {
  for (const bool fromHistory : {false, true}) {
    SCOPED_TRACE(fromHistory ? "from the history" : "from a slot");
    Lay();
    const std::int64_t made = Utc(2026, 12, 9, 10, 30);
    const ck::Bytes dead = ck::BuildZip({{"Bob.d2s", ck::testing::StatedSave("Bob", 30, 0x08, true), 0, 0x21, {}},
                                         {"Bob.key", ck::testing::Text("10:30 dead"), 0, 0x21, {}}});
    std::string path = "Bob1.zip";
    if (fromHistory) {
      ASSERT_TRUE(files_.WriteFlushed(History() + ck::HistoryName("Bob", made, BerlinTime::Offset(made)), dead));
      path = HistoryPath(made);
    } else {
      At(Utc(2026, 12, 9, 9, 50));
      files_.Put("Bob1.zip", dead);
      At(Utc(2026, 12, 9, 11, 5));
    }
    SaveLevel(20, "11:05b");
    ASSERT_TRUE(Pass(3));
    At(Utc(2026, 12, 9, 11, 6));
    ck::RestoreSource source;
    ASSERT_EQ(ck::ReadRestoreSource(files_, kSave, path, source), "");
    std::string keptIn;
    ASSERT_EQ(ck::RestoreCharacter(files_, kSave, source, "20261209-110600", keptIn), "");
    ck::WentBack(memory_, "Bob", {source.archive, source.stamp.size, source.stamp.lastWrite});
    At(Utc(2026, 12, 9, 11, 7));
    const std::optional<ck::PassResult> pass = Pass(3);
    ASSERT_TRUE(pass);
    EXPECT_TRUE(pass->died.empty());
  }
}

// A character whose name, in a double-byte code page, holds the
// backslash's byte: its history archive is named whole, and kept.
TEST_F(StatesTest, AHistoryArchiveOfADoubleByteNameIsShownWholeAndKept) {
  const std::string so = "\x83\x5C";
  const std::string folder = ck::HistoryFolder(kSave, so);
  ASSERT_TRUE(files_.MakeFolder(std::string(kSave) + ck::kHistoryFolder));
  ASSERT_TRUE(files_.MakeFolder(folder.substr(0, folder.size() - 1)));
  const std::string name = ck::HistoryName(so, Utc(2026, 12, 9, 10, 30), 60);
  ASSERT_TRUE(files_.WriteFlushed(folder + name, Zip("x")));
  ck::RestoreSource source;
  source.archive = ck::CharacterHistory(files_, kSave, so).Path(name);
  source.character = so;
  EXPECT_EQ(ck::ShownName(source.archive), name);
  std::string kept;
  EXPECT_EQ(ck::KeepArchive(files_, kSave, source, kept), "");
}

// Going back, as told, to the mark of a restore cut short, cut short too;
// then the game saves: each mark still names what it was restored from,
// and the passes go on.
TEST_F(StatesTest, GoingBackToTheMarkOfARestoreCutShortStopsNoBackupOnceTheGameSaves) {
  Lay();
  At(Utc(2026, 12, 9, 9, 50));
  files_.Put("Bob1.zip", LevelZip(10, "09:50"));
  At(Utc(2026, 12, 9, 11, 5));
  SaveLevel(20, "11:05");
  ASSERT_TRUE(Pass(3));
  const std::pair<const char*, const char*> restores[] = {{"Bob1.zip", "20261209-110600"},
                                                          {"Bob-restoring-20261209-110600.zip", "20261209-110700"}};
  for (const auto& [from, stamp] : restores) RestoreCutShort(from, stamp);
  for (const auto& [minute, state] : {std::pair{20, "11:20"}, std::pair{30, "11:30"}, std::pair{40, "11:40"}}) {
    At(Utc(2026, 12, 9, 11, minute));
    SaveLevel(25, state);
    const std::optional<ck::PassResult> pass = Pass(3);
    ASSERT_TRUE(pass);
    EXPECT_EQ(pass->saved, std::vector<std::string>{"Bob"}) << state;
  }
}

// A record names an archive in another character's history (a record comes
// with any archive copied in): Bob's death is not told against Cain's state,
// nor are Cain's files kept as Bob's.
TEST_F(StatesTest, ARecordNamingAnothersHistoryIsNoStateOfTheCharacters) {
  Lay();
  const std::string cain = ck::HistoryFolder(kSave, "Cain");
  ASSERT_TRUE(files_.MakeFolder(cain.substr(0, cain.size() - 1)));
  const std::string name = ck::HistoryName("Cain", Utc(2026, 12, 9, 9), 60);
  ASSERT_TRUE(files_.WriteFlushed(cain + name, ck::BuildZip({{"Cain.d2s", ck::testing::StatedSave("Cain", 5), 0, 0x21, {}}})));
  const std::vector<ck::FileInfo> listed = ck::ListExactly(files_, cain, name, true);
  ASSERT_EQ(listed.size(), 1u);
  At(Utc(2026, 12, 9, 11, 6));
  files_.Put("Bob-before-restore-20261209-110600.zip",
             ck::BuildZip({{"Bob.d2s", ck::testing::StatedSave("Bob", 40), 0, 0x21, {}}}, 6,
                          ck::RecordText({std::string(ck::kHistoryFolder) + "/Cain/" + name, listed.front().size,
                                          listed.front().lastWrite})));
  At(Utc(2026, 12, 9, 11, 7));
  files_.Put("Bob.d2s", ck::testing::StatedSave("Bob", 40, 0x08, true));
  const std::optional<ck::PassResult> pass = Pass(3);
  ASSERT_TRUE(pass);
  for (const auto& [who, keptIn] : pass->died) {
    ck::Bytes data;
    ck::FileStamp before, after;
    std::vector<ck::ZipEntry> entries;
    ASSERT_EQ(files_.ReadWhole(std::string(kSave) + keptIn, data, before, after, 1 << 20), ck::ReadStatus::Ok);
    ASSERT_TRUE(ck::ReadZip(data, entries));
    for (const ck::ZipEntry& e : entries) EXPECT_NE(e.name, "Cain.d2s") << keptIn;
  }
}
