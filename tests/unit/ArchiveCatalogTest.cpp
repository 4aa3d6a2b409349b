// What the archive list reads of each archive: the character's state, from
// the central directory and the save alone, once per file.
#include <gtest/gtest.h>

#include <filesystem>

#include "components/ArchiveCatalog.h"
#include "components/PosixFileSystem.h"
#include "tests/common/FolderTest.h"
#include "tests/common/SaveFiles.h"

namespace fs = std::filesystem;
using ck::Bytes;
using ck::testing::MadeSave;
using ck::testing::Text;

namespace {

ck::ZipEntry Entry(const std::string& name, const Bytes& data) {
  ck::ZipEntry e;
  e.name = name;
  e.data = data;
  return e;
}

// Counts what is read, and refuses to open the files it is told to.
struct Counting : ck::PosixFileSystem {
  std::uint64_t bytes = 0;
  std::string refused;
  ck::ReadStatus ReadParts(const std::string& path, ck::FileStamp& stamp,
                           const std::function<void(std::uint64_t, const ck::ReadAt&)>& use) override {
    if (!refused.empty() && path.ends_with(refused)) return ck::ReadStatus::Failed;
    return PosixFileSystem::ReadParts(path, stamp, [&](std::uint64_t size, const ck::ReadAt& read) {
      use(size, [&](std::uint64_t offset, std::uint32_t length, Bytes& data) {
        bytes += length;
        return read(offset, length, data);
      });
    });
  }
};

class ArchiveCatalogTest : public ck::testing::FolderTest {
 protected:
  void Archive(const std::string& name, const Bytes& save, const Bytes& companion = Text("keys")) {
    Write(name, ck::BuildZip({Entry("Bob.d2s", save), Entry("Bob.key", companion)}, 0));
  }
  std::vector<ck::FileInfo> Listed() { return ck::ListExactly(files_, save_, "*.zip"); }
  // Reads what the catalog says needs reading, as the list does.
  void ReadAll() {
    for (const ck::FileInfo& f : Listed()) {
      if (catalog_.NeedsReading(f)) catalog_.Read(files_, save_, f);
    }
  }

  Counting files_;
  ck::ArchiveCatalog catalog_;
};

TEST_F(ArchiveCatalogTest, EachArchiveTellsTheCharactersLevelAndDeathOnceUntilItChanges) {
  Archive("Bob1.zip", MadeSave("Alive"));
  Archive("Bob2.zip", MadeSave("Dead"));
  Archive("Bob3.zip", MadeSave("Corpse"));
  catalog_.Update(Listed());
  ReadAll();
  EXPECT_EQ(catalog_.Reads(), 3);
  const ck::SaveState *alive = catalog_.Find("Bob1.zip"), *dead = catalog_.Find("Bob2.zip"),
                      *corpse = catalog_.Find("Bob3.zip");
  ASSERT_TRUE(alive && dead && corpse);
  EXPECT_TRUE(alive->known && dead->known && corpse->known);
  EXPECT_GT(alive->level, 0);
  EXPECT_FALSE(alive->dead() || alive->corpse());
  EXPECT_TRUE(dead->dead());
  EXPECT_FALSE(corpse->dead());
  EXPECT_TRUE(corpse->corpse());

  // Nothing changed: nothing read. One archive written again, one gone.
  catalog_.Update(Listed());
  ReadAll();
  EXPECT_EQ(catalog_.Reads(), 3);
  Archive("Bob1.zip", MadeSave("Dead"));
  fs::last_write_time(dir_ / "Bob1.zip", fs::last_write_time(dir_ / "Bob1.zip") + std::chrono::seconds(1));
  fs::remove(dir_ / "Bob3.zip");
  catalog_.Update(Listed());
  EXPECT_EQ(catalog_.Find("Bob3.zip"), nullptr);
  ReadAll();
  EXPECT_EQ(catalog_.Reads(), 4);
  EXPECT_TRUE(catalog_.Find("Bob1.zip")->dead());
}

// A large companion is never read: the central directory and the save are.
TEST_F(ArchiveCatalogTest, OnlyTheCentralDirectoryAndTheSaveAreRead) {
  Archive("Bob1.zip", MadeSave("Alive"), Bytes(4 << 20, 0x5A));
  catalog_.Update(Listed());
  ReadAll();
  EXPECT_TRUE(catalog_.Find("Bob1.zip")->known);
  EXPECT_LT(files_.bytes, 1024u + MadeSave("Alive").size());
}

// Not a character's, damaged, of another version, or held by another
// program: shown by name and time alone; only the held one is read again.
TEST_F(ArchiveCatalogTest, WhatTellsNoStateIsUnknownAndOnlyAFailedReadIsTriedAgain) {
  Write("Other.zip", ck::BuildZip({Entry("readme.txt", Text("not a character"))}));
  Bytes damaged = ck::BuildZip({Entry("Bob.d2s", MadeSave("Alive"))});
  damaged[damaged.size() / 2] ^= 0xFF;
  Write("Damaged.zip", damaged);
  Bytes old = MadeSave("Alive");
  old[4] = 71;  // the version of an older game
  Archive("Old.zip", old);
  Write("Text.zip", Text("no archive at all"));
  Archive("Held.zip", MadeSave("Alive"));
  files_.refused = "Held.zip";
  // Larger than any archive a restore reads: not a byte of it is read.
  Archive("Huge.zip", MadeSave("Alive"));
  fs::resize_file(dir_ / "Huge.zip", ck::kLargestArchive + 1);
  EXPECT_FALSE(catalog_.Read(files_, save_, ck::ListExactly(files_, save_, "Huge.zip").at(0)).known);
  EXPECT_EQ(files_.bytes, 0u);
  catalog_.Update(Listed());
  ReadAll();
  for (const char* name : {"Other.zip", "Damaged.zip", "Old.zip", "Text.zip", "Held.zip", "Huge.zip"}) {
    ASSERT_NE(catalog_.Find(name), nullptr) << name;
    EXPECT_FALSE(catalog_.Find(name)->known) << name;
  }
  EXPECT_EQ(catalog_.Reads(), 6);
  files_.refused.clear();
  catalog_.Update(Listed());
  ReadAll();
  EXPECT_EQ(catalog_.Reads(), 7);
  EXPECT_TRUE(catalog_.Find("Held.zip")->known);
}

}  // namespace
