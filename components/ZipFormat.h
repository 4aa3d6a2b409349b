// The zip archives the program writes: raw deflate (or stored, when that is
// smaller), CRC-32, local headers, a central directory and the end record.
// Built whole in memory: a character's files are tens of kilobytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ck {

using Bytes = std::vector<std::uint8_t>;

struct ZipEntry {
  // In UTF-8, as the format defines a name whose flag says so: readers take
  // a name without that flag to be in code page 437, not in ours. An ASCII
  // name needs no flag and gets none.
  std::string name;
  Bytes data;
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = (1 << 5) | 1;  // 1980-01-01
};

// The archive holding `entries`, or an empty buffer when they cannot be
// stored without zip64 (over 65535 entries or 4 GB).
Bytes BuildZip(const std::vector<ZipEntry>& entries, int level = 6);

// Reads an archive back as `unzip -t` tests it: the end record, every
// central directory entry and its local header, and every entry inflated
// and checked against its size and CRC. On success, `names` holds the
// entries' names in order.
bool VerifyZip(const Bytes& archive, std::vector<std::string>* names = nullptr);

// Every entry of an archive that passes VerifyZip, whole, in order.
bool ReadZip(const Bytes& archive, std::vector<ZipEntry>& entries);

// Whether `archive` passes VerifyZip and holds exactly `entries`: the same
// names, sizes and CRC-32s, in any order. A damaged archive never does.
bool HoldsSame(const Bytes& archive, const std::vector<ZipEntry>& entries);

// DOS date and time from a local broken-down time; years before 1980 are
// stored as 1980-01-01 00:00, which is as early as the format goes.
void ToDosDateTime(int year, int month, int day, int hour, int minute, int second, std::uint16_t& dosDate,
                   std::uint16_t& dosTime);

}  // namespace ck
