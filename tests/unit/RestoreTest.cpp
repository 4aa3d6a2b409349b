// Going back on a real POSIX folder, with failures injected into the file side.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>

#include "components/Restore.h"
#include "mainwindow/BackupPass.h"
#include "mainwindow/GameLaunch.h"
#include "tests/common/FaultyFs.h"
#include "tests/common/SaveFiles.h"

namespace fs = std::filesystem;
using ck::Bytes;
using ck::testing::Text;
using ck::testing::WholeSave;
using Files = std::map<std::string, Bytes>;

namespace {

class RestoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    Bytes torn = WholeSave("Bob", 900);
    torn.resize(400);  // the present may be damaged: it is still kept
    Put({{"Bob.d2s", torn}, {"Bob.key", Text("keys")}, {"Bob.ma0", Bytes(3000, 1)}, {"Alice.d2s", WholeSave("A")}});
    fs::last_write_time(dir_ / "Bob.key", fs::file_time_type::clock::now() - std::chrono::hours(50));
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Put(const Files& files, const std::string& zip = "") {
    std::vector<ck::ZipEntry> entries;
    for (const auto& [name, data] : files) entries.push_back({name, data, 0, 0x5A21});  // 2025-01-01
    for (const auto& [name, data] : zip.empty() ? files : Files{{zip, ck::BuildZip(entries)}}) {
      std::ofstream(dir_ / name, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
    }
  }
  Files Folder(bool withZips = true) {
    Files found;
    for (const auto& e : fs::directory_iterator(dir_)) {
      std::ifstream in(e.path(), std::ios::binary);
      if (withZips || e.path().extension() != ".zip") found[e.path().filename()] = Bytes(std::istreambuf_iterator(in), {});
    }
    return found;
  }
  std::string Restore(const std::string& archive) {
    ck::RestoreSource source;
    const std::string problem = ck::ReadRestoreSource(faulty_, save_, archive, source);
    return problem.empty() ? ck::RestoreCharacter(faulty_, save_, source) : problem;
  }

  const fs::path dir_ = fs::temp_directory_path() / ("ck-restore-" + std::to_string(::getpid()));
  const std::string save_ = dir_.string() + "/";
  const Files archived_ = {{"Bob.d2s", WholeSave("Bob", 500)}, {"Bob.key", Text("new keys")}, {"Bob.ma1", Bytes(9, 2)}};
  ck::testing::FaultyFs faulty_;
};

TEST_F(RestoreTest, EachBadArchiveIsRefusedByNameAndNothingIsWritten) {
  const Bytes save = WholeSave("Bob"), key = Text("old keys");
  Bytes damaged = ck::BuildZip({{"Bob.d2s", save, 0, 0x21}});
  damaged[40] ^= 0x55;  // in the entry's data
  const Bytes torn(save.begin(), save.begin() + 300);
  const std::pair<Files, std::string> cases[] = {
      {{{"Bob.d2s", save}, {"Alice.d2s", save}}, "Bob3.zip holds more than one .d2s file: nothing was restored."},
      {{{"Bob.key", key}}, "Bob3.zip holds no .d2s file: nothing was restored."},
      {{{"..\\Bob.d2s", save}}, "Bob3.zip holds ..\\Bob.d2s, which is no file of the save folder"},
      {{{"C:\\x\\Bob.d2s", save}}, "Bob3.zip holds C:\\x\\Bob.d2s, which is no file of the save folder"},
      {{{"BOBBYT~1.d2s", save}}, "Bob3.zip holds BOBBYT~1.d2s, which is no file of the save folder"},
      {{{"Bob.d2s", save}, {"sub\\Bob.key", key}}, "Bob3.zip holds sub\\Bob.key, which is no file of the save"},
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
  Put({{"Bob3.zip", damaged}});
  EXPECT_EQ(Restore("Bob3.zip"), "Bob3.zip is damaged: nothing was restored.");
}

// Undone, a restore gives back the first state byte for byte, and the
// last-write times to the two seconds an archive keeps, though a numbered
// slot, which the rotation writes over, held the first state too.
TEST_F(RestoreTest, ARestoreAndItsUndoFromTheBeforeRestoreArchiveItself) {
  const Files first = Folder();
  const auto keyTime = fs::last_write_time(dir_ / "Bob.key");
  Files bob = first;
  bob.erase("Alice.d2s");
  Put(bob, "Bob2.zip");
  Put(archived_, "Bob1.zip");
  ASSERT_EQ(Restore("Bob1.zip"), "");
  Files now = Folder(false);
  EXPECT_EQ(now.erase("Alice.d2s"), 1u);
  EXPECT_EQ(now, archived_);
  ASSERT_EQ(Restore("Bob-before-restore.zip"), "");
  EXPECT_EQ(Folder(false), first);
  EXPECT_LT(std::chrono::abs(fs::last_write_time(dir_ / "Bob.key") - keyTime), std::chrono::seconds(2));
  EXPECT_EQ(Restore("Bob-before-restore.zip"), "");  // the undo of the undo
  EXPECT_EQ(Folder(false).at("Bob.key"), archived_.at("Bob.key"));

  // Restored from the newest slot, Bob is unchanged: the before-restore
  // archive, newer still, is no slot of his.
  ck::CharacterTable table;
  ck::LastWritten written;
  fs::last_write_time(dir_ / "Bob2.zip", fs::file_time_type::clock::now() - std::chrono::hours(2));
  fs::last_write_time(dir_ / "Bob1.zip", fs::file_time_type::clock::now() - std::chrono::hours(1));
  ASSERT_EQ(Restore("Bob1.zip"), "");
  EXPECT_EQ(ck::RunBackupPass(faulty_, save_, 10, table, written)->unchanged, std::vector<std::string>{"Bob"});
}

// A file held by another program at each step: every file as it was.
TEST_F(RestoreTest, AFailureHalfWayPutsBackWhatWasReplaced) {
  Put(archived_, "Bob1.zip");
  for (const char* heldFile : {"Bob.key", "Bob.ma1", "Bob.ma0"}) {
    const Files before = Folder(false);
    faulty_.held = [&](const std::string& path) { return path.ends_with(heldFile); };
    EXPECT_EQ(Restore("Bob1.zip"), "Unable to restore " + std::string(heldFile) + ": Bob's files are as they were.");
    EXPECT_EQ(Folder(false), before) << heldFile;
  }
  // A failed undo leaves what it was to give back.
  faulty_.held = [](const std::string&) { return false; };
  ASSERT_EQ(Restore("Bob1.zip"), "");
  const Files before = Folder();
  faulty_.held = [](const std::string& path) { return path.ends_with("Bob.ma0"); };
  EXPECT_EQ(Restore("Bob-before-restore.zip"), "Unable to restore Bob.ma0: Bob's files are as they were.");
  EXPECT_EQ(Folder(), before);
}

TEST(RunsGame, ByFullPathIgnoringCaseOrByNameWhereThereIsNoPath) {
  const std::string game = "C:\\Diablo II\\Game.exe";
  EXPECT_TRUE(ck::RunsGame(game, {"C:\\Windows\\explorer.exe", "c:\\diablo ii\\GAME.EXE"}));
  EXPECT_FALSE(ck::RunsGame(game, {"D:\\Other\\Game.exe", "C:\\Diablo II\\Game.exe.bak"}));
  EXPECT_TRUE(ck::RunsGame(game, {"game.exe"}));
  EXPECT_TRUE(ck::RunsGame("Game.exe", {"D:\\Other\\Game.exe"}));
  EXPECT_FALSE(ck::RunsGame("Game.exe", {"D:\\Other\\Diablo.exe"}));
}

}  // namespace
