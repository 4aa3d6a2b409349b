// The unchanged check against a fuzzed newest archive: only an archive that
// holds exactly the character's present files is taken as the same, and
// anything else is written anew.
#include <algorithm>

#include "components/ZipArchiver.h"
#include "tests/common/MemoryFileSystem.h"
#include "tests/fuzz/Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ck;
  testing::MemoryFileSystem fs("save/");
  const std::vector<ZipEntry> present = fuzz::Character();
  for (const ZipEntry& e : present) fs.Put(e.name, e.data);
  const Bytes newest(data, data + size);
  fs.Put("Bob1.zip", newest);

  ZipArchiver archiver(fs);
  archiver.IncludeFileMask = "Bob.*";
  archiver.ExcludeFileMask = "*.zip";
  archiver.SourceDirectory = "save/";
  archiver.ZipFileName = "save/Bob2.zip";
  archiver.Newest = {"save/Bob1.zip"};
  archiver.DryRun = true;
  // Spoiled under --wrong: any archive passes for the same.
  const AddResult result = fuzz::wrong ? AddResult::Unchanged : archiver.Add();
  CK_FUZZ_CHECK(result == AddResult::Unchanged || result == AddResult::Saved);
  if (result == AddResult::Unchanged) {
    std::vector<ZipEntry> held;
    CK_FUZZ_CHECK(ReadZip(newest, held) && held.size() == present.size());
    std::sort(held.begin(), held.end(), [](const ZipEntry& a, const ZipEntry& b) { return a.name < b.name; });
    for (std::size_t i = 0; i < held.size(); ++i) {
      CK_FUZZ_CHECK(held[i].name == present[i].name && held[i].data == present[i].data);
    }
  }
  return 0;
}
