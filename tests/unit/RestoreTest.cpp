// Going back on a real POSIX folder, with failures injected into the file side.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "components/Restore.h"
#include "components/ZipArchiver.h"
#include "mainwindow/BackupPass.h"
#include "mainwindow/GameLaunch.h"
#include "tests/common/FaultyFs.h"
#include "tests/common/FolderTest.h"
#include "tests/common/SaveFiles.h"
#include "tests/fuzz/Fuzz.h"

namespace fs = std::filesystem;
using ck::Bytes;
using ck::testing::Text;
using ck::testing::MadeSave;
using ck::testing::WholeSave;
using Files = std::map<std::string, Bytes>;

namespace {

class RestoreTest : public ck::testing::FolderTest {
 protected:
  void SetUp() override {
    FolderTest::SetUp();
    Bytes torn = WholeSave("Bob", 900);
    torn.resize(400);  // the present may be damaged: it is still kept
    Put({{"Bob.d2s", torn}, {"Bob.key", Text("keys")}, {"Bob.ma0", Bytes(3000, 1)}, {"Alice.d2s", WholeSave("A")}});
    fs::last_write_time(dir_ / "Bob.key", fs::file_time_type::clock::now() - std::chrono::hours(50));
  }
  void Put(const Files& files, const std::string& zip = "") {
    std::vector<ck::ZipEntry> entries;
    for (const auto& [name, data] : files) entries.push_back({name, data, 0, 0x5A21, {}});  // 2025-01-01
    for (const auto& [name, data] : zip.empty() ? files : Files{{zip, ck::BuildZip(entries)}}) Write(name, data);
  }
  Files Folder(bool withZips = true) {
    Files found;
    for (const auto& e : fs::directory_iterator(dir_)) {
      if (!e.is_regular_file()) continue;
      std::ifstream in(e.path(), std::ios::binary);
      if (withZips || e.path().extension() != ".zip") found[e.path().filename()] = Bytes(std::istreambuf_iterator(in), {});
    }
    return found;
  }
  std::string Restore(const std::string& archive, const std::string& stamp = "20261207-170412") {
    ck::RestoreSource source;
    const std::string problem = ck::ReadRestoreSource(faulty_, save_, archive, source);
    return problem.empty() ? ck::RestoreCharacter(faulty_, save_, source, stamp, kept_) : problem;
  }
  // Every state of Bob's the folder keeps: his files, and each archive's.
  std::vector<Files> States() {
    std::vector<Files> states(1);
    for (auto& [name, data] : Folder()) {
      std::vector<ck::ZipEntry> entries;
      if (!name.ends_with(".zip")) {
        if (name.starts_with("Bob.")) states.front()[name] = data;
      } else if (ck::ReadZip(data, entries)) {
        states.emplace_back();
        for (auto& e : entries) states.back()[e.name] = e.data;
      }
    }
    return states;
  }

  const Files archived_ = {{"Bob.d2s", WholeSave("Bob", 500)}, {"Bob.key", Text("new keys")}, {"Bob.ma1", Bytes(9, 2)}};
  ck::testing::FaultyFs faulty_;
  std::string kept_;  // where the last restore kept the present files
};

TEST_F(RestoreTest, EachBadArchiveIsRefusedByNameAndNothingIsWritten) {
  const Bytes save = WholeSave("Bob"), key = Text("old keys");
  const Bytes torn(save.begin(), save.begin() + 300);
  const std::pair<Files, std::string> cases[] = {
      {{{"Bob.d2s", save}, {"Alice.d2s", save}}, "Bob3.zip holds more than one .d2s file: nothing was restored."},
      {{{"Bob.key", key}}, "Bob3.zip holds no .d2s file: nothing was restored."},
      {{{"..\\Bob.d2s", save}}, "Bob3.zip holds ..\\Bob.d2s, which is no file of the save folder"},
      {{{"C:\\x\\Bob.d2s", save}}, "Bob3.zip holds C:\\x\\Bob.d2s, which is no file of the save folder"},
      {{{"BOBBYT~1.d2s", save}}, "Bob3.zip holds BOBBYT~1.d2s, which is no file of the save folder"},
      {{{"Bob.d2s", save}, {"sub\\Bob.key", key}}, "Bob3.zip holds sub\\Bob.key, which is no file of the save"},
      {{{"Bob.d2s", save}, {"sub/Bob.key", key}}, "Bob3.zip holds sub/Bob.key, which is no file of the save"},
      {{{"Bob.d2s", save}, {"Bob./../../x.txt", key}}, "Bob3.zip holds Bob./../../x.txt, which is no file of"},
      {{{"Bob.d2s", save}, {"Bob.zip", key}}, "Bob3.zip holds the archive Bob.zip: nothing was restored."},
      {{{"Bob.d2s", save}, {"Bob.x.ZIP", key}}, "Bob3.zip holds the archive Bob.x.ZIP: nothing was restored."},
      {{{"Bob.d2s", save}, {"Alice.key", key}}, "Bob3.zip holds Alice.key, which is not one of Bob.d2s's files"},
      {{{"Bob.d2s", save}, {"Bob.KEY", key}, {"Bob.key", key}}, "Bob3.zip holds Bob.key twice"},
      {{{"Bob.d2s", torn}}, "Bob.d2s in Bob3.zip is not a whole save: nothing was restored."},
  };
  for (const auto& [entries, message] : cases) {
    Put(entries, "Bob3.zip");
    const Files before = Folder();
    EXPECT_TRUE(Restore("Bob3.zip").starts_with(message)) << message;
    EXPECT_EQ(Folder(), before) << message;
  }
}

// Archives of the same character by other tools, in tests/fuzz/seeds.
const fs::path kSeeds = fs::path(CK_FUZZ_SEEDS) / "archives";

// The local time zone, for one test.
class Zone {
 public:
  explicit Zone(const char* zone) {
    if (const char* was = std::getenv("TZ")) was_ = was;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~Zone() {
    was_ ? ::setenv("TZ", was_->c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::optional<std::string> was_;
};

// Each tool's archive of the character, made in Berlin on a summer's day,
// restores its bytes, and each file's time to the second while Berlin is on
// winter time: from the extended timestamp where the tool writes one, else
// from the DOS time taken by the rule of the file's own date.
TEST_F(RestoreTest, EachToolsArchiveRestoresTheCharactersBytesAndTimes) {
  const Zone berlin("Europe/Berlin");
  constexpr std::int64_t kJuly7At10Utc = 1783418400;
  for (const char* archive : {"cairnkeep.zip", "infozip.zip", "infozip-stored.zip", "infozip-comment.zip",
                              "infozip-streamed.zip", "python.zip", "python-streamed.zip", "bsdtar.zip", "7zip.zip"}) {
    fs::copy_file(kSeeds / archive, dir_ / archive);
    ASSERT_EQ(Restore(archive), "") << archive;
    const Files now = Folder(false);
    for (const ck::ZipEntry& e : ck::fuzz::Character()) {
      EXPECT_EQ(now.at(e.name), e.data) << archive << " " << e.name;
      struct stat st {};
      EXPECT_EQ(::stat((dir_ / e.name).c_str(), &st), 0);
      EXPECT_EQ(st.st_mtime, kJuly7At10Utc) << archive << " " << e.name;
    }
  }
}

// What no character's archive needs is refused for its reason, before
// anything is written, and before anything declared is allocated.
TEST_F(RestoreTest, AnArchiveOfWhatNoCharacterNeedsIsRefusedForItsReason) {
  const std::string cannot = ", which Cairnkeep cannot read: nothing was restored.";
  const std::pair<std::string, std::string> cases[] = {
      {"infozip-encrypted.zip", " uses encryption" + cannot},
      {"7zip-aes.zip", " uses encryption" + cannot},
      {"infozip-bzip2.zip", " uses a compression method other than deflate" + cannot},
      {"python-lzma.zip", " uses a compression method other than deflate" + cannot},
      {"infozip-zip64.zip", " uses the zip64 extensions" + cannot},
      {"python-zip64.zip", " uses the zip64 extensions" + cannot},
      {"infozip-folder.zip", " holds the folder save/, and only a character's own files are restored: nothing was "
                             "restored."},
      {"declares-huge.zip", " holds Bob.d2s, larger than 32 MB, which no character's file is: nothing was restored."},
      {"bombs.zip", " holds more than 64 MB, which no character's files do: nothing was restored."},
  };
  std::vector<std::pair<std::string, std::string>> all(std::begin(cases), std::end(cases));
  // Cut short, a byte changed, offsets and sizes that a 32-bit sum would wrap round.
  for (const auto& seed : fs::directory_iterator(kSeeds)) {
    const std::string name = seed.path().filename();
    if (name.starts_with("damaged-")) all.emplace_back(name, " is damaged: nothing was restored.");
  }
  ASSERT_GE(all.size(), std::size(cases) + 6);
  for (const auto& [archive, message] : all) {
    fs::copy_file(kSeeds / archive, dir_ / archive);
    const Files before = Folder();
    EXPECT_EQ(Restore(archive), archive + message);
    EXPECT_EQ(Folder(), before) << archive;
  }
}

// The question tells the character's level and death in the archive and
// now; a save it cannot read tells nothing, and the question stays plain.
TEST_F(RestoreTest, TheQuestionShowsTheStateInTheArchiveAndNow) {
  const Bytes alive = MadeSave("Alive"), corpse = MadeSave("Corpse"), dead = MadeSave("Dead");
  const auto question = [&](const Bytes& archived, const Bytes& present) {
    Put({{"Bob.d2s", present}});
    Put({{"Bob.d2s", archived}}, "Bob3.zip");
    ck::RestoreSource source;
    EXPECT_EQ(ck::ReadRestoreSource(faulty_, save_, "Bob3.zip", source), "");
    return ck::RestoreQuestion(source, "12/7/2026 5:04 AM");
  };
  const std::string kept = "\nBob's current files are kept first in a new Bob-before-restore archive.";
  const auto level = [](const Bytes& save) { return std::to_string(save[0x2B]); };
  EXPECT_EQ(question(alive, corpse), "Restore Bob from Bob3.zip, made 12/7/2026 5:04 AM (level " + level(alive) +
                                         ")?\nBob is now level " + level(corpse) + ", with a corpse." + kept);
  EXPECT_EQ(question(corpse, dead), "Restore Bob from Bob3.zip, made 12/7/2026 5:04 AM (level " + level(corpse) +
                                        ", with a corpse)?\nBob is now level " + level(dead) + ", dead." + kept);
  EXPECT_EQ(question(WholeSave("Bob", 900, 0x59), WholeSave("Bob", 900, 0x59)),
            "Restore Bob from Bob3.zip, made 12/7/2026 5:04 AM?" + kept);
}

// Going back from the archive that a restore made gives back the first
// state byte for byte, with its times to the two seconds an archive keeps;
// each restore keeps the present in an archive of its own, never written
// over. Whose archive it is comes from its .d2s, not its name.
// The game saving while the present is kept has the folder listed again,
// hidden files too: a hidden automap is kept before it is replaced.
TEST_F(RestoreTest, ThePresentIsKeptWholeThoughTheGameSavesMeanwhile) {
  struct Hiding : ck::testing::FaultyFs {
    std::vector<ck::FileInfo> List(const std::string& folder, const std::string& pattern, bool withHidden) override {
      std::vector<ck::FileInfo> files = ck::testing::FaultyFs::List(folder, pattern, true);
      for (ck::FileInfo& f : files) f.hidden = f.name == "Bob.ma0";
      std::erase_if(files, [&](const ck::FileInfo& f) { return f.hidden && !withHidden; });
      return files;
    }
  } hiding;
  Put({{"Bob.d2s", WholeSave("Bob", 700)}, {"Bob.ma0", Bytes(10, 2)}}, "Bob3.zip");
  ck::RestoreSource source;
  ASSERT_EQ(ck::ReadRestoreSource(hiding, save_, "Bob3.zip", source), "");
  int reads = 0;
  hiding.onRead = [&](const std::string& path) {
    if (path.ends_with("Bob.key") && reads++ == 0) Write("Bob.key", Text("keys, saved again"));
    if (path.ends_with("Bob.d2s") && reads++ == 1) hiding.changingReads = 1;
  };
  ASSERT_EQ(ck::RestoreCharacter(hiding, save_, source, "20261207-170412", kept_), "");
  ASSERT_GE(reads, 3);
  std::vector<ck::ZipEntry> entries;
  ASSERT_TRUE(ck::ReadZip(Read(kept_), entries));
  EXPECT_TRUE(std::any_of(entries.begin(), entries.end(), [](const ck::ZipEntry& e) {
    return e.name == "Bob.ma0" && e.data == Bytes(3000, 1);
  }));
}

TEST_F(RestoreTest, EachRestoreKeepsThePresentInANewArchiveAndGoingBackFromItUndoes) {
  const Files first = Folder();
  const auto keyTime = fs::last_write_time(dir_ / "Bob.key");
  Put(archived_, "Old - Copy.zip");
  ASSERT_EQ(Restore("Old - Copy.zip", "20261207-170412"), "");
  ASSERT_EQ(kept_, "Bob-before-restore-20261207-170412.zip");
  Files now = Folder(false);
  EXPECT_EQ(now.erase("Alice.d2s"), 1u);
  EXPECT_EQ(now, archived_);
  const Bytes keptFirst = Folder().at(kept_);
  ASSERT_EQ(Restore(kept_, "20261207-170412"), "");  // the same second: a clash
  EXPECT_EQ(kept_, "Bob-before-restore-20261207-170412-2.zip");
  EXPECT_EQ(Folder(false), first);
  EXPECT_LT(std::chrono::abs(fs::last_write_time(dir_ / "Bob.key") - keyTime), std::chrono::seconds(2));
  ASSERT_EQ(Restore(kept_, "20261207-170500"), "");  // the undo of the undo
  EXPECT_EQ(Folder(false).at("Bob.key"), archived_.at("Bob.key"));
  EXPECT_EQ(Folder().at("Bob-before-restore-20261207-170412.zip"), keptFirst);
  // A copy of it, kept or copied by hand, goes back to the damaged save as
  // well: what it is comes from its contents, not its name. One of another
  // tool's with a damaged save does not.
  for (const std::string copy : {"Bob-kept-20261207-170412.zip", "Bob-before-restore-20261207-170412 - Copy.zip"}) {
    Write(copy, keptFirst);
    ASSERT_EQ(Restore(copy, "20261207-170600"), "") << copy;
    EXPECT_EQ(Folder(false), first) << copy;
    ASSERT_EQ(Restore("Old - Copy.zip", "20261207-170700"), "");
  }
  std::vector<ck::ZipEntry> entries;
  ASSERT_TRUE(ck::ReadZip(Read(kept_), entries));
  Write("Bob-torn.zip", ck::BuildZip(entries));
  EXPECT_EQ(Restore("Bob-torn.zip"), "Bob.d2s in Bob-torn.zip is not a whole save: nothing was restored.");

  // An earlier version's before-restore archive, a torn save in it, goes
  // back too, and is never written.
  Bytes torn = WholeSave("Bob", 900);
  torn.resize(400);
  Put({{"Bob.d2s", torn}}, "Bob-before-restore.zip");
  const Bytes old = Folder().at("Bob-before-restore.zip");
  ASSERT_EQ(Restore("Bob-before-restore.zip", "20261207-180000"), "");
  EXPECT_EQ(Folder(false).at("Bob.d2s"), torn);
  EXPECT_EQ(Folder().at("Bob-before-restore.zip"), old);

  // Restored from his newest slot, Bob is unchanged: a before-restore
  // archive, newer still, is no slot of his.
  Put(archived_, "Bob1.zip");
  ck::CharacterTable table;
  ck::PassMemory written;
  fs::last_write_time(dir_ / "Bob1.zip", fs::file_time_type::clock::now() - std::chrono::hours(1));
  ASSERT_EQ(Restore("Bob1.zip", "20261207-190000"), "");
  EXPECT_EQ(ck::RunBackupPass(faulty_, save_, 10, table, written)->unchanged, std::vector<std::string>{"Bob"});
}

// An editor's companion ("Bob.d2s~") is one of Bob's files, kept and
// restored; a file that appears after the present was kept is not removed,
// as no archive keeps it.
TEST_F(RestoreTest, ACompanionWithATildeGoesBackAndAFileNoArchiveKeepsStays) {
  Put({{"Bob.d2s~", Text("an editor's copy")}});
  Files archived = archived_;
  archived["Bob.key~"] = Text("older keys");
  Put(archived, "Bob1.zip");
  faulty_.onRead = [this](const std::string& path) {
    if (path.find("-restoring-") != std::string::npos) Put({{"Bob.ma9", Text("saved meanwhile")}});
  };
  ASSERT_EQ(Restore("Bob1.zip"), "");
  Files now = Folder(false);
  EXPECT_EQ(now.at("Bob.ma9"), Text("saved meanwhile"));
  now.erase("Bob.ma9");
  now.erase("Alice.d2s");
  EXPECT_EQ(now, archived);
  faulty_.onRead = [](const std::string&) {};
  ASSERT_EQ(Restore(kept_, "20261207-170500"), "");
  EXPECT_EQ(Folder(false).at("Bob.d2s~"), Text("an editor's copy"));
}

// A file held by another program at each step, a read-only file, a full
// disk: every file as it was, no archive left of a present that is whole,
// and the message says why in the player's words.
TEST_F(RestoreTest, AFailureHalfWayPutsBackWhatWasReplaced) {
  Put(archived_, "Bob1.zip");
  for (const char* heldFile : {"Bob.key", "Bob.ma1", "Bob.ma0"}) {
    const Files before = Folder();
    faulty_.held = [&](const std::string& path) { return path.ends_with(heldFile); };
    EXPECT_EQ(Restore("Bob1.zip"), "Unable to restore " + std::string(heldFile) +
                                       " (another program holds it): Bob's files are as they were.");
    EXPECT_EQ(Folder(), before) << heldFile;
  }
  faulty_.held = [](const std::string&) { return false; };
  fs::permissions(dir_ / "Bob.key", fs::perms::owner_write, fs::perm_options::remove);
  faulty_.refuseReadOnlyTarget = true;
  const Files before = Folder();
  EXPECT_EQ(Restore("Bob1.zip"), "Unable to restore Bob.key (it is read-only): Bob's files are as they were.");
  EXPECT_EQ(Folder(), before);
  fs::permissions(dir_ / "Bob.key", fs::perms::owner_write, fs::perm_options::add);
  // The archive that keeps the present fits; the restored files do not.
  faulty_.onRead = [this](const std::string& path) {
    if (path.find("-restoring-") != std::string::npos) faulty_.failWriteHalfway = true;
  };
  EXPECT_EQ(Restore("Bob1.zip"), "Unable to restore Bob.d2s (the disk is full): Bob's files are as they were.");
  EXPECT_EQ(Folder(), before);
}

// Three slots hold S1, S2, S3, Bob3 written last. Once the player has gone
// back to a slot, that slot is his newest: the next pass writes over the
// oldest other, writes nothing when he has not played, and the death check
// starts from it; in the same process and after a restart alike. Going back
// to an archive that is no slot is a change like any other.
TEST_F(RestoreTest, AfterGoingBackTheChosenSlotIsTheNewest) {
  const auto now = fs::file_time_type::clock::now();
  const auto zips = [&] {
    Files found = Folder();
    std::erase_if(found, [](const auto& file) { return !file.first.ends_with(".zip"); });
    return found;
  };
  for (bool restart : {false, true}) {
    for (const std::string from :
         {"Bob1.zip", "Bob2.zip", "Bob1.zip dies", "Bob1.zip touched", "Bob-kept-20250101-000000.zip"}) {
      SCOPED_TRACE(from + (restart ? " after a restart" : ""));
      for (const auto& e : fs::directory_iterator(dir_)) fs::remove_all(e.path());
      ck::PassMemory memory;
      ck::CharacterTable table;
      Write("Bob.d2s", MadeSave("Alive"));
      for (int slot = 1; slot <= 3; ++slot) {
        Write("Bob.key", Text("keys of S" + std::to_string(slot)));
        ASSERT_EQ(ck::RunBackupPass(faulty_, save_, 3, table, memory)->saved.size(), 1u);
      }
      for (int slot = 1; slot <= 3; ++slot) {
        fs::last_write_time(dir_ / ("Bob" + std::to_string(slot) + ".zip"), now - std::chrono::hours(4 - slot));
      }
      Write("Bob-kept-20250101-000000.zip", Read("Bob2.zip"));
      const Files slots = zips();
      const std::string archive = from.substr(0, from.find(' '));
      ck::RestoreSource source;
      ASSERT_EQ(ck::ReadRestoreSource(faulty_, save_, archive, source), "");
      ASSERT_EQ(ck::RestoreCharacter(faulty_, save_, source, "20261207-170412", kept_), "");
      if (restart) {
        memory = {};
      } else {
        ck::WentBack(memory, "Bob", {source.archive, source.stamp.size, source.stamp.lastWrite});
      }
      const bool dies = from.ends_with("dies"), kept = from.starts_with("Bob-kept");
      // The slot gone back to is not the file it was: time decides.
      const bool touched = from.ends_with("touched");
      if (touched) fs::last_write_time(dir_ / "Bob1.zip", now - std::chrono::hours(5));
      if (dies) Write("Bob.d2s", MadeSave("Dead"));
      if (from != "Bob2.zip" && !dies) Write("Bob.key", Text("played on"));
      const auto pass = ck::RunBackupPass(faulty_, save_, 3, table, memory);
      Files now = zips();
      if (from == "Bob2.zip") {
        EXPECT_EQ(pass->unchanged, std::vector<std::string>{"Bob"});
      } else {
        EXPECT_EQ(pass->saved, std::vector<std::string>{"Bob"});
        // The oldest slot other than the one gone back to; from a kept
        // archive, the oldest of all, as after any change.
        const std::string written = kept || touched ? "Bob1.zip" : "Bob2.zip";
        EXPECT_FALSE(now.at(written) == slots.at(written));
        now[written] = slots.at(written);
      }
      if (dies) {
        ASSERT_EQ(pass->died.size(), 1u);
        EXPECT_TRUE(now.at(pass->died[0].second) == slots.at("Bob1.zip"));  // the state gone back to
        now.erase(pass->died[0].second);
      }
      now.erase(kept_);
      for (const auto& [name, data] : slots) EXPECT_TRUE(now.count(name) && now.at(name) == data) << name;
      EXPECT_EQ(now.size(), slots.size());
    }
  }
  // A comment that is no record of ours records nothing.
  ck::RestoreRecord record{"Bob 2.zip", 12345, 134101234567890123};
  ASSERT_TRUE(ck::ReadRecord(ck::RecordText(record), record));
  EXPECT_EQ(record.source + std::to_string(record.size), "Bob 2.zip12345");
  const std::string text = ck::RecordText(record);
  const std::string head = "Cairnkeep: the files from before the restore from\n";
  const std::vector<std::string> bad = {"", text.substr(0, text.size() - 1), text + "x", text.substr(1),
                                        head + "\nsize 1\nlast write 2\n",
                                        head + "Bob1.zip\nsize 1\nlast write 99999999999999999999\n",
                                        head + "Bob1.zip\nsize -1\nlast write 2\n"};
  for (const std::string& comment : bad) {
    EXPECT_FALSE(ck::ReadRecord(comment, record)) << comment;
  }
}

// A restore waits for held files no longer than a pass may, and each file
// it puts back gets every try all the same, so that a held file never
// leaves a mix of two states.
TEST_F(RestoreTest, ARestoreWaitsWithinItsBoundAndPutsBackWithEveryTry) {
  Put(archived_, "Bob1.zip");
  const Files before = Folder();
  // Held for this many replaces, then free: Bob.d2s and Bob.key each take
  // all the tries one file may, Bob.ma1 never comes free, and Bob.key is
  // held again as it is put back.
  std::map<std::string, int> replaces;
  faulty_.held = [&](const std::string& path) {
    const std::string name = fs::path(path).filename();
    const int n = ++replaces[name];
    if (name == "Bob.ma1") return true;
    const int tries = ck::kReplaceAttempts;
    if (name == "Bob.key") return n < tries || (n > tries && n < 2 * tries);
    return name == "Bob.d2s" && n < ck::kReplaceAttempts;
  };
  EXPECT_EQ(Restore("Bob1.zip"), "Unable to restore Bob.ma1 (another program holds it): Bob's files are as they were.");
  EXPECT_EQ(Folder(), before);
  const unsigned oneFile = (ck::kReplaceAttempts - 1) * ck::kReplacePauseMs;
  EXPECT_EQ(faulty_.pausedMs, ck::kRestoreWaitBudgetMs + oneFile);
}

// A put-back that fails for one file still puts back all the others, and
// the archive that keeps the present stays, named.
TEST_F(RestoreTest, APutBackThatFailsForOneFilePutsBackTheOthersAndKeepsTheArchive) {
  Put(archived_, "Bob1.zip");
  const Files before = Folder(false);
  int keyReplaces = 0;
  faulty_.held = [&](const std::string& path) {
    return path.ends_with("Bob.ma0") || (path.ends_with("Bob.key") && ++keyReplaces > 1);
  };
  EXPECT_EQ(Restore("Bob1.zip"), "Unable to restore Bob.ma0 (another program holds it), nor to put all of Bob's "
                                 "files back: they are kept in Bob-restoring-20261207-170412.zip. Restore it, or "
                                 "Bob1.zip again.");
  Files now = Folder(false);
  EXPECT_EQ(now.at("Bob.key"), archived_.at("Bob.key"));
  now.erase("Bob.key");
  Files others = before;
  others.erase("Bob.key");
  EXPECT_EQ(now, others);
  faulty_.held = [](const std::string&) { return false; };
  ASSERT_EQ(Restore(kept_, "20261207-170500"), "");
  EXPECT_EQ(Folder(false), before);
}

// The disk goes away after the k-th write, replace or remove of a restore,
// for every k, and the player's next pass and restore run as usual: every
// state that existed before is still whole somewhere in the folder.
TEST_F(RestoreTest, ACutAtAnyStepLosesNoStateWhateverThePlayerDoesNext) {
  int told = 0;
  for (const char* from : {"Bob1.zip", "Bob-before-restore.zip"}) {
    bool finished = false;
    for (int k = 0; !finished; ++k) {
      TearDown();
      SetUp();
      Put(archived_, "Bob1.zip");
      Put({{"Bob.d2s", WholeSave("Bob", 700)}, {"Bob.key", Text("keys before")}}, "Bob-before-restore.zip");
      const std::vector<Files> before = States();
      faulty_.changesLeft = k;
      Restore(from, "20261207-170412");
      finished = faulty_.changesLeft > 0;
      faulty_.changesLeft = -1;
      ck::CharacterTable table;
      ck::PassMemory written;
      // A mix of two states is never archived as one.
      ck::RunBackupPass(faulty_, save_, 10, table, written);
      const std::vector<Files> kept = States();
      for (std::size_t i = 1; i < kept.size(); ++i) {
        if (!kept[i].count("Bob.d2s")) continue;
        EXPECT_NE(std::find(before.begin(), before.end(), kept[i]), before.end()) << from << " cut after " << k;
      }
      // The next start says which two archives hold the whole states, until
      // the player goes back to one of them.
      const std::vector<std::string> unfinished = ck::UnfinishedRestores(faulty_, save_);
      ASSERT_LE(unfinished.size(), 1u);
      if (!unfinished.empty()) {
        ++told;
        EXPECT_NE(unfinished[0].find(std::string(", and those it restored in ") + from), std::string::npos);
      }
      Restore(from, "20261207-170413");
      EXPECT_EQ(ck::UnfinishedRestores(faulty_, save_), std::vector<std::string>{});
      const std::vector<Files> after = States();
      for (const Files& state : before) {
        EXPECT_NE(std::find(after.begin(), after.end(), state), after.end()) << from << " cut after " << k;
      }
      ASSERT_LT(k, 100);
    }
  }
  EXPECT_GT(told, 0);
}

// Everything a restore could refuse is found before anything is written:
// a present file too large to keep among them. Keeping an archive on a full
// disk leaves no copy of it, whole or torn.
TEST_F(RestoreTest, WhatARestoreOrAKeepCannotDoLeavesTheFolderAsItWas) {
  Put(archived_, "Bob1.zip");
  {
    std::ofstream(dir_ / "Bob.ma3", std::ios::binary).put('x');
  }
  fs::resize_file(dir_ / "Bob.ma3", ck::kLargestEntry + 1);
  const Files before = Folder();
  ck::RestoreSource source;
  EXPECT_EQ(ck::ReadRestoreSource(faulty_, save_, "Bob1.zip", source),
            "Bob.ma3 is too large to keep in a before-restore archive: nothing was restored.");
  EXPECT_TRUE(Folder() == before);
  fs::remove(dir_ / "Bob.ma3");

  const Files kept = Folder();
  ASSERT_EQ(ck::ReadArchiveSource(faulty_, save_, "Bob1.zip", source), "");
  faulty_.failWriteHalfway = true;
  std::string keptIn;
  EXPECT_EQ(ck::KeepArchive(faulty_, save_, source, keptIn), "Unable to keep Bob1.zip.");
  EXPECT_TRUE(Folder() == kept);
}

TEST_F(RestoreTest, AnArchiveChangedSinceTheQuestionIsNotRestored) {
  Put(archived_, "Bob1.zip");
  ck::RestoreSource source;
  ASSERT_EQ(ck::ReadRestoreSource(faulty_, save_, "Bob1.zip", source), "");
  EXPECT_EQ(ck::StillTheArchive(faulty_, save_, source), "");
  fs::last_write_time(dir_ / "Bob1.zip", fs::file_time_type::clock::now() - std::chrono::hours(3));
  const std::string changed = "Bob1.zip changed while the question was open: nothing was restored.";
  EXPECT_EQ(ck::StillTheArchive(faulty_, save_, source), changed);
  fs::remove(dir_ / "Bob1.zip");
  EXPECT_EQ(ck::StillTheArchive(faulty_, save_, source), changed);
}

// Going back among passes, cuts and clocks: sequences that once lost a state
// or archived a mix.
class GoingBackTest : public ck::testing::FolderTest {
 protected:
  void Age(const std::string& f, std::chrono::minutes by) {
    fs::last_write_time(dir_ / f, fs::file_time_type::clock::now() - by);
  }
  std::optional<ck::PassResult> Pass(int keep = 3) { return ck::RunBackupPass(faulty_, save_, keep, table_, memory_); }
  Files Unzip(const std::string& zip) {
    std::vector<ck::ZipEntry> entries;
    Files out;
    if (!ck::ReadZip(Read(zip), entries)) return out;
    for (auto& e : entries) out[e.name] = e.data;
    return out;
  }
  // Every state any archive of the folder or its history keeps.
  std::vector<Files> Kept() {
    std::vector<Files> all;
    for (const auto& e : fs::recursive_directory_iterator(dir_)) {
      if (e.path().extension() == ".zip") all.push_back(Unzip(fs::relative(e.path(), dir_).string()));
    }
    return all;
  }
  bool Somewhere(const Files& state) {
    const std::vector<Files> kept = Kept();
    return std::find(kept.begin(), kept.end(), state) != kept.end();
  }
  std::string Restore(const std::string& archive, const std::string& stamp = "20261207-170412", bool went = true) {
    ck::RestoreSource source;
    std::string p = ck::ReadRestoreSource(faulty_, save_, archive, source);
    if (p.empty()) p = ck::RestoreCharacter(faulty_, save_, source, stamp, kept_);
    if (p.empty() && went) {
      ck::WentBack(memory_, source.character, {source.archive, source.stamp.size, source.stamp.lastWrite});
    }
    return p;
  }
  ck::testing::FaultyFs faulty_;
  ck::CharacterTable table_;
  ck::PassMemory memory_;
  std::string kept_;
};

// Gone back in this process, then the clock set back: the slot the next
// pass wrote stays the newest, for the rotation and for a death.
TEST_F(GoingBackTest, AClockSetBackAfterGoingBackNeverTakesTheSlotWrittenLast) {
  for (bool dies : {false, true}) {
    SCOPED_TRACE(dies ? "dies" : "plays");
    for (const auto& e : fs::directory_iterator(dir_)) fs::remove_all(e.path());
    memory_ = {};
    table_ = {};
    Write("Bob.d2s", MadeSave("Alive"));
    for (int s = 1; s <= 3; ++s) {
      Write("Bob.key", Text("S" + std::to_string(s)));
      ASSERT_EQ(Pass()->saved.size(), 1u);
    }
    Age("Bob1.zip", std::chrono::minutes(180));
    Age("Bob2.zip", std::chrono::minutes(240));
    Age("Bob3.zip", std::chrono::minutes(120));
    ASSERT_EQ(Restore("Bob1.zip"), "");
    Write("Bob.key", Text("D"));
    ASSERT_EQ(Pass()->saved.size(), 1u);
    const Files d = Unzip("Bob2.zip");
    ASSERT_EQ(d.at("Bob.key"), Text("D"));
    Age("Bob2.zip", std::chrono::minutes(300));  // written while the clock was behind the restore
    if (dies) Write("Bob.d2s", MadeSave("Dead")); else Write("Bob.key", Text("E"));
    auto pass = Pass();
    EXPECT_EQ(Unzip("Bob2.zip"), d) << "the slot written last was written over";
    EXPECT_TRUE(Somewhere(d)) << "state D is kept nowhere";
    if (dies) {
      ASSERT_EQ(pass->died.size(), 1u);
      EXPECT_EQ(Unzip(pass->died[0].second), d) << "before-death copy is not the last state before the death";
    }
  }
}

// Nothing is restored when a file grows past what can be kept between the
// question and Yes, or when the mark cannot be read back: and no mark is
// left to stop the passes.
TEST_F(GoingBackTest, ARestoreThatChangesNothingLeavesNoMark) {
  Write("Bob.d2s", WholeSave("Bob", 900));
  Write("Bob1.zip", ck::BuildZip({{"Bob.d2s", WholeSave("Bob", 500), 0, 0x5A21, {}}}));
  for (bool grows : {true, false}) {
    ck::RestoreSource source;
    ASSERT_EQ(ck::ReadRestoreSource(faulty_, save_, "Bob1.zip", source), "");
    if (grows) {
      std::ofstream(dir_ / "Bob.log").put('x');
      fs::resize_file(dir_ / "Bob.log", ck::kLargestEntry + 1);
    }
    faulty_.lockedRead = [&](const std::string& path) {
      return !grows && path.find("-restoring-") != std::string::npos && !path.ends_with(".cktmp");
    };
    const std::string problem = ck::RestoreCharacter(faulty_, save_, source, "20261207-170412", kept_);
    faulty_.lockedRead = [](const std::string&) { return false; };
    fs::remove(dir_ / "Bob.log");
    EXPECT_NE(problem.find("nothing was restored"), std::string::npos) << problem;
    EXPECT_FALSE(fs::exists(dir_ / "Bob-restoring-20261207-170412.zip"));
    EXPECT_EQ(ck::UnfinishedRestores(faulty_, save_), std::vector<std::string>{});
    EXPECT_EQ(Pass()->cutShort.size(), 0u);
  }
}

// A character with no files (deleted in the game's menu), the restore cut
// after his save: the mark, an archive of no files, says so, and no pass
// archives the save without its companions.
TEST_F(GoingBackTest, ACutRestoreOfACharacterWithNoFilesIsMarkedToo) {
  const Files whole = {{"Bob.d2s", WholeSave("Bob", 500)}, {"Bob.key", Text("k")}, {"Bob.ma0", Text("m")}};
  std::vector<ck::ZipEntry> entries;
  for (auto& [n, d] : whole) entries.push_back({n, d, 0, 0x5A21, {}});
  Write("Bob1.zip", ck::BuildZip(entries));
  bool cut = false;
  for (int k = 0; !cut && k < 30; ++k) {
    for (const auto& e : fs::directory_iterator(dir_)) {
      if (e.path().filename() != "Bob1.zip") fs::remove_all(e.path());
    }
    faulty_.changesLeft = k;
    Restore("Bob1.zip", "20261207-170412", false);
    faulty_.changesLeft = -1;
    cut = fs::exists(dir_ / "Bob.d2s") && !fs::exists(dir_ / "Bob.key");
  }
  ASSERT_TRUE(cut);
  ck::ZipArchiver::RemoveStale(faulty_, save_);
  EXPECT_NE(ck::UnfinishedRestores(faulty_, save_), std::vector<std::string>{}) << "start-up says nothing";
  auto pass = Pass(1);
  for (const Files& f : Kept()) EXPECT_TRUE(f.empty() || f == whole) << "a partial state was archived";
  EXPECT_TRUE(Somewhere(whole)) << "the whole state is gone";
}

// An archive dated ahead (made while the clock was fast), the restore cut
// after its save: the save is newer than the mark, but still that archive's,
// so the mix is not archived and the archive named at start-up stays.
TEST_F(GoingBackTest, ACutRestoreFromAnArchiveDatedAheadIsNeverArchived) {
  Write("Bob.d2s", WholeSave("Bob", 900));
  Write("Bob.key", Text("present keys"));
  Age("Bob.d2s", std::chrono::minutes(60));
  Age("Bob.key", std::chrono::minutes(60));
  const auto tomorrow = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::system_clock::now().time_since_epoch()).count() + 86400;
  Write("Bob1.zip", ck::BuildZip({{"Bob.d2s", WholeSave("Bob", 500), 0, 0x5A21, tomorrow},
                                  {"Bob.key", Text("archived keys"), 0, 0x5A21, tomorrow}}));
  bool cut = false;
  for (int k = 0; !cut && k < 30; ++k) {
    // find the step where the .d2s is in place and the .key is not
    for (const auto& e : fs::directory_iterator(dir_)) {
      const std::string name = e.path().filename().string();
      if (name.find("-restoring-") != std::string::npos || name.find("before-restore") != std::string::npos) {
        fs::remove(e.path());
      }
    }
    Write("Bob.d2s", WholeSave("Bob", 900));
    Write("Bob.key", Text("present keys"));
    Age("Bob.d2s", std::chrono::minutes(60));
    Age("Bob.key", std::chrono::minutes(60));
    faulty_.changesLeft = k;
    Restore("Bob1.zip", "20261207-170412", false);
    faulty_.changesLeft = -1;
    cut = Read("Bob.d2s") == WholeSave("Bob", 500) && Read("Bob.key") == Text("present keys");
  }
  ASSERT_TRUE(cut);
  ck::ZipArchiver::RemoveStale(faulty_, save_);
  ASSERT_EQ(ck::UnfinishedRestores(faulty_, save_).size(), 1u);
  const Bytes source = Read("Bob1.zip");
  auto pass = Pass(1);
  EXPECT_EQ(Read("Bob1.zip"), source) << "the archive the start-up message names was written over";
  EXPECT_EQ(pass->cutShort.size(), 1u);
  for (const Files& f : Kept()) {
    EXPECT_FALSE(f.count("Bob.d2s") && f.at("Bob.d2s") == WholeSave("Bob", 500) &&
                 f.at("Bob.key") == Text("present keys"))
        << "a mix of two states was archived";
  }
}

// No present files, one held, the save not taken away again: the archive
// the message says to restore again is never written over.
TEST_F(GoingBackTest, AFailedRestoreOfACharacterWithNoFilesKeepsItsSource) {
  const Files whole = {{"Bob.d2s", WholeSave("Bob", 500)}, {"Bob.key", Text("k")}};
  std::vector<ck::ZipEntry> entries;
  for (auto& [n, d] : whole) entries.push_back({n, d, 0, 0x5A21, {}});
  Write("Bob1.zip", ck::BuildZip(entries));
  bool keyTried = false;
  faulty_.held = [&](const std::string& p) {
    if (p.ends_with("/Bob.key")) keyTried = true;
    return p.ends_with("/Bob.key") || (keyTried && p.ends_with("/Bob.d2s"));
  };
  const std::string p = Restore("Bob1.zip");
  faulty_.held = [](const std::string&) { return false; };
  ASSERT_TRUE(fs::exists(dir_ / "Bob.d2s"));
  auto pass = Pass(1);
  EXPECT_EQ(pass->saved.size(), 0u);
  EXPECT_TRUE(Somewhere(whole)) << "Bob1.zip, which the message says to restore again, is gone";
}

// The short forms of the game's folder and its programs, spelt out; any
// other path as it is, as where the long form cannot be had.
std::string LongForm(const std::string& path) {
  static const std::map<std::string, std::string> known = {
      {"C:\\PROGRA~1\\DIABLO~1\\GAME.EXE", "C:\\Program Files\\Diablo II\\Game.exe"},
      {"C:\\PROGRA~1\\DIABLO~1\\DIABLO~1.EXE", "C:\\Program Files\\Diablo II\\Diablo II.exe"},
  };
  const auto found = known.find(path);
  return found == known.end() ? path : found->second;
}

// Started by its launcher, a loader or under a short path, the game is seen;
// programs of its names in another folder are other games'; where the folder
// of either is unknown, it cannot be told.
TEST(RunsGame, AnyOfTheGameFoldersProgramsInThatFolderInAnyForm) {
  using ck::GameRuns;
  const auto runs = [](const std::string& program, const std::vector<std::string>& images) {
    return ck::RunsGame(program, images, &LongForm);
  };
  const std::string game = "C:\\Program Files\\Diablo II\\Game.exe";
  EXPECT_EQ(runs(game, {"C:\\Windows\\explorer.exe", "c:\\program files\\diablo ii\\GAME.EXE"}), GameRuns::Yes);
  EXPECT_EQ(runs(game, {"C:/Program Files/Diablo II/diablo ii.EXE"}), GameRuns::Yes);
  EXPECT_EQ(runs("C:\\Diablo II\\D2Loader.exe", {"c:\\diablo ii\\D2LOADER.EXE"}), GameRuns::Yes);
  EXPECT_EQ(runs("C:\\Diablo II\\D2Loader.exe", {"C:\\Diablo II\\Game.exe"}), GameRuns::Yes);
  EXPECT_EQ(runs("\\\\nas\\games\\Diablo II\\Game.exe", {"\\\\NAS\\Games\\Diablo II\\game.exe"}), GameRuns::Yes);
  EXPECT_EQ(runs(game, {"D:\\Other\\Game.exe", "D:\\Other\\Diablo II.exe", "C:\\Program Files\\Diablo II\\Game.exe.bak",
                        "C:\\Program Files\\Diablo II\\D2Loader.exe", "C:\\Program Files\\Game.exe"}),
            GameRuns::No);

  EXPECT_EQ(runs(game, {"C:\\PROGRA~1\\DIABLO~1\\GAME.EXE"}), GameRuns::Yes);
  EXPECT_EQ(runs(game, {"C:\\PROGRA~1\\DIABLO~1\\DIABLO~1.EXE"}), GameRuns::Yes);
  EXPECT_EQ(runs("C:\\PROGRA~1\\DIABLO~1\\GAME.EXE", {game}), GameRuns::Yes);
  EXPECT_EQ(runs(game, {"C:\\PROGRA~2\\DIABLO~1\\GAME.EXE"}), GameRuns::No);

  EXPECT_EQ(runs(game, {"C:\\Windows\\explorer.exe", "game.exe"}), GameRuns::CannotTell);
  EXPECT_EQ(runs(game, {"DIABLO II.EXE"}), GameRuns::CannotTell);
  EXPECT_EQ(runs(game, {"GAME.EXE", "C:\\Program Files\\Diablo II\\Game.exe"}), GameRuns::Yes);
  EXPECT_EQ(runs(game, {"explorer.exe", "Game.exe.bak"}), GameRuns::No);
  // Without the game's full path, none of its names tells it from another game's.
  for (const std::string program : {"", "Game.exe", "Diablo II\\Game.exe", "\\Diablo II\\Game.exe"}) {
    EXPECT_EQ(runs(program, {"D:\\Other\\Game.exe"}), GameRuns::CannotTell) << program;
    EXPECT_EQ(runs(program, {"Diablo II.exe"}), GameRuns::CannotTell) << program;
    EXPECT_EQ(runs(program, {"C:\\Windows\\explorer.exe", "Game"}), GameRuns::No) << program;
  }
}

}  // namespace
