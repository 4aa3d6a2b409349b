// The archiver and the backup pass on a real POSIX folder, with failures
// injected into the file side.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "components/PosixFileSystem.h"
#include "components/SaveCheck.h"
#include "components/ZipArchiver.h"
#include "mainwindow/BackupPass.h"
#include "tests/common/SaveFiles.h"

namespace fs = std::filesystem;
using ck::AddResult;
using ck::Bytes;
using ck::testing::Text;
using ck::testing::WholeSave;

namespace {

// The file side with switches for each failure a real disk can produce.
class FaultyFs : public ck::PosixFileSystem {
 public:
  std::function<bool(const std::string&)> lockedRead = [](const std::string&) { return false; };
  int changingReads = 0;      // this many reads see the file change under them
  bool failWriteHalfway = false;
  bool failReplace = false;
  std::function<void()> onPause = [] {};
  int pauses = 0;

  ck::ReadStatus ReadWhole(const std::string& path, Bytes& data, ck::FileStamp& before,
                           ck::FileStamp& after) override {
    if (lockedRead(path)) return ck::ReadStatus::Failed;
    const ck::ReadStatus status = PosixFileSystem::ReadWhole(path, data, before, after);
    if (changingReads > 0 && path.find(".cktmp") == std::string::npos) {
      --changingReads;
      after.lastWrite += 1;
    }
    return status;
  }
  bool WriteFlushed(const std::string& path, const Bytes& data) override {
    if (!failWriteHalfway) return PosixFileSystem::WriteFlushed(path, data);
    PosixFileSystem::WriteFlushed(path, Bytes(data.begin(), data.begin() + data.size() / 2));
    return false;
  }
  bool Replace(const std::string& from, const std::string& to) override {
    return !failReplace && PosixFileSystem::Replace(from, to);
  }
  void Pause(unsigned) override {
    ++pauses;
    onPause();
  }
};

class ArchiverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("ck-archiver-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    save_ = dir_.string() + "/";
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }

  void Write(const std::string& name, const Bytes& data) {
    std::ofstream(dir_ / name, std::ios::binary).write(reinterpret_cast<const char*>(data.data()),
                                                      static_cast<std::streamsize>(data.size()));
  }
  Bytes Read(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  void Character(const std::string& name) {
    Write(name + ".d2s", WholeSave(name));
    Write(name + ".key", Text("keys of " + name));
    Write(name + ".ma0", Bytes(3000, 0x11));
  }
  std::vector<std::string> Entries(const std::string& archive) {
    std::vector<std::string> names;
    EXPECT_TRUE(ck::VerifyZip(Read(archive), &names)) << archive;
    return names;
  }
  bool Exists(const std::string& name) { return fs::exists(dir_ / name); }
  std::vector<std::string> Temporaries() {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(dir_)) {
      if (e.path().extension() == ".cktmp") found.push_back(e.path().filename().string());
    }
    return found;
  }
  std::optional<ck::PassResult> Pass(ck::FileSystem& files, int keep = 10) {
    return ck::RunBackupPass(files, save_, z_, keep, table_);
  }

  fs::path dir_;
  std::string save_;
  int z_ = 0;
  ck::CharacterTable table_;
  ck::PosixFileSystem posix_;
};

TEST_F(ArchiverTest, ArchiveHoldsExactlyTheCharactersFilesAndIndependentReadersAgree) {
  Character("Bob");
  Character("Bobby");
  Write("Bob.zip", Text("not a backup"));
  Write("Bob.map", Bytes(24, 3));
  fs::create_directory(dir_ / "Bob.ma1");  // a folder is no file of Bob's
  ASSERT_TRUE(Pass(posix_).has_value());

  EXPECT_EQ(Entries("Bob1.zip"), (std::vector<std::string>{"Bob.d2s", "Bob.key", "Bob.ma0", "Bob.map"}));
  EXPECT_EQ(Entries("Bobby1.zip"), (std::vector<std::string>{"Bobby.d2s", "Bobby.key", "Bobby.ma0"}));
  EXPECT_TRUE(Temporaries().empty());

  // Info-ZIP and Python read what we wrote, byte for byte.
  const std::string archive = (dir_ / "Bob1.zip").string();
  EXPECT_EQ(std::system(("unzip -tqq '" + archive + "'").c_str()), 0);
  const std::string check = "python3 -c \"import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
                            "assert z.testzip() is None; "
                            "assert z.read('Bob.d2s')==open(sys.argv[2],'rb').read()\" '" +
                            archive + "' '" + (dir_ / "Bob.d2s").string() + "'";
  EXPECT_EQ(std::system(check.c_str()), 0);
}

TEST_F(ArchiverTest, SlotsRotateAreSharedWithinAPassAndRestartWhenFewerAreKept) {
  Character("Alice");
  Character("Bob");
  std::vector<int> slots;
  for (int i = 0; i < 4; ++i) slots.push_back(Pass(posix_, 3)->slot);
  EXPECT_EQ(slots, (std::vector<int>{1, 2, 3, 1}));
  for (const char* archive : {"Alice1.zip", "Alice2.zip", "Alice3.zip", "Bob1.zip", "Bob2.zip", "Bob3.zip"}) {
    EXPECT_TRUE(Exists(archive)) << archive;
  }
  EXPECT_EQ(Pass(posix_, 5)->slot, 2);
  EXPECT_EQ(Pass(posix_, 5)->slot, 3);
  EXPECT_EQ(Pass(posix_, 2)->slot, 1);  // lowered below the current slot
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

TEST_F(ArchiverTest, NamesBeyondAsciiAreStoredAsTheyStand) {
  const std::string name = "H\xE9l\xE8ne";  // in the ANSI code page
  Character(name);
  ASSERT_TRUE(Pass(posix_).has_value());
  EXPECT_EQ(Entries(name + "1.zip").front(), name + ".d2s");
}

TEST_F(ArchiverTest, ADeletedCompanionLeavesTheArchiveToo) {
  Character("Bob");
  Write("Bob.ma1", Bytes(10, 1));
  Pass(posix_, 1);
  fs::remove(dir_ / "Bob.ma1");
  Pass(posix_, 1);
  EXPECT_EQ(Entries("Bob1.zip"), (std::vector<std::string>{"Bob.d2s", "Bob.key", "Bob.ma0"}));
}

// Each failure leaves the slot's previous archive as it was, leaves no
// temporary file, reports the character and does not stop the others.
class FailureTest : public ArchiverTest {
 protected:
  void SetUp() override {
    ArchiverTest::SetUp();
    Character("Alice");
    Character("Bob");
    Pass(posix_, 1);
    before_ = Read("Bob1.zip");
    Write("Bob.key", Text("changed keys"));  // so a new archive would differ
  }
  void ExpectBobKept(const std::optional<ck::PassResult>& pass) {
    ASSERT_TRUE(pass.has_value());
    EXPECT_EQ(pass->notSaved, std::vector<std::string>{"Bob"});
    EXPECT_EQ(Read("Bob1.zip"), before_);
    EXPECT_TRUE(ck::VerifyZip(Read("Bob1.zip")));
    EXPECT_TRUE(Temporaries().empty());
  }
  Bytes before_;
};

TEST_F(FailureTest, AWriteThatFailsHalfway) {
  FaultyFs faulty;
  faulty.failWriteHalfway = true;
  auto pass = Pass(faulty, 1);
  std::sort(pass->notSaved.begin(), pass->notSaved.end());
  EXPECT_EQ(pass->notSaved, (std::vector<std::string>{"Alice", "Bob"}));
  EXPECT_EQ(Read("Bob1.zip"), before_);
  EXPECT_TRUE(Temporaries().empty());
}

TEST_F(FailureTest, AReplaceThatIsRefusedAfterRetries) {
  FaultyFs faulty;
  faulty.failReplace = true;
  faulty.lockedRead = [](const std::string&) { return false; };
  const auto pass = Pass(faulty, 1);
  EXPECT_EQ(pass->notSaved.size(), 2u);
  EXPECT_EQ(faulty.pauses, 2 * (ck::ZipArchiver::kReplaceAttempts - 1));
  EXPECT_EQ(Read("Bob1.zip"), before_);
  EXPECT_TRUE(Temporaries().empty());
}

TEST_F(FailureTest, ACompanionHeldByAnotherProgram) {
  FaultyFs faulty;
  faulty.lockedRead = [](const std::string& path) { return path.ends_with("Bob.key"); };
  const auto pass = Pass(faulty, 1);
  ExpectBobKept(pass);
  EXPECT_NE(Read("Alice1.zip"), Bytes());
}

TEST_F(FailureTest, ASaveThatStaysTorn) {
  Bytes save = WholeSave("Bob");
  save.resize(save.size() / 2);  // the game truncated and is writing
  Write("Bob.d2s", save);
  FaultyFs faulty;
  ExpectBobKept(Pass(faulty, 1));
  EXPECT_EQ(faulty.pauses, ck::ZipArchiver::kReadAttempts - 1);
}

TEST_F(FailureTest, AnEmptySave) {
  Write("Bob.d2s", Bytes());
  FaultyFs faulty;
  ExpectBobKept(Pass(faulty, 1));
}

TEST_F(FailureTest, AReadOnlySlotIsLeftAsTheUserProtectedIt) {
  fs::permissions(dir_ / "Bob1.zip", fs::perms::owner_write, fs::perm_options::remove);
  ExpectBobKept(Pass(posix_, 1));
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

TEST_F(ArchiverTest, AFileThatChangesDuringTheReadIsReadAgain) {
  Character("Bob");
  FaultyFs faulty;
  faulty.changingReads = 2;
  EXPECT_TRUE(Pass(faulty)->notSaved.empty());
  EXPECT_EQ(faulty.pauses, 2);
}

TEST(SaveCheck, AcceptsOnlyWholeSaves) {
  const Bytes save = WholeSave("Bob", 335);
  EXPECT_TRUE(ck::IsWholeSave(save.data(), save.size()));
  for (std::size_t cut : {0u, 4u, 8u, 15u, 16u, 334u}) {
    EXPECT_FALSE(ck::IsWholeSave(save.data(), cut)) << cut;
  }
  Bytes flipped = save;
  flipped[200] ^= 1;
  EXPECT_FALSE(ck::IsWholeSave(flipped.data(), flipped.size()));
  Bytes longer = save;
  longer.push_back(0);
  EXPECT_FALSE(ck::IsWholeSave(longer.data(), longer.size()));
  // Before version 0x5C there is neither size nor checksum.
  Bytes old = WholeSave("Bob", 300, 0x59);
  old[200] ^= 1;
  EXPECT_TRUE(ck::IsWholeSave(old.data(), old.size()));
  old[0] = 0;
  EXPECT_FALSE(ck::IsWholeSave(old.data(), old.size()));
}

TEST(SaveCheck, ChecksumRotatesRatherThanShifts) {
  // With a shift the top bit would be lost; the rotation carries it round.
  Bytes data(40, 0);
  data[0] = 0x80;
  std::uint32_t expected = 0x80;
  for (int i = 1; i < 40; ++i) expected = (expected << 1) | (expected >> 31);
  EXPECT_EQ(ck::SaveChecksum(data.data(), data.size()), expected);
}

TEST(ZipFormat, VerifyCatchesDamage) {
  const Bytes archive = ck::BuildZip({{"a.txt", Text(std::string(1000, 'a')), 0, 33},
                                      {"b.bin", Bytes{1, 2, 3}, 0, 33}});
  EXPECT_TRUE(ck::VerifyZip(archive));
  for (std::size_t at : {std::size_t{40}, archive.size() / 2, archive.size() - 10}) {
    Bytes damaged = archive;
    damaged[at] ^= 0x55;
    EXPECT_FALSE(ck::VerifyZip(damaged)) << at;
  }
  EXPECT_FALSE(ck::VerifyZip(Bytes(archive.begin(), archive.end() - 1)));
  EXPECT_FALSE(ck::VerifyZip(Bytes()));
  EXPECT_TRUE(ck::VerifyZip(ck::BuildZip({})));
}

TEST(ZipFormat, DosTimesStartIn1980) {
  std::uint16_t date = 0, time = 0;
  ck::ToDosDateTime(2026, 12, 6, 23, 59, 58, date, time);
  EXPECT_EQ(date, ((2026 - 1980) << 9) | (12 << 5) | 6);
  EXPECT_EQ(time, (23 << 11) | (59 << 5) | 29);
  ck::ToDosDateTime(1970, 1, 1, 0, 0, 0, date, time);
  EXPECT_EQ(date, (1 << 5) | 1);
  EXPECT_EQ(time, 0);
}

}  // namespace
