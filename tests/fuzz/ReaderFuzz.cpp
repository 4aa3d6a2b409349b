// Any input is either read, every entry's bytes matching the size and CRC
// that the central directory declares, or refused; an entry read alone is
// the same as read with the others, and what is read is written back the
// same. An entry read through ranged reads is the one read from the whole
// archive, or neither is read. Under make fuzz, any allocation beyond a file's 32 MB is a finding.
#include <limits>

#include "tests/fuzz/Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ck;
  const Bytes archive(data, data + size);
  const auto isSave = [](const std::string& name) { return name.size() > 4 && name.ends_with(".d2s"); };
  ZipEntry whole, parts;
  bool read = ReadZipEntry(archive, isSave, whole);
  if (fuzz::wrong) read = !read;  // spoiled: the ranged read then disagrees
  const ReadAt at = [&](std::uint64_t offset, std::uint32_t length, Bytes& out) {
    CK_FUZZ_CHECK(offset <= size && length <= size - offset);
    out.assign(archive.begin() + static_cast<std::ptrdiff_t>(offset),
               archive.begin() + static_cast<std::ptrdiff_t>(offset + length));
    return true;
  };
  CK_FUZZ_CHECK(ReadZipEntryAt(size, at, isSave, parts) == read);
  CK_FUZZ_CHECK(!read || (parts.name == whole.name && parts.data == whole.data && parts.dosDate == whole.dosDate &&
                          parts.dosTime == whole.dosTime && parts.unixTime == whole.unixTime));

  std::vector<ZipEntry> entries;
  if (!ReadZip(archive, entries)) return 0;
  // HoldsSame computes each entry's CRC-32 afresh and compares it, and the
  // size, with what the central directory declares.
  CK_FUZZ_CHECK(HoldsSame(archive, entries));
  ZipEntry alone;
  CK_FUZZ_CHECK(entries.empty() ||
                (ReadZipEntry(archive, [&](const std::string& name) { return name == entries[0].name; }, alone) &&
                 alone.data == entries[0].data && alone.unixTime == entries[0].unixTime));

  std::vector<ZipEntry> again;
  CK_FUZZ_CHECK(ReadZip(BuildZip(entries), again) && again.size() == entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const ZipEntry &was = entries[i], &is = again[i];
    // The extended timestamp is written only where its signed field holds the time.
    const bool fits = was.unixTime && *was.unixTime <= std::numeric_limits<std::int32_t>::max();
    CK_FUZZ_CHECK(is.name == was.name && is.data == was.data && is.dosDate == was.dosDate &&
                  is.dosTime == was.dosTime && is.unixTime == (fits ? was.unixTime : std::nullopt));
  }
  return 0;
}
