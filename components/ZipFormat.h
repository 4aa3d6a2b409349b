// The zip archives the program writes: raw deflate (or stored, when that is
// smaller), CRC-32, local headers, a central directory and the end record.
// Built whole in memory: a character's files are tens of kilobytes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ck {

using Bytes = std::vector<std::uint8_t>;

// Reads `length` bytes at `offset` of a file opened for it; false when the
// file has not that many there, or the read fails.
using ReadAt = std::function<bool(std::uint64_t offset, std::uint32_t length, Bytes& data)>;

struct ZipEntry {
  // In UTF-8, as the format defines a name whose flag says so: readers take
  // a name without that flag to be in code page 437, not in ours. An ASCII
  // name needs no flag and gets none.
  std::string name;
  Bytes data;
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = (1 << 5) | 1;  // 1980-01-01
  // The same moment exactly, in seconds since 1970 UTC, when known: kept in
  // the extended timestamp field ("UT"), as Info-ZIP, bsdtar and 7-Zip read
  // it. The DOS time alone says nothing of the zone it was written in.
  std::optional<std::int64_t> unixTime;
};

// No character's file comes near these: a declared size beyond them is
// refused before anything is allocated, as a 32-bit program's address space
// is not much larger. All entries are held inflated at once, so their sum
// is bounded too.
constexpr std::uint32_t kLargestEntry = 32u << 20;
constexpr std::uint32_t kLargestContents = 64u << 20;
// The largest archive worth reading: those contents stored, with room for
// their headers.
constexpr std::uint64_t kLargestArchive = kLargestContents + (1u << 20);

// Why an archive is not read. Other tools' archives are read when they are
// plain zip: stored or deflated entries, with or without data descriptors,
// unknown extra fields, an archive comment.
enum class ZipError {
  None,
  Damaged,    // not a zip archive, or one whose sizes, offsets or CRC-32s disagree
  Encrypted,  // an entry is encrypted
  Method,     // an entry is compressed otherwise than deflated or stored
  Zip64,      // the zip64 extensions, for archives far larger than any character's
  Folder,     // an entry is a folder
  TooLarge,   // an entry declares more than kLargestEntry
  TooMuch,    // the entries declare more than kLargestContents in all
};

struct ZipProblem {
  ZipError error = ZipError::None;
  std::string entry;  // the entry it concerns, where one does
};

// The archive holding `entries`, with `comment` as its archive comment, or
// an empty buffer when they cannot be stored without zip64 (over 65535
// entries or 4 GB) or the comment is over 65535 bytes.
Bytes BuildZip(const std::vector<ZipEntry>& entries, int level = 6, std::string_view comment = {});

// The largest archive BuildZip makes of `entries`: each stored as it is,
// with its two headers. An archive of them that is larger differs.
std::uint64_t LargestArchiveOf(const std::vector<ZipEntry>& entries);

// Reads an archive back as `unzip -t` tests it: the end record, every
// central directory entry and its local header, and every entry inflated
// and checked against its size and CRC. On success, `names` holds the
// entries' names in order.
bool VerifyZip(const Bytes& archive, std::vector<std::string>* names = nullptr);

// Every entry of an archive that passes VerifyZip, whole, in order; else
// `why` says what stood in the way.
bool ReadZip(const Bytes& archive, std::vector<ZipEntry>& entries, ZipProblem* why = nullptr);

// The first entry whose name is `wanted`, read and checked alone: the
// central directory, its local header, its size and CRC. False when there
// is none, or the archive is one ReadZip refuses before reading data.
bool ReadZipEntry(const Bytes& archive, const std::function<bool(const std::string&)>& wanted, ZipEntry& entry);

// The same, read through `read` from an archive of `size` bytes: its end
// record, its central directory and that entry, and nothing more. Reads
// what ReadZipEntry would read from the whole archive.
bool ReadZipEntryAt(std::uint64_t size, const ReadAt& read, const std::function<bool(const std::string&)>& wanted,
                    ZipEntry& entry);

// The archive comment of an archive of `size` bytes, read through `read`:
// its end record and what follows it, and nothing more. False when no end
// record is found as ReadZipEntryAt finds it.
bool ReadZipCommentAt(std::uint64_t size, const ReadAt& read, std::string& comment);

// Whether `archive` passes VerifyZip and holds exactly `entries`: the same
// names, sizes and CRC-32s, in any order. A damaged archive never does.
bool HoldsSame(const Bytes& archive, const std::vector<ZipEntry>& entries);

// DOS date and time from a local broken-down time; years before 1980 are
// stored as 1980-01-01 00:00, which is as early as the format goes.
void ToDosDateTime(int year, int month, int day, int hour, int minute, int second, std::uint16_t& dosDate,
                   std::uint16_t& dosTime);

}  // namespace ck
