// Going back from a fuzzed archive, over a save folder in memory whose disk
// may go away at any step: either the folder afterwards holds exactly the
// archive's files, each a plain name of its character, with the character's
// files from before kept in a new archive and every other file as it was;
// or nothing changed, byte for byte; or, where not all could be put back,
// the files from before are kept whole in the new archive and the archive
// gone back to is as it was.
#include "components/FileMask.h"
#include "components/Restore.h"
#include "tests/common/MemoryFileSystem.h"
#include "tests/fuzz/Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ck;
  using testing::MemoryFileSystem;
  MemoryFileSystem fs("save/");
  fs.Put("Bob.d2s", testing::WholeSave("Bob", 800));
  fs.Put("Bob.key", testing::Text("the keys of now"));
  fs.Put("Bob.ma1", testing::Text("a map that no archive holds"));
  fs.Put("Alice.d2s", testing::WholeSave("Alice"));
  fs.Put("Bob1.zip", BuildZip(fuzz::Character()));
  fs.Put("Bob3.zip", Bytes(data, data + size));
  const auto before = fs.Contents();
  // The step at which the disk goes away follows from the input; half the
  // time it never does.
  unsigned hash = 0;
  for (std::size_t i = 0; i < size; ++i) hash = hash * 31 + data[i];
  fs.changesLeft = static_cast<int>(hash % 80) - 40;

  RestoreSource source;
  std::string keptIn, problem = ReadRestoreSource(fs, "save/", "Bob3.zip", source);
  const bool read = problem.empty();
  if (read) problem = RestoreCharacter(fs, "save/", source, "20261207-120000", keptIn);
  auto after = fs.Contents();
  if (fuzz::wrong) after.clear();  // spoiled: as if the folder were emptied
  if (!read || (!problem.empty() && after == before)) {
    CK_FUZZ_CHECK(after == before);
    return 0;
  }
  // The character's files: exactly the archive's now, and kept as they were.
  const auto theirs = [&](const std::string& name) {
    return MatchesMask(name, source.character + ".*") && !MatchesMask(name, "*.zip");
  };
  std::map<std::string, Bytes> restored, was, kept;
  for (const ZipEntry& e : source.entries) {
    CK_FUZZ_CHECK(theirs(e.name));
    restored[MemoryFileSystem::Key(e.name)] = e.data;
  }
  for (const auto& [name, bytes] : before) {
    if (theirs(name)) was[name] = bytes;
  }
  // An archive that is new keeps the files from before, whole; a restore
  // that puts them back may leave it where the disk refused its removal.
  for (auto file = after.begin(); file != after.end();) {
    std::vector<ZipEntry> entries;
    if (before.contains(file->first) || !MatchesMask(file->first, "*.zip")) {
      ++file;
      continue;
    }
    CK_FUZZ_CHECK(kept.empty() && ReadZip(file->second, entries));
    for (const ZipEntry& e : entries) kept[MemoryFileSystem::Key(e.name)] = e.data;
    file = after.erase(file);
  }
  CK_FUZZ_CHECK(kept == was && (!problem.empty() || keptIn.empty() == was.empty()));
  // Every other file is as it was, and no other is new.
  for (const auto& [name, bytes] : before) {
    if (!theirs(name)) CK_FUZZ_CHECK(after.contains(name) && after.at(name) == bytes);
  }
  for (const auto& [name, bytes] : after) CK_FUZZ_CHECK(theirs(name) || before.contains(name));
  if (!problem.empty()) return 0;
  std::erase_if(after, [&](const auto& file) { return !theirs(file.first); });
  CK_FUZZ_CHECK(after == restored);
  return 0;
}
