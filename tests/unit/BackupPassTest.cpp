// The backup pass and its archiver on a real POSIX folder, with failures
// injected into the file side.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "components/PosixFileSystem.h"
#include "components/SaveCheck.h"
#include "components/ZipArchiver.h"
#include "mainwindow/BackupPass.h"
#include "tests/common/FaultyFs.h"
#include "tests/common/FolderTest.h"
#include "tests/common/SaveFiles.h"

namespace fs = std::filesystem;
using ck::AddResult;
using ck::testing::FaultyFs;
using ck::testing::MadeSave;
using ck::Bytes;
using ck::testing::Text;
using ck::testing::WholeSave;

namespace {

class ArchiverTest : public ck::testing::FolderTest {
 protected:
  void Character(const std::string& name) {
    Write(name + ".d2s", WholeSave(name));
    Write(name + ".key", Text("keys of " + name));
    Write(name + ".ma0", Bytes(3000, 0x11));
  }
  // Characters played on: their hotkeys changed, so their files differ
  // from every archive before.
  void Play(std::initializer_list<std::string> names) {
    for (const std::string& name : names) Write(name + ".key", Text("keys of " + name + std::to_string(++plays_)));
  }
  std::vector<std::string> Entries(const std::string& archive) {
    std::vector<std::string> names;
    EXPECT_TRUE(ck::VerifyZip(Read(archive), &names)) << archive;
    return names;
  }
  bool Exists(const std::string& name) { return fs::exists(dir_ / name); }
  // The folder's files that end in `extension`, by name.
  std::map<std::string, Bytes> Files(const std::string& extension) {
    std::map<std::string, Bytes> found;
    for (const auto& e : fs::directory_iterator(dir_)) {
      const std::string name = e.path().filename().string();
      if (e.path().extension() == extension) found[name] = Read(name);
    }
    return found;
  }
  std::optional<ck::PassResult> Pass(ck::FileSystem& files, int keep = 10) {
    return ck::RunBackupPass(files, save_, keep, table_, written_);
  }

  ck::PassMemory written_;
  int plays_ = 0;
  ck::CharacterTable table_;
  ck::PosixFileSystem posix_;
};

// What independent zip readers make of them is checked end to end.
TEST_F(ArchiverTest, ArchiveHoldsExactlyTheCharactersFiles) {
  const std::string helene = "H\u00e9l\u00e8ne";  // names here are in UTF-8
  Character("Bob");
  Character("Bobby");
  Character(helene);
  Write("Bob.zip", Text("not a backup"));
  Write("Bob.map", Bytes(24, 3));
  fs::create_directory(dir_ / "Bob.ma1");  // a folder is no file of Bob's
  ASSERT_TRUE(Pass(posix_).has_value());

  EXPECT_EQ(Entries("Bob1.zip"), (std::vector<std::string>{"Bob.d2s", "Bob.key", "Bob.ma0", "Bob.map"}));
  EXPECT_EQ(Entries("Bobby1.zip"), (std::vector<std::string>{"Bobby.d2s", "Bobby.key", "Bobby.ma0"}));
  EXPECT_EQ(Entries(helene + "1.zip").front(), helene + ".d2s");
  EXPECT_TRUE(Files(".cktmp").empty());
}

// Which slot to write, from the slots' last writes: a free one first, then
// the oldest (ties to the lowest number); never the newest by time, nor the
// one written last, which a clock set back can make look older.
TEST(SlotsToWrite, FreeFirstThenTheOldestButNeverTheNewest) {
  const auto slots = [](std::vector<std::pair<int, std::uint64_t>> times, int keep, int last) {
    std::vector<ck::FileInfo> archives;
    for (const auto& [slot, time] : times) archives.push_back({"Bob" + std::to_string(slot) + ".zip", "", 0, 0, 0, time});
    archives.push_back({"Bobby1.zip", "", 0, 0, 0, 1});  // another character's
    return ck::SlotsToWrite(archives, "Bob", keep, last);
  };
  using Slots = std::vector<int>;
  EXPECT_EQ(slots({}, 3, 0), (Slots{1, 2, 3}));
  EXPECT_EQ(slots({{1, 10}, {3, 5}}, 3, 0), (Slots{2, 3}));
  EXPECT_EQ(slots({{1, 10}, {2, 20}, {3, 30}}, 3, 3), (Slots{1, 2}));
  EXPECT_EQ(slots({{1, 10}, {2, 10}, {3, 10}}, 3, 0), (Slots{1, 2}));  // a coarse clock ties them
  EXPECT_EQ(slots({{1, 10}, {2, 20}, {3, 5}}, 3, 3), (Slots{1}));      // set back before slot 3 was written
  EXPECT_EQ(slots({{1, 10}, {2, 20}, {5, 1}}, 2, 0), (Slots{1}));      // above the number kept: never written
  EXPECT_EQ(slots({{1, 10}}, 1, 1), (Slots{1}));
}

// After a restart, only the times tell which slot is the newest: tied times
// spare the highest number and write the lowest; a newest slot between two
// older ones is never written; and the state before a death is taken from it.
// A dated copy whose name ends in "-2" is no slot 2, however old.
TEST_F(ArchiverTest, AfterARestartTheTimesAloneTellTheNewest) {
  Character("Bob");
  Write("Bob.d2s", MadeSave("Alive"));
  for (int i = 0; i < 3; ++i) {
    Play({"Bob"});
    Pass(posix_, 3);
  }
  const auto now = fs::file_time_type::clock::now();
  for (const char* slot : {"Bob1.zip", "Bob2.zip", "Bob3.zip"}) fs::last_write_time(dir_ / slot, now - std::chrono::hours(1));
  Write("Bob-kept-20260101-120000-2.zip", Read("Bob2.zip"));
  fs::last_write_time(dir_ / "Bob-kept-20260101-120000-2.zip", now - std::chrono::hours(5));
  auto slots = Files(".zip");
  written_ = {};
  Play({"Bob"});
  EXPECT_EQ(Pass(posix_, 3)->saved, std::vector<std::string>{"Bob"});
  EXPECT_NE(Read("Bob1.zip"), slots.at("Bob1.zip"));

  fs::last_write_time(dir_ / "Bob1.zip", now - std::chrono::hours(2));
  fs::last_write_time(dir_ / "Bob2.zip", now - std::chrono::minutes(10));
  fs::last_write_time(dir_ / "Bob3.zip", now - std::chrono::hours(3));
  slots = Files(".zip");
  written_ = {};
  Write("Bob.d2s", MadeSave("Dead"));
  const auto pass = Pass(posix_, 3);
  ASSERT_EQ(pass->died.size(), 1u);
  EXPECT_EQ(Read(pass->died[0].second), slots.at("Bob2.zip"));
  EXPECT_NE(Read("Bob3.zip"), slots.at("Bob3.zip"));
  EXPECT_EQ(Read("Bob2.zip"), slots.at("Bob2.zip"));
}

// While a question names an archive, no pass writes over it: the next slot
// takes the change, and with one kept the character waits for the answer.
TEST_F(ArchiverTest, NoPassWritesOverTheArchiveAQuestionNames) {
  Character("Bob");
  for (int i = 0; i < 3; ++i) {
    Play({"Bob"});
    Pass(posix_, 3);
  }
  fs::last_write_time(dir_ / "Bob1.zip", fs::file_time_type::clock::now() - std::chrono::hours(1));
  const auto before = Files(".zip");
  written_.spared = "bob1.ZIP";
  Play({"Bob"});
  EXPECT_EQ(Pass(posix_, 3)->saved, std::vector<std::string>{"Bob"});
  EXPECT_EQ(Read("Bob1.zip"), before.at("Bob1.zip"));
  EXPECT_NE(Read("Bob2.zip"), before.at("Bob2.zip"));
  Play({"Bob"});
  EXPECT_EQ(Pass(posix_, 1)->notSaved, std::vector<std::string>{"Bob"});
  EXPECT_EQ(Read("Bob1.zip"), before.at("Bob1.zip"));
  written_.spared.clear();
  EXPECT_EQ(Pass(posix_, 1)->saved, std::vector<std::string>{"Bob"});
}

// A restore that did not finish may leave a mix of two states: no pass
// archives it, and the tip names where the state before it is kept, until
// the game saves again.
TEST_F(ArchiverTest, NoPassArchivesWhatARestoreCutShortLeft) {
  Character("Bob");
  Character("Al");
  const std::string mark = "Bob-restoring-20261207-170412.zip", from = "Bob-kept-20250101-000000.zip";
  Write(mark, ck::BuildZip({{"Bob.d2s", Read("Bob.d2s"), 0, 33, {}}}, 6, ck::RecordText({from, 1, 2})));
  Write(from, ck::BuildZip({{"Bob.d2s", WholeSave("Bob", 600), 0, 33, {}}}));
  // The save is either state's, the mark's or the one restored: whatever
  // the times say, the game has not saved since.
  for (const Bytes& save : {Read("Bob.d2s"), WholeSave("Bob", 600)}) {
    Write("Bob.d2s", save);
    auto pass = Pass(posix_);
    EXPECT_EQ(pass->notSaved, std::vector<std::string>{"Bob"});
    EXPECT_EQ(pass->saved.size() + pass->unchanged.size(), 1u);
    EXPECT_FALSE(Exists("Bob1.zip"));
    EXPECT_NE(ck::LastSaveTip("12:00:00", *pass).find(" - a restore of Bob did not finish: restore " + mark +
                                                       " or the archive it names"),
              std::string::npos);
  }
  Write("Bob.d2s", WholeSave("Bob", 800));  // the game saves
  EXPECT_EQ(Pass(posix_)->saved, std::vector<std::string>{"Bob"});
}

// A character that changes at every pass rotates 1, 2, 3, 1; one that passes
// skipped keeps its newest states all the same, across a restart too.
TEST_F(ArchiverTest, EachCharacterKeepsItsNewestDistinctStatesWhateverThePassesSkipped) {
  Character("Alice");
  Character("Bob");
  std::map<std::string, Bytes> bobStates;  // Bob's .key, by the archive that should keep it
  std::vector<std::string> written;
  const auto pass = [&](std::initializer_list<std::string> played, const char* bobSlot = nullptr) {
    Play(played);
    const auto before = Files(".zip");
    Pass(posix_, 3);
    for (const auto& [name, data] : Files(".zip")) {
      if (before.contains(name) && before.at(name) == data) continue;
      written.push_back(name);
      // An hour after the one before: no coarse clock ties them.
      fs::last_write_time(dir_ / name, fs::file_time_type::clock::now() + std::chrono::hours(written.size()));
    }
    if (bobSlot) bobStates[bobSlot] = Read("Bob.key");
  };
  pass({}, "Bob1.zip");
  pass({"Alice"});
  pass({"Alice"});
  pass({"Alice", "Bob"}, "Bob2.zip");
  written_ = {};  // the program started again
  pass({"Alice", "Bob"}, "Bob3.zip");
  pass({"Alice", "Bob"}, "Bob1.zip");
  EXPECT_EQ(written, (std::vector<std::string>{"Alice1.zip", "Bob1.zip", "Alice2.zip", "Alice3.zip", "Alice1.zip",
                                               "Bob2.zip", "Alice2.zip", "Bob3.zip", "Alice3.zip", "Bob1.zip"}));
  for (const auto& [archive, key] : bobStates) {
    std::vector<ck::ZipEntry> entries;
    ASSERT_TRUE(ck::ReadZip(Read(archive), entries)) << archive;
    EXPECT_EQ(entries.at(1).data, key) << archive;
  }
}

// A slot the user made read-only, or that another program holds, is passed
// over for the next oldest at each pass, never for the newest; only when no
// other slot can take the character is it not saved.
TEST_F(ArchiverTest, ASlotThatCannotBeWrittenIsPassedOverNotHitAtEveryPass) {
  Character("Bob");
  for (int hours = 1; hours <= 3; ++hours) {
    Play({"Bob"});
    Pass(posix_, 3);
    fs::last_write_time(dir_ / ("Bob" + std::to_string(hours) + ".zip"),
                        fs::file_time_type::clock::now() + std::chrono::hours(hours));
  }
  fs::permissions(dir_ / "Bob1.zip", fs::perms::owner_write, fs::perm_options::remove);
  FaultyFs faulty;
  faulty.held = [](const std::string& path) { return path.ends_with("Bob2.zip"); };
  Play({"Bob"});
  EXPECT_EQ(Pass(faulty, 3)->notSaved, std::vector<std::string>{"Bob"});  // only Bob3, the newest, is left
  faulty.held = [](const std::string&) { return false; };
  int hours = 10;
  for (const char* slot : {"Bob2.zip", "Bob3.zip", "Bob2.zip"}) {
    Play({"Bob"});
    const Bytes key = Read("Bob.key");
    EXPECT_EQ(Pass(faulty, 3)->saved, std::vector<std::string>{"Bob"});
    std::vector<ck::ZipEntry> entries;
    ASSERT_TRUE(ck::ReadZip(Read(slot), entries));
    EXPECT_EQ(entries.at(1).data, key) << slot;
    fs::last_write_time(dir_ / slot, fs::file_time_type::clock::now() + std::chrono::hours(++hours));
  }
}

TEST_F(ArchiverTest, MoreThanAHundredCharactersAndFiftyCompanionsAreAllKept) {
  for (char a = 'a'; a <= 'e'; ++a) {
    for (char b = 'a'; b <= 'u'; ++b) Write(std::string("Hero") + a + b + ".d2s", WholeSave("h"));
  }
  for (int i = 0; i < 50; ++i) Write("Heroaa.m" + std::to_string(i), Bytes(100, static_cast<std::uint8_t>(i)));
  const auto pass = Pass(posix_);
  ASSERT_TRUE(pass.has_value());
  EXPECT_EQ(table_.SaveCount(), 105u);
  EXPECT_TRUE(pass->notSaved.empty());
  EXPECT_TRUE(Exists("Heroeu1.zip"));
  EXPECT_EQ(Entries("Heroaa1.zip").size(), 51u);
}

TEST_F(ArchiverTest, OurLeftoverIsRemovedBeforeTheWrite) {
  Character("Bob");
  Write("~Bob1.zip.cktmp", Text("half an archive"));
  FaultyFs faulty;
  faulty.refuseOverwrite = true;
  EXPECT_TRUE(Pass(faulty)->notSaved.empty());
  EXPECT_TRUE(Files(".cktmp").empty());
}

// Deleted between the listing and its read, a companion is no longer one of
// the character's files: the new archive holds the others, and not the old copy.
TEST_F(ArchiverTest, ACompanionDeletedSinceTheListingLeavesTheArchiveToo) {
  Character("Bob");
  Write("Bob.ma1", Bytes(10, 1));
  Pass(posix_, 1);
  FaultyFs faulty;
  faulty.onRead = [](const std::string& path) {
    if (path.ends_with("Bob.ma1")) fs::remove(path);
  };
  EXPECT_TRUE(Pass(faulty, 1)->notSaved.empty());
  EXPECT_EQ(Entries("Bob1.zip"), (std::vector<std::string>{"Bob.d2s", "Bob.key", "Bob.ma0"}));
}

TEST_F(ArchiverTest, AnUnchangedCharacterWritesNothingAndKeepsItsOlderArchives) {
  Character("Bob");
  Character("Bobby");
  Write("Bob.zip", Text("not a backup"));
  for (int i = 0; i < 3; ++i) Pass(posix_);
  EXPECT_EQ(Files(".zip").size(), 3u);  // Bob.zip, Bob1.zip and Bobby1.zip

  // One byte of the .key, then back: the second state is Bob1's, but not
  // the newest archive's. An hour apart, as no coarse clock could tie them.
  fs::last_write_time(dir_ / "Bob1.zip", fs::file_time_type::clock::now() - std::chrono::hours(1));
  Bytes key = Read("Bob.key");
  for (int i = 0; i < 2; ++i) {
    key[0] ^= 1;
    Write("Bob.key", key);
    EXPECT_EQ(Pass(posix_)->saved, std::vector<std::string>{"Bob"});
  }

  // Neither Bobby's newer archive nor a newer Bob.zip is Bob's newest.
  Play({"Bobby"});
  Write("Bob.zip", Text("not a backup either"));
  const auto pass = Pass(posix_);
  EXPECT_EQ(ck::LastSaveText("12:00:00", *pass), "Last save was at 12:00:00");
  EXPECT_EQ(ck::LastSaveTip("12:00:00", *pass), "Last save was at 12:00:00 - saved: Bobby - unchanged: Bob");

  // Round the whole rotation and more: every older state survives.
  const auto before = Files(".zip");
  EXPECT_EQ(before.size(), 6u);
  EXPECT_TRUE(before.contains("Bob2.zip") && before.contains("Bob3.zip") && before.contains("Bobby2.zip"));
  for (int i = 0; i < 10; ++i) Pass(posix_);
  EXPECT_EQ(Files(".zip"), before);
}

// A pass over files written long enough ago reads nothing while the listing
// shows them and the newest archive as the last pass read them; any sign of
// a write brings the read back.
TEST_F(ArchiverTest, AnUnchangedCharacterIsKnownWithoutAReadUntilAFileOrItsArchiveIsNotAsRead) {
  const auto age = [&](const std::string& name) {
    fs::last_write_time(dir_ / name, fs::file_time_type::clock::now() - std::chrono::hours(1));
  };
  Character("Bob");
  Write("Bob.map", Bytes(ck::ZipArchiver::kLargestFile + 1, 1));
  for (const char* f : {"Bob.d2s", "Bob.key", "Bob.ma0", "Bob.map"}) age(f);
  // A file a writer still holds open, whose directory entry lags behind
  // what the file itself says; a clock set back.
  struct Lagging : FaultyFs {
    std::string held;
    std::uint64_t wallAhead = 0, steadyAhead = 0;  // in the POSIX side's nanoseconds
    bool Stamp(const std::string& path, ck::FileStamp& stamp) override {
      const bool known = FaultyFs::Stamp(path, stamp);
      if (!held.empty() && path.ends_with(held)) stamp.lastWrite += 1;
      return known;
    }
    ck::ReadStatus ReadWhole(const std::string& path, ck::Bytes& data, ck::FileStamp& before, ck::FileStamp& after,
                             std::uint64_t limit) override {
      const ck::ReadStatus read = FaultyFs::ReadWhole(path, data, before, after, limit);
      if (!held.empty() && path.ends_with(held)) before.lastWrite = ++after.lastWrite;
      return read;
    }
    ck::Clocks ReadClocks() override {
      ck::Clocks now = FaultyFs::ReadClocks();
      now.wall += wallAhead;
      now.steady += steadyAhead;
      return now;
    }
  } faulty;
  int reads = 0;
  faulty.onRead = [&](const std::string&) { ++reads; };
  // The reads of a pass that finds Bob unchanged, what it left out too.
  const auto readsOfUnchangedPass = [&] {
    reads = 0;
    const auto pass = Pass(faulty);
    EXPECT_EQ(pass->unchanged, std::vector<std::string>{"Bob"});
    EXPECT_EQ(pass->leftOut, std::vector<std::string>{"Bob.map"});
    return reads;
  };
  EXPECT_EQ(Pass(faulty)->saved, std::vector<std::string>{"Bob"});
  EXPECT_EQ(readsOfUnchangedPass(), 0);
  faulty.held = "Bob.d2s";
  EXPECT_GT(readsOfUnchangedPass(), 0);
  faulty.held.clear();  // the writer closes the file: read once more
  readsOfUnchangedPass();
  EXPECT_EQ(readsOfUnchangedPass(), 0);
  // Ten seconds between passes, in which a time server sets the clock back
  // by one; then by 0.3 s, a moment, which is no step; by 0.7 s; by all.
  const std::uint64_t second = 1000000000;
  faulty.steadyAhead = 10 * second;
  faulty.wallAhead = 9 * second;
  EXPECT_GT(readsOfUnchangedPass(), 0);
  EXPECT_EQ(readsOfUnchangedPass(), 0);
  faulty.wallAhead -= 3 * second / 10;
  EXPECT_EQ(readsOfUnchangedPass(), 0);
  faulty.wallAhead -= 7 * second / 10;
  EXPECT_GT(readsOfUnchangedPass(), 0);
  faulty.wallAhead = 0;
  EXPECT_GT(readsOfUnchangedPass(), 0);
  EXPECT_EQ(readsOfUnchangedPass(), 0);

  // The same size and time, but another file put in its place.
  const auto time = fs::last_write_time(dir_ / "Bob.key");
  Bytes key = Read("Bob.key");
  key[0] ^= 1;
  Write("Bob.key.new", key);
  fs::rename(dir_ / "Bob.key.new", dir_ / "Bob.key");
  fs::last_write_time(dir_ / "Bob.key", time);
  EXPECT_EQ(Pass(faulty)->saved, std::vector<std::string>{"Bob"});
  EXPECT_EQ(readsOfUnchangedPass(), 0);

  // Written just now, then again in place with the same size within the
  // same tick of a coarse clock: its time tells nothing, so it is read.
  key[0] ^= 1;
  Write("Bob.key", key);
  EXPECT_EQ(Pass(faulty)->saved, std::vector<std::string>{"Bob"});
  const auto tick = fs::last_write_time(dir_ / "Bob.key");
  key[0] ^= 1;
  Write("Bob.key", key);
  fs::last_write_time(dir_ / "Bob.key", tick);
  EXPECT_EQ(Pass(faulty)->saved, std::vector<std::string>{"Bob"});
  age("Bob.key");
  EXPECT_GT(readsOfUnchangedPass(), 0);  // read once more, now that it has settled
  EXPECT_EQ(readsOfUnchangedPass(), 0);

  // The archive that held them gone, or another in its place: written again.
  const auto newest = Files(".zip");
  for (const auto& [name, data] : newest) fs::remove(dir_ / name);
  EXPECT_EQ(Pass(faulty)->saved, std::vector<std::string>{"Bob"});
  EXPECT_EQ(readsOfUnchangedPass(), 0);
  for (const auto& [name, data] : Files(".zip")) Write(name, Text("not a backup"));
  EXPECT_EQ(Pass(faulty)->saved, std::vector<std::string>{"Bob"});
}

// A folder whose times are whole seconds (FAT keeps 2), or lag this
// machine's clock (a share whose server's clock runs behind): no listing
// of it is trusted, and every pass reads every file.
TEST_F(ArchiverTest, OnlyAFolderWhoseTimesAreFineAndTheClocksIsTrustedWithoutARead) {
  struct Folder : FaultyFs {
    std::uint64_t tick = 1, behind = 0;  // in nanoseconds
    std::uint64_t Time(std::uint64_t t) const { return (t - behind) / tick * tick; }
    std::vector<ck::FileInfo> List(const std::string& folder, const std::string& pattern, bool hidden) override {
      std::vector<ck::FileInfo> files = FaultyFs::List(folder, pattern, hidden);
      for (ck::FileInfo& f : files) f.lastWrite = Time(f.lastWrite);
      return files;
    }
    bool Stamp(const std::string& path, ck::FileStamp& stamp) override {
      const bool known = FaultyFs::Stamp(path, stamp);
      stamp.lastWrite = Time(stamp.lastWrite);
      return known;
    }
    ck::ReadStatus ReadWhole(const std::string& path, ck::Bytes& data, ck::FileStamp& before, ck::FileStamp& after,
                             std::uint64_t limit) override {
      const ck::ReadStatus read = FaultyFs::ReadWhole(path, data, before, after, limit);
      before.lastWrite = Time(before.lastWrite);
      after.lastWrite = Time(after.lastWrite);
      return read;
    }
  };
  Character("Bob");
  const auto reads = [&](std::uint64_t tick, std::uint64_t behind) {
    Folder folder;
    folder.tick = tick;
    folder.behind = behind;
    int read = 0;
    folder.onRead = [&](const std::string&) { ++read; };
    written_ = {};
    Play({"Bob"});
    for (const char* f : {"Bob.d2s", "Bob.key", "Bob.ma0"}) {
      fs::last_write_time(dir_ / f, fs::file_time_type::clock::now() - std::chrono::hours(1));
    }
    EXPECT_EQ(Pass(folder)->saved, std::vector<std::string>{"Bob"});
    read = 0;
    EXPECT_EQ(Pass(folder)->unchanged, std::vector<std::string>{"Bob"});
    return read;
  };
  EXPECT_EQ(reads(1, 0), 0);
  EXPECT_GT(reads(1000000000, 0), 0);
  EXPECT_GT(reads(1, 3000000000), 0);
  EXPECT_EQ(reads(1, 500000000), 0);

  // There, a file written within a few seconds of the pass is asked again
  // by its bytes: the game saving again in the same two seconds, the keys
  // the same size, mixes no two saves.
  Folder fat;
  fat.tick = 2000000000;
  written_ = {};
  Play({"Bob"});
  Bytes key = Read("Bob.key");
  bool saving = true;
  fat.onRead = [&](const std::string& path) {
    if (!path.ends_with("Bob.d2s") || !std::exchange(saving, false)) return;
    const auto tick = fs::last_write_time(dir_ / "Bob.key");
    key[0] ^= 1;
    Write("Bob.key", key);
    fs::last_write_time(dir_ / "Bob.key", tick);
    Write("Bob.d2s", WholeSave("Bob", 900));
  };
  EXPECT_EQ(Pass(fat)->saved, std::vector<std::string>{"Bob"});
  std::vector<ck::ZipEntry> entries;
  ASSERT_TRUE(ck::ReadZip(Read(ck::SlotName("Bob", written_.characters["Bob"].lastWritten)), entries));
  for (const ck::ZipEntry& e : entries) EXPECT_TRUE(e.data == Read(e.name)) << e.name;
}

TEST_F(ArchiverTest, AnUnreadableNewestArchiveIsNeverTakenAsTheSame) {
  // A damaged one: the fuzz target for the unchanged check.
  Character("Bob");
  Pass(posix_);
  FaultyFs faulty;
  faulty.lockedRead = [](const std::string& path) { return path.ends_with("Bob1.zip"); };
  EXPECT_EQ(Pass(faulty)->saved, std::vector<std::string>{"Bob"});
}

// The newest archive from before each death is kept byte for byte, out of
// the rotation: a hardcore death, a softcore character's corpse, and a
// second death beside the first. A corpse there in both states, or a
// damaged newest archive, keeps nothing, and never stops the pass.
TEST_F(ArchiverTest, TheLastArchiveBeforeEachDeathIsKeptApart) {
  const auto died = [&](const std::string& name) {
    std::vector<std::string> kept;
    for (const auto& [file, data] : Files(".zip")) {
      if (file.starts_with(name + "-before-death-")) kept.push_back(file);
    }
    return kept;
  };
  for (const std::string name : {"Bob", "Hel", "Dam"}) Character(name);
  for (const std::string name : {"Bob", "Hel", "Dam"}) Write(name + ".d2s", MadeSave("Alive"));
  Pass(posix_);
  const Bytes bobAlive = Read("Bob1.zip"), helAlive = Read("Hel1.zip");
  Bytes damaged = Read("Dam1.zip");
  damaged[damaged.size() / 3] ^= 0x55;
  Write("Dam1.zip", damaged);
  Write("Bob.d2s", MadeSave("Corpse"));
  Write("Hel.d2s", MadeSave("Dead"));
  Write("Dam.d2s", MadeSave("Dead"));
  auto pass = Pass(posix_);
  ASSERT_EQ(died("Bob").size(), 1u);
  ASSERT_EQ(died("Hel").size(), 1u);
  EXPECT_EQ(Read(died("Bob")[0]), bobAlive);
  EXPECT_EQ(Read(died("Hel")[0]), helAlive);
  EXPECT_TRUE(died("Dam").empty());
  EXPECT_EQ(pass->saved.size(), 3u);
  EXPECT_NE(ck::LastSaveTip("12:00:00", *pass).find(" - Hel died: the last backup before it is kept in " +
                                                    died("Hel")[0]),
            std::string::npos);

  // Bob takes his corpse back (died, no corpse), then dies again.
  Write("Bob.d2s", MadeSave("Alive", 0x28));
  Pass(posix_);
  EXPECT_EQ(died("Bob").size(), 1u);
  const Bytes bobBack = Read("Bob3.zip");
  Write("Bob.d2s", MadeSave("Corpse"));
  Pass(posix_);
  ASSERT_EQ(died("Bob").size(), 2u);
  EXPECT_TRUE(Read(died("Bob")[0]) == bobBack || Read(died("Bob")[1]) == bobBack);
  // Played on with the corpse still there: nothing more is kept.
  const auto before = Files(".zip");
  Play({"Bob"});
  Pass(posix_);
  EXPECT_EQ(died("Bob").size(), 2u);
  EXPECT_EQ(Read(died("Bob")[0]), before.at(died("Bob")[0]));
}

// A death is not written until the state before it is kept apart: not while
// the copy is refused, nor while the newest archive cannot be read; and a
// copy made by a pass whose own write failed is not made again.
TEST_F(ArchiverTest, ADeathIsWrittenOnlyOnceTheStateBeforeItIsKeptApart) {
  Character("Hel");
  Write("Hel.d2s", MadeSave("Alive"));
  Pass(posix_, 2);
  const Bytes alive = Read("Hel1.zip");
  Write("Hel.d2s", MadeSave("Dead"));
  FaultyFs faulty;
  faulty.held = [](const std::string& path) {
    return path.ends_with(".zip") && path.find("-before-death-") != std::string::npos;
  };
  auto pass = Pass(faulty, 2);
  EXPECT_EQ(pass->notSaved, std::vector<std::string>{"Hel"});
  EXPECT_NE(ck::LastSaveTip("12:00:00", *pass).find("Hel died: the last backup before it could not be kept apart"),
            std::string::npos);
  faulty.held = [](const std::string&) { return false; };
  faulty.lockedRead = [](const std::string& path) { return path.ends_with("Hel1.zip"); };
  EXPECT_EQ(Pass(faulty, 2)->notSaved, std::vector<std::string>{"Hel"});
  EXPECT_EQ(Files(".zip"), (std::map<std::string, Bytes>{{"Hel1.zip", alive}}));
  EXPECT_TRUE(Files(".cktmp").empty());

  faulty.lockedRead = [](const std::string&) { return false; };
  faulty.held = [](const std::string& path) { return path.ends_with("Hel2.zip"); };
  Pass(faulty, 2);
  Pass(faulty, 2);
  EXPECT_EQ(Files(".zip").size(), 2u);  // Hel1.zip, and one copy of it
  Pass(posix_, 2);
  EXPECT_EQ(Files(".zip").size(), 3u);
  EXPECT_EQ(Read("Hel1.zip"), alive);
}

// Each failure leaves the slot's previous archive as it was, leaves no
// temporary file, reports who was not saved and does not stop the others.
TEST_F(ArchiverTest, EachFailureKeepsThePreviousArchive) {
  struct Case {
    const char* what;
    std::function<void(FaultyFs&)> fault;
    std::vector<std::string> notSaved;
    int pauses;  // -1: any
  };
  const auto bobSave = [this](const Bytes& save) { return [this, save](FaultyFs&) { Write("Bob.d2s", save); }; };
  const Bytes whole = WholeSave("Bob");
  for (const Case& c : std::initializer_list<Case>{
           {"a write that fails half-way", [](FaultyFs& f) { f.failWriteHalfway = true; }, {"Alice", "Bob"}, 0},
           {"a replace refused for a moment", [](FaultyFs& f) { f.replaceRefused = ck::ReplaceStatus::Held; },
            {"Alice", "Bob"}, 2 * (ck::kReplaceAttempts - 1)},
           {"a replace refused for good", [](FaultyFs& f) { f.replaceRefused = ck::ReplaceStatus::Failed; },
            {"Alice", "Bob"}, 0},
           {"a save vanished since the listing",
            [](FaultyFs& f) {
              f.onRead = [](const std::string& path) {
                if (path.ends_with("Bob.d2s")) fs::remove(path);
              };
            },
            {"Bob"}, -1},
           {"a companion held by another program",
            [](FaultyFs& f) { f.lockedRead = [](const std::string& path) { return path.ends_with("Bob.key"); }; },
            {"Bob"}, -1},
           // The game truncated and is writing.
           {"a save that stays torn", bobSave(Bytes(whole.begin(), whole.begin() + 350)), {"Bob"},
            ck::ZipArchiver::kReadAttempts - 1},
           {"an empty save", bobSave({}), {"Bob"}, -1},
           {"a slot the user made read-only",
            [this](FaultyFs&) { fs::permissions(dir_ / "Bob1.zip", fs::perms::owner_write, fs::perm_options::remove); },
            {"Bob"}, -1},
       }) {
    TearDown();
    SetUp();
    Character("Alice");
    Character("Bob");
    Pass(posix_, 1);
    const Bytes before = Read("Bob1.zip");
    Play({"Alice", "Bob"});  // so that both would be written
    FaultyFs faulty;
    c.fault(faulty);
    auto pass = Pass(faulty, 1);
    ASSERT_TRUE(pass.has_value()) << c.what;
    std::sort(pass->notSaved.begin(), pass->notSaved.end());
    EXPECT_EQ(pass->notSaved, c.notSaved) << c.what;
    EXPECT_EQ(Read("Bob1.zip"), before) << c.what;
    EXPECT_TRUE(Files(".cktmp").empty()) << c.what;
    if (c.pauses >= 0) {
      EXPECT_EQ(faulty.pauses, c.pauses) << c.what;
    }
  }
}

// The limit, 32 MB as the players are told, is each file's, and a file of
// exactly the limit is kept; an archive holds 64 MB in all, the largest
// files left out first.
TEST_F(ArchiverTest, ALargeFileIsLeftOutAndAThrowingReadCostsOnlyItsCharacter) {
  constexpr std::uint64_t kLimit = 32u << 20;
  Character("Alice");
  Character("Bob");
  for (const auto& [name, size] : {std::pair("Bob.bin", kLimit + 1), std::pair("Bob.ma1", kLimit),
                                   std::pair("Bob.ma2", kLimit)}) {
    Write(name, {});
    fs::resize_file(dir_ / name, size);  // sparse
  }
  FaultyFs faulty;
  faulty.onRead = [](const std::string& path) {
    if (path.ends_with("Alice.key")) throw std::bad_alloc();
  };
  const auto pass = Pass(faulty);
  ASSERT_TRUE(pass.has_value());
  EXPECT_EQ(Entries("Bob1.zip"), (std::vector<std::string>{"Bob.d2s", "Bob.key", "Bob.ma0", "Bob.ma1"}));
  EXPECT_FALSE(Exists("Alice1.zip"));
  EXPECT_EQ(ck::LastSaveText("12:00:00", *pass),
            "Not saved: Alice - left out, too large: Bob.bin, Bob.ma2 - 12:00:00");
  EXPECT_EQ(ck::LastSaveTip("12:00:00", *pass),
            "Last save was at 12:00:00 - not saved: Alice - left out, too large: Bob.bin, Bob.ma2 - saved: Bob");
  ck::PassResult leftOutOnly = *pass;
  leftOutOnly.notSaved.clear();
  EXPECT_EQ(ck::LastSaveText("12:00:00", leftOutOnly), "Left out, too large: Bob.bin, Bob.ma2 - 12:00:00");
}

TEST_F(ArchiverTest, TenHeldCharactersWaitNoLongerThanTheBudgetInAll) {
  for (char c = 'a'; c < 'k'; ++c) Character(std::string("Hero") + c);
  FaultyFs faulty;
  faulty.lockedRead = [](const std::string& path) { return path.ends_with(".key"); };
  EXPECT_EQ(Pass(faulty)->notSaved.size(), 10u);
  EXPECT_GT(faulty.pausedMs, 0u);
  EXPECT_LE(faulty.pausedMs, ck::ZipArchiver::kWaitBudgetMs);
}

TEST_F(ArchiverTest, ASaveCaughtMidWriteIsReadAgainUntilWhole) {
  Character("Bob");
  const Bytes whole = WholeSave("Bob", 900);
  Write("Bob.d2s", Bytes(whole.begin(), whole.begin() + 100));
  FaultyFs faulty;
  faulty.onPause = [&] { Write("Bob.d2s", whole); };  // the game finishes its write
  const auto pass = Pass(faulty);
  EXPECT_TRUE(pass->notSaved.empty());
  std::vector<std::string> names;
  ASSERT_TRUE(ck::VerifyZip(Read("Bob1.zip"), &names));
  EXPECT_EQ(faulty.pauses, 1);
}

// On a folder that tells case apart, as Wine's can, two names Windows takes
// for one: the character is not saved, and the status names them.
TEST_F(ArchiverTest, NamesThatDifferOnlyInCaseAreNamedAndNotArchived) {
  Character("Bob");
  Write("bob.key", Text("another program's keys"));
  const auto pass = Pass(posix_);
  EXPECT_EQ(pass->notSaved, std::vector<std::string>{"Bob"});
  EXPECT_EQ(ck::LastSaveText("12:00:00", *pass),
            "Not saved: Bob (Bob.key and bob.key differ only in case) - 12:00:00");
  EXPECT_FALSE(Exists("Bob1.zip"));
  fs::remove(dir_ / "bob.key");
  EXPECT_EQ(Pass(posix_)->saved, std::vector<std::string>{"Bob"});
  Write("bob.D2S", WholeSave("bob"));  // one character to Windows, told once, by the name listed first
  const std::string text = ck::LastSaveText("12:00:00", *Pass(posix_));
  EXPECT_TRUE(text.ends_with("ob (Bob.d2s and bob.D2S differ only in case) - 12:00:00")) << text;
  EXPECT_EQ(text.size(), std::string("Not saved: Bob (Bob.d2s and bob.D2S differ only in case) - 12:00:00").size());
}

// A copy kept as Bob1 beside Bob would share Bob's names: Bob11.zip would
// be Bob's slot 11 and Bob1's slot 1. Bob1 is not archived and says why;
// Bob's passes write no name Bob1's could have, and of those count only the
// archives that hold his own save: so an earlier version's archive of Bob1,
// the latest of all, neither makes an unchanged Bob write again after a
// restart nor hides his death. With Bob gone, Bob1 is archived, and never
// over an archive of Bob's.
TEST_F(ArchiverTest, ACopyWhoseArchivesWouldTakeAnothersNamesIsNamedAndNotArchived) {
  Character("Bob");
  Write("Bob.d2s", MadeSave("Alive"));
  for (int i = 0; i < 12; ++i) {
    Play({"Bob"});
    Pass(posix_, 12);
  }
  const Bytes last = Read("Bob12.zip");
  Character("Bob1");
  Write("Bob1.d2s", MadeSave("Dead"));
  Write("Bob11.zip", ck::BuildZip({{"Bob1.d2s", MadeSave("Dead"), 0, 0, {}}}, 0));
  fs::last_write_time(dir_ / "Bob11.zip", fs::file_time_type::clock::now() + std::chrono::hours(1));
  const auto before = Files(".zip");
  written_ = {};
  auto pass = Pass(posix_, 12);
  EXPECT_EQ(ck::LastSaveText("12:00:00", *pass), "Not saved: Bob1 (its archives would take Bob's names) - 12:00:00");
  EXPECT_EQ(pass->unchanged, std::vector<std::string>{"Bob"});
  EXPECT_EQ(Files(".zip"), before);
  Write("Bob.d2s", MadeSave("Dead"));
  pass = Pass(posix_, 12);
  ASSERT_EQ(pass->died.size(), 1u);
  EXPECT_EQ(Read(pass->died[0].second), last);
  for (int i = 0; i < 9; ++i) {
    Play({"Bob"});
    EXPECT_EQ(Pass(posix_, 12)->saved, std::vector<std::string>{"Bob"});
  }
  for (const char* slot : {"Bob10.zip", "Bob11.zip", "Bob12.zip"}) EXPECT_EQ(Read(slot), before.at(slot)) << slot;

  for (const char* file : {"Bob.d2s", "Bob.key", "Bob.ma0"}) fs::remove(dir_ / file);
  for (int i = 0; i < 12; ++i) {
    Play({"Bob1"});
    EXPECT_EQ(Pass(posix_, 12)->saved, std::vector<std::string>{"Bob1"});
  }
  for (const char* slot : {"Bob10.zip", "Bob12.zip"}) EXPECT_EQ(Read(slot), before.at(slot)) << slot;
}

// A copy kept as Bob.BAK.d2s is packed with Bob's files too: his slot,
// holding both saves, is still his to write.
TEST_F(ArchiverTest, ASlotHoldingHisSaveBesideACopysIsStillHis) {
  Character("Bob");
  Write("Bob.BAK.d2s", WholeSave("Bob"));
  for (int i = 0; i < 2; ++i) {
    Play({"Bob"});
    EXPECT_TRUE(Pass(posix_, 1)->notSaved.empty());
  }
}

// A file that changes while it is read, or once it has been read while the
// others are read, or is gone by then, or one made since the listing: the
// game saving in the middle of a pass. The archive holds one save's files,
// never the old save beside the new automap; a game that saves all the
// while leaves the character to the next pass. A file left out as too
// large, which another program keeps growing, stops nothing.
TEST_F(ArchiverTest, AFileThatChangesDuringTheReadIsReadAgain) {
  Character("Bob");
  FaultyFs faulty;
  faulty.changingReads = 2;
  EXPECT_TRUE(Pass(faulty)->notSaved.empty());
  EXPECT_EQ(faulty.pauses, 2);

  const Bytes saved = WholeSave("Bob", 900), map(4000, 0x22);
  int saves = 1;
  // The automap is the largest, read last: the game saves just before.
  faulty.onRead = [&](const std::string& path) {
    if (!path.ends_with("Bob.ma0") || saves-- <= 0) return;
    Write("Bob.d2s", saved);
    Write("Bob.ma0", map);
  };
  Play({"Bob"});
  EXPECT_EQ(Pass(faulty)->saved, std::vector<std::string>{"Bob"});
  std::vector<ck::ZipEntry> entries;
  ASSERT_TRUE(ck::ReadZip(Read("Bob2.zip"), entries));
  for (const ck::ZipEntry& e : entries) EXPECT_TRUE(e.data == Read(e.name)) << e.name;
  // Whatever the game does between the listing and the end of the reads,
  // the archive holds the files as they are once it is done.
  const auto heldAtTheEnd = [&](const std::string& before, std::function<void()> save) {
    bool once = true;
    faulty.onRead = [&](const std::string& path) {
      if (path.ends_with(before) && once) {
        once = false;
        save();
      }
    };
    Play({"Bob"});
    EXPECT_EQ(Pass(faulty)->saved, std::vector<std::string>{"Bob"});
    std::vector<ck::ZipEntry> entries;
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) {
      const std::string name = e.path().filename().string();
      if (name.starts_with("Bob.")) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    const Bytes newest = Read(ck::SlotName("Bob", written_.characters["Bob"].lastWritten));
    ASSERT_TRUE(ck::ReadZip(newest, entries));
    ASSERT_EQ(entries.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_TRUE(entries[i].name == names[i] && entries[i].data == Read(names[i]));
  };
  heldAtTheEnd("Bob.key", [&] {  // read first
    Write("Bob.d2s", WholeSave("Bob", 950));
    Write("Bob.ma1", map);  // a first visit to Nightmare
  });
  heldAtTheEnd("Bob.ma1", [&] { fs::remove(dir_ / "Bob.key"); });  // read last, once Bob.key is
  struct Growing : FaultyFs {
    bool Stamp(const std::string& path, ck::FileStamp& stamp) override {
      if (path.ends_with("Bob.log")) std::ofstream(path, std::ios::binary | std::ios::app) << 'x';
      return FaultyFs::Stamp(path, stamp);
    }
  } growing;
  Write("Bob.log", Bytes(ck::ZipArchiver::kLargestFile + 1, 1));
  Play({"Bob"});
  EXPECT_EQ(Pass(growing)->saved, std::vector<std::string>{"Bob"});
  fs::remove(dir_ / "Bob.log");

  faulty.onRead = [&](const std::string& path) {
    if (path.ends_with("Bob.ma0")) {
      Write("Bob.d2s", saved);
      Write("Bob.ma0", map);
    }
  };
  Play({"Bob"});
  EXPECT_EQ(Pass(faulty)->notSaved, std::vector<std::string>{"Bob"});
}

}  // namespace
