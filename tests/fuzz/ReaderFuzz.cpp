// Any input is either read, every entry's bytes matching the size and CRC
// that the central directory declares, or refused, for a reason; what is
// read is written back the same, and nothing read exceeds the bounds.
#include "tests/fuzz/Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ck;
  const Bytes archive(data, data + size);
  std::vector<ZipEntry> entries;
  ZipProblem why;
  const bool read = ReadZip(archive, entries, &why);
  std::vector<std::string> names;
  CK_FUZZ_CHECK(VerifyZip(archive, &names) == read);
  if (!read) {
    CK_FUZZ_CHECK(why.error != ZipError::None && entries.empty());
    return 0;
  }
  CK_FUZZ_CHECK(why.error == ZipError::None && names.size() == entries.size());
  // HoldsSame computes each entry's CRC-32 afresh and compares it, and the
  // size, with what the central directory declares.
  CK_FUZZ_CHECK(HoldsSame(archive, entries));
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    CK_FUZZ_CHECK(entries[i].name == names[i] && entries[i].data.size() <= kLargestEntry);
    total += entries[i].data.size();
  }
  CK_FUZZ_CHECK(total <= kLargestContents);
  // An entry read alone is the same as read with the others.
  ZipEntry alone;
  CK_FUZZ_CHECK(entries.empty() || (ReadZipEntry(archive, [&](const std::string& name) { return name == names[0]; },
                                                 alone) &&
                                    alone.data == entries[0].data && alone.unixTime == entries[0].unixTime));

  std::vector<ZipEntry> again;
  CK_FUZZ_CHECK(ReadZip(BuildZip(entries), again) && again.size() == entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const ZipEntry &was = entries[i], &is = again[i];
    CK_FUZZ_CHECK(is.name == was.name && is.data == was.data && is.dosDate == was.dosDate &&
                  is.dosTime == was.dosTime && is.unixTime == was.unixTime);
  }
  return 0;
}
