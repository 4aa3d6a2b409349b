#include "components/ZipFormat.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace ck {
namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint16_t kVersion20 = 20;
// "Made by" for a name in UTF-8: Windows NTFS rather than MS-DOS, whose names
// Info-ZIP reads in code page 437 even when the UTF-8 flag is set.
constexpr std::uint16_t kMadeByNtfs = (11 << 8) | kVersion20;
constexpr std::uint16_t kUtf8Name = 1 << 11;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint32_t kArchiveAttribute = 0x20;
constexpr std::uint16_t kEncrypted = 1 << 0;
constexpr std::uint16_t kDataDescriptor = 1 << 3;
constexpr std::uint16_t kStrongEncryption = 1 << 6;
constexpr std::uint16_t kAesEncrypted = 99;  // WinZip's AES, a method of its own
constexpr std::uint16_t kZip64Tag = 0x0001;
// The extended timestamp: a flags byte, then the modification time as a
// signed 32-bit count of seconds since 1970 when its bit 0 is set.
constexpr std::uint16_t kUnixTimeTag = 0x5455;
constexpr std::uint16_t kUnixTimeSize = 5;
// 7-Zip's: after 4 reserved bytes, attributes; the first holds the
// modification time as a Windows FILETIME (100 ns since 1601).
constexpr std::uint16_t kNtfsTimeTag = 0x000A;
constexpr std::uint16_t kNtfsTimes = 0x0001;
constexpr std::uint64_t kNtfsTicksPerSecond = 10000000;
constexpr std::uint64_t kNtfsSecondsTo1970 = 11644473600;

void Put16(Bytes& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
}
void Put32At(Bytes& out, std::size_t at, std::uint32_t v) {
  for (int b = 0; b < 4; ++b) out[at + static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(v >> (8 * b));
}
std::uint16_t Get16(const Bytes& in, std::size_t at) {
  return static_cast<std::uint16_t>(in[at] | (in[at + 1] << 8));
}
std::uint32_t Get32(const Bytes& in, std::size_t at) {
  return Get16(in, at) | (static_cast<std::uint32_t>(Get16(in, at + 2)) << 16);
}

bool IsAscii(const std::string& name) {
  return std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The fields that the local header and the central directory share, from
// "version needed" to the name's length.
void PutEntryFields(Bytes& out, const ZipEntry& e, std::uint16_t method, std::uint32_t crc, std::size_t packed) {
  Put16(out, kVersion20);
  Put16(out, IsAscii(e.name) ? 0 : kUtf8Name);  // sizes are in the header
  Put16(out, method);
  Put16(out, e.dosTime);
  Put16(out, e.dosDate);
  Put32(out, crc);
  Put32(out, static_cast<std::uint32_t>(packed));
  Put32(out, static_cast<std::uint32_t>(e.data.size()));
  Put16(out, static_cast<std::uint16_t>(e.name.size()));
}

// The extended timestamp, where the entry's time fits its signed field:
// not past January 2038.
Bytes UnixTimeField(const ZipEntry& e) {
  Bytes field;
  if (!e.unixTime || *e.unixTime < std::numeric_limits<std::int32_t>::min() ||
      *e.unixTime > std::numeric_limits<std::int32_t>::max()) {
    return field;
  }
  Put16(field, kUnixTimeTag);
  Put16(field, kUnixTimeSize);
  field.push_back(1);  // the modification time only
  Put32(field, static_cast<std::uint32_t>(static_cast<std::int32_t>(*e.unixTime)));
  return field;
}

// Raw deflate, one stream reset for every entry: setting a stream up costs
// more than compressing a small file.
class Deflater {
 public:
  explicit Deflater(int level) {
    ok_ = deflateInit2(&z_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~Deflater() {
    if (ok_) deflateEnd(&z_);
  }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // `data` deflated into `out`; false when it does not come out smaller.
  bool Deflate(const Bytes& data, Bytes& out) {
    if (!ok_ || deflateReset(&z_) != Z_OK) return false;
    out.resize(deflateBound(&z_, static_cast<uLong>(data.size())));
    z_.next_in = const_cast<Bytef*>(data.data());
    z_.avail_in = static_cast<uInt>(data.size());
    z_.next_out = out.data();
    z_.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&z_, Z_FINISH);
    out.resize(z_.total_out);
    return result == Z_STREAM_END && out.size() < data.size();
  }

 private:
  z_stream z_{};
  bool ok_ = false;
};

std::uint32_t Crc(const std::uint8_t* data, std::size_t size) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes lengths as uInt; feed it in pieces that fit.
  while (size > 0) {
    const auto piece = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
    crc = crc32(crc, data, piece);
    data += piece;
    size -= piece;
  }
  return static_cast<std::uint32_t>(crc);
}

bool Inflate(const std::uint8_t* data, std::uint32_t size, std::uint32_t expected, Bytes& out) {
  // zlib counts in uInt, and the spare byte must fit too.
  if (expected >= std::numeric_limits<uInt>::max()) return false;
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
  out.resize(std::size_t{expected} + 1);  // one spare byte: a stream longer than declared shows itself
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&z, Z_FINISH);
  const bool ok = result == Z_STREAM_END && z.total_out == expected && z.avail_in == 0;
  inflateEnd(&z);
  out.resize(expected);
  return ok;
}

}  // namespace

void ToDosDateTime(int year, int month, int day, int hour, int minute, int second, std::uint16_t& dosDate,
                   std::uint16_t& dosTime) {
  if (year < 1980) {
    dosDate = (1 << 5) | 1;
    dosTime = 0;
    return;
  }
  if (year > 2107) year = 2107;
  dosDate = static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
  dosTime = static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

Bytes BuildZip(const std::vector<ZipEntry>& entries, int level, std::string_view comment) {
  constexpr std::size_t kMax = std::numeric_limits<std::uint32_t>::max();
  if (entries.size() > 0xFFFF || comment.size() > 0xFFFF) return {};
  Bytes archive, central;
  Bytes packed;
  Deflater deflater(level);
  for (const ZipEntry& e : entries) {
    if (e.name.size() > 0xFFFF || e.data.size() >= kMax || archive.size() >= kMax) return {};
    const std::uint32_t crc = Crc(e.data.data(), e.data.size());
    const bool deflated = deflater.Deflate(e.data, packed);
    const Bytes& body = deflated ? packed : e.data;
    const std::uint16_t method = deflated ? kDeflated : kStored;
    const auto offset = static_cast<std::uint32_t>(archive.size());
    const Bytes extra = UnixTimeField(e);

    Put32(archive, kLocalSignature);
    PutEntryFields(archive, e, method, crc, body.size());
    Put16(archive, static_cast<std::uint16_t>(extra.size()));
    archive.insert(archive.end(), e.name.begin(), e.name.end());
    archive.insert(archive.end(), extra.begin(), extra.end());
    archive.insert(archive.end(), body.begin(), body.end());

    Put32(central, kCentralSignature);
    Put16(central, IsAscii(e.name) ? kVersion20 : kMadeByNtfs);  // made by: 2.0
    PutEntryFields(central, e, method, crc, body.size());
    Put16(central, static_cast<std::uint16_t>(extra.size()));
    Put16(central, 0);  // comment
    Put16(central, 0);  // disk
    Put16(central, 0);  // internal attributes
    Put32(central, kArchiveAttribute);
    Put32(central, offset);
    central.insert(central.end(), e.name.begin(), e.name.end());
    central.insert(central.end(), extra.begin(), extra.end());
  }
  if (archive.size() + central.size() >= kMax) return {};
  const auto centralOffset = static_cast<std::uint32_t>(archive.size());
  archive.insert(archive.end(), central.begin(), central.end());
  Put32(archive, kEndSignature);
  Put16(archive, 0);
  Put16(archive, 0);
  Put16(archive, static_cast<std::uint16_t>(entries.size()));
  Put16(archive, static_cast<std::uint16_t>(entries.size()));
  Put32(archive, static_cast<std::uint32_t>(central.size()));
  Put32(archive, centralOffset);
  Put16(archive, static_cast<std::uint16_t>(comment.size()));
  archive.insert(archive.end(), comment.begin(), comment.end());
  return archive;
}

std::uint64_t LargestArchiveOf(const std::vector<ZipEntry>& entries) {
  constexpr std::uint64_t kEndRecord = 22, kHeaders = 30 + 46, kExtras = 2 * (4 + kUnixTimeSize);
  std::uint64_t largest = kEndRecord;
  for (const ZipEntry& e : entries) largest += kHeaders + kExtras + 2 * e.name.size() + e.data.size();
  return largest;
}

namespace {

// What the central directory says of one entry, once the entry has been
// checked against it.
struct StoredEntry {
  std::string name;
  std::uint32_t size = 0;
  std::uint32_t crc = 0;
  bool operator==(const StoredEntry&) const = default;
};

// One central directory entry, read but not yet checked against its data.
struct Listed {
  std::string name;
  std::uint16_t flags = 0, method = 0, dosTime = 0, dosDate = 0;
  std::uint32_t crc = 0, packedSize = 0, size = 0, local = 0;
  std::optional<std::int64_t> unixTime;
};

// Every offset and size here is a 32-bit field that damage may have set
// anywhere, so each is compared with the length that remains, never added
// to another and compared with an end: a sum wraps round in a 32-bit build
// and would lead the reader outside its buffer.
constexpr std::uint32_t kEndRecord = 22, kCentralRecord = 46, kLocalRecord = 30;

// Where the extra field `tag` starts in the `length` bytes of extra fields
// at `at`, and its size; false when it is not there, or the fields run over
// their length: unknown fields are no concern of ours.
bool FindExtra(const Bytes& a, std::uint32_t at, std::uint32_t length, std::uint16_t tag, std::uint32_t& field,
               std::uint32_t& size) {
  while (length >= 4) {
    const std::uint32_t id = Get16(a, at), n = Get16(a, at + 2);
    if (n > length - 4) return false;
    if (id == tag) {
      field = at + 4;
      size = n;
      return true;
    }
    at += 4 + n;
    length -= 4 + n;
  }
  return false;
}

// The exact modification time that the extra fields keep, if any: the
// extended timestamp, else 7-Zip's NTFS times, whose DOS time may be an
// hour off. Only what the extended timestamp could hold, as this program
// would write it again.
std::optional<std::int64_t> UnixTimeIn(const Bytes& a, std::uint32_t at, std::uint32_t length) {
  std::uint32_t field = 0, size = 0;
  if (FindExtra(a, at, length, kUnixTimeTag, field, size) && size >= kUnixTimeSize && (a[field] & 1)) {
    return static_cast<std::int32_t>(Get32(a, field + 1));
  }
  std::uint32_t times = 0, timesSize = 0;
  if (FindExtra(a, at, length, kNtfsTimeTag, field, size) && size >= 4 &&
      FindExtra(a, field + 4, size - 4, kNtfsTimes, times, timesSize) && timesSize >= 24) {
    const std::uint64_t ticks = Get32(a, times) | (std::uint64_t{Get32(a, times + 4)} << 32);
    const auto seconds = static_cast<std::int64_t>(ticks / kNtfsTicksPerSecond - kNtfsSecondsTo1970);
    if (ticks / kNtfsTicksPerSecond >= kNtfsSecondsTo1970 && seconds <= std::numeric_limits<std::int32_t>::max()) {
      return seconds;
    }
  }
  return std::nullopt;
}

// The end record is the last 22 bytes, or comes before a comment of up to
// 65535 bytes that runs exactly to the end.
bool FindEnd(const Bytes& a, std::uint32_t& end) {
  if (a.size() < kEndRecord) return false;
  const std::size_t last = a.size() - kEndRecord;
  const std::size_t first = last > 0xFFFF ? last - 0xFFFF : 0;
  for (std::size_t at = last + 1; at-- > first;) {
    if (Get32(a, static_cast<std::uint32_t>(at)) == kEndSignature &&
        Get16(a, static_cast<std::uint32_t>(at + 20)) == last - at) {
      end = static_cast<std::uint32_t>(at);
      return true;
    }
  }
  return false;
}

ZipProblem Problem(ZipError error, const std::string& entry = {}) { return {error, entry}; }

// The central directory, whole, and every entry it lists refused or kept
// before any data is read: what no reader of ours can hold is refused before
// anything is allocated for it.
ZipProblem ReadCentral(const Bytes& a, std::uint32_t end, std::vector<Listed>& listed) {
  // Deflate never expands a byte into more than 1032.
  constexpr std::uint64_t kMostInflated = 1032;
  const std::uint32_t count = Get16(a, end + 10);
  const std::uint32_t centralSize = Get32(a, end + 12);
  const std::uint32_t centralOffset = Get32(a, end + 16);
  if (end >= 20 && Get32(a, end - 20) == kZip64LocatorSignature) return Problem(ZipError::Zip64);
  // One disk only, and the central directory right before the end record.
  if (Get16(a, end + 4) != 0 || Get16(a, end + 6) != 0 || Get16(a, end + 8) != count || centralOffset > end ||
      centralSize != end - centralOffset) {
    return Problem(ZipError::Damaged);
  }
  std::uint64_t total = 0;
  std::uint32_t at = centralOffset;  // never beyond end
  for (std::uint32_t i = 0; i < count; ++i) {
    if (end - at < kCentralRecord || Get32(a, at) != kCentralSignature) return Problem(ZipError::Damaged);
    const std::uint32_t nameLength = Get16(a, at + 28), extraLength = Get16(a, at + 30);
    const std::uint32_t record = kCentralRecord + nameLength + extraLength + Get16(a, at + 32);
    if (end - at < record) return Problem(ZipError::Damaged);
    const auto nameAt = a.begin() + static_cast<std::ptrdiff_t>(at + kCentralRecord);
    Listed e;
    e.name.assign(nameAt, nameAt + nameLength);
    e.flags = Get16(a, at + 8);
    e.method = Get16(a, at + 10);
    e.dosTime = Get16(a, at + 12);
    e.dosDate = Get16(a, at + 14);
    e.crc = Get32(a, at + 16);
    e.packedSize = Get32(a, at + 20);
    e.size = Get32(a, at + 24);
    e.local = Get32(a, at + 42);
    const std::uint32_t extra = at + kCentralRecord + nameLength;
    e.unixTime = UnixTimeIn(a, extra, extraLength);
    std::uint32_t field = 0, fieldSize = 0;

    if ((e.flags & (kEncrypted | kStrongEncryption)) || e.method == kAesEncrypted) {
      return Problem(ZipError::Encrypted, e.name);
    }
    if (e.packedSize == 0xFFFFFFFF || e.size == 0xFFFFFFFF || e.local == 0xFFFFFFFF ||
        FindExtra(a, extra, extraLength, kZip64Tag, field, fieldSize)) {
      return Problem(ZipError::Zip64, e.name);
    }
    if (!e.name.empty() && (e.name.back() == '/' || e.name.back() == '\\')) return Problem(ZipError::Folder, e.name);
    if (e.method != kStored && e.method != kDeflated) return Problem(ZipError::Method, e.name);
    if (e.size > kLargestEntry) return Problem(ZipError::TooLarge, e.name);
    if (e.method == kStored ? e.packedSize != e.size : e.size > e.packedSize * kMostInflated) {
      return Problem(ZipError::Damaged, e.name);
    }
    total += e.size;
    if (total > kLargestContents) return Problem(ZipError::TooMuch);
    listed.push_back(std::move(e));
    at += record;
  }
  return Problem(at == end ? ZipError::None : ZipError::Damaged);
}

// Where the data of `e` starts, once its local header agrees with the
// central directory. With a data descriptor, the header's CRC and sizes
// may be zero: the central directory's are checked against the data.
ZipProblem FindData(const Bytes& a, std::uint32_t centralOffset, const Listed& e, std::uint32_t& data) {
  const std::uint32_t local = e.local;
  const ZipProblem damaged = Problem(ZipError::Damaged, e.name);
  // The local header, its name and its data lie before the central directory.
  if (local > centralOffset || centralOffset - local < kLocalRecord || Get32(a, local) != kLocalSignature) {
    return damaged;
  }
  const std::uint32_t localName = Get16(a, local + 26), localExtra = Get16(a, local + 28);
  if (centralOffset - local - kLocalRecord < localName + localExtra) return damaged;
  data = local + kLocalRecord + localName + localExtra;
  std::uint32_t field = 0, fieldSize = 0;
  if (FindExtra(a, local + kLocalRecord + localName, localExtra, kZip64Tag, field, fieldSize)) {
    return Problem(ZipError::Zip64, e.name);
  }
  const auto agrees = [&](std::uint32_t value, std::uint32_t central) {
    return value == central || ((e.flags & kDataDescriptor) && value == 0);
  };
  if (Get16(a, local + 6) != e.flags || Get16(a, local + 8) != e.method || !agrees(Get32(a, local + 14), e.crc) ||
      !agrees(Get32(a, local + 18), e.packedSize) || !agrees(Get32(a, local + 22), e.size) ||
      localName != e.name.size() || e.packedSize > centralOffset - data ||
      std::memcmp(&a[local + kLocalRecord], e.name.data(), localName) != 0) {
    return damaged;
  }
  return Problem(ZipError::None);
}

// The central directory of `a`, every entry listed in it refused or kept.
ZipProblem ReadDirectory(const Bytes& a, std::uint32_t& centralOffset, std::vector<Listed>& listed) {
  std::uint32_t end = 0;
  if (std::uint64_t{a.size()} > std::numeric_limits<std::uint32_t>::max() || !FindEnd(a, end)) {
    return Problem(ZipError::Damaged);
  }
  centralOffset = Get32(a, end + 16);
  return ReadCentral(a, end, listed);
}

// The bytes of one entry of the central directory, checked against its
// size and CRC, and its time where only the local header keeps it (as
// other tools may write it).
ZipProblem ReadData(const Bytes& a, std::uint32_t centralOffset, Listed& e, Bytes& plain) {
  std::uint32_t data = 0;
  const ZipProblem local = FindData(a, centralOffset, e, data);
  if (local.error != ZipError::None) return local;
  if (e.method == kStored) {
    plain.assign(a.begin() + static_cast<std::ptrdiff_t>(data), a.begin() + static_cast<std::ptrdiff_t>(data + e.size));
  } else if (!Inflate(&a[data], e.packedSize, e.size, plain)) {
    return Problem(ZipError::Damaged, e.name);
  }
  if (Crc(plain.data(), plain.size()) != e.crc) return Problem(ZipError::Damaged, e.name);
  if (!e.unixTime) {
    const std::uint32_t nameEnd = e.local + kLocalRecord + Get16(a, e.local + 26);
    e.unixTime = UnixTimeIn(a, nameEnd, data - nameEnd);
  }
  // libarchive writes a time past 2038 unsigned, which reads as one before
  // 1970: the DOS date tells which it is.
  constexpr std::int64_t kWrap = std::int64_t{1} << 32;
  if (e.unixTime && *e.unixTime < 0 && 1980 + (e.dosDate >> 9) >= 2038) *e.unixTime += kWrap;
  return Problem(ZipError::None);
}

// The one walk over an archive: every check of VerifyZip, and with
// `contents`, every entry whole as well.
ZipProblem Verify(const Bytes& a, std::vector<StoredEntry>& found, std::vector<ZipEntry>* contents = nullptr) {
  found.clear();
  if (contents) contents->clear();
  std::uint32_t centralOffset = 0;
  std::vector<Listed> listed;
  const ZipProblem central = ReadDirectory(a, centralOffset, listed);
  if (central.error != ZipError::None) return central;
  Bytes plain;
  for (Listed& e : listed) {
    const ZipProblem data = ReadData(a, centralOffset, e, plain);
    if (data.error != ZipError::None) return data;
    if (contents) contents->push_back({e.name, std::move(plain), e.dosTime, e.dosDate, e.unixTime});
    found.push_back({std::move(e.name), e.size, e.crc});
  }
  return Problem(ZipError::None);
}

}  // namespace

bool VerifyZip(const Bytes& archive, std::vector<std::string>* names) {
  std::vector<StoredEntry> found;
  if (Verify(archive, found).error != ZipError::None) return false;
  if (names) {
    names->clear();
    for (StoredEntry& e : found) names->push_back(std::move(e.name));
  }
  return true;
}

bool ReadZip(const Bytes& archive, std::vector<ZipEntry>& entries, ZipProblem* why) {
  std::vector<StoredEntry> found;
  ZipProblem problem = Verify(archive, found, &entries);
  const bool read = problem.error == ZipError::None;
  if (!read) entries.clear();
  if (why) *why = std::move(problem);
  return read;
}

bool ReadZipEntry(const Bytes& archive, const std::function<bool(const std::string&)>& wanted, ZipEntry& entry) {
  std::uint32_t centralOffset = 0;
  std::vector<Listed> listed;
  if (ReadDirectory(archive, centralOffset, listed).error != ZipError::None) return false;
  const auto found = std::find_if(listed.begin(), listed.end(), [&](const Listed& e) { return wanted(e.name); });
  Bytes plain;
  if (found == listed.end() || ReadData(archive, centralOffset, *found, plain).error != ZipError::None) return false;
  entry = {found->name, std::move(plain), found->dosTime, found->dosDate, found->unixTime};
  return true;
}

// The parts read are checked as the whole-archive reader checks them, the
// central directory with its end record as they stand, and the entry with
// the offsets it has in the whole archive.
namespace {

// The end record, last unless a comment follows it; then it is looked for
// back through the longest comment there can be. `tail` holds what was read
// from `tailAt` on, the record at `end` within it.
bool ReadEnd(std::uint64_t size, const ReadAt& read, Bytes& tail, std::uint32_t& end, std::uint32_t& tailAt) {
  if (size > std::numeric_limits<std::uint32_t>::max() || size < kEndRecord) return false;
  const auto fileSize = static_cast<std::uint32_t>(size);
  for (const std::uint32_t tailLength : {kEndRecord, std::min<std::uint32_t>(fileSize, kEndRecord + 0xFFFF)}) {
    tailAt = fileSize - tailLength;
    if (!read(tailAt, tailLength, tail) || tail.size() != tailLength) return false;
    if (FindEnd(tail, end)) return true;
    if (tailLength == fileSize || tailLength > kEndRecord) return false;
  }
  return false;
}

}  // namespace

bool ReadZipCommentAt(std::uint64_t size, const ReadAt& read, std::string& comment) {
  Bytes tail;
  std::uint32_t end = 0, tailAt = 0;
  if (!ReadEnd(size, read, tail, end, tailAt)) return false;
  const auto from = tail.begin() + static_cast<std::ptrdiff_t>(end + kEndRecord);
  comment.assign(from, tail.end());
  return true;
}

bool ReadZipEntryAt(std::uint64_t size, const ReadAt& read, const std::function<bool(const std::string&)>& wanted,
                    ZipEntry& entry) {
  Bytes tail;
  std::uint32_t end = 0, tailAt = 0;
  if (!ReadEnd(size, read, tail, end, tailAt)) return false;
  const std::uint32_t centralSize = Get32(tail, end + 12), centralOffset = Get32(tail, end + 16);
  if (centralOffset > tailAt + end || centralSize != tailAt + end - centralOffset) return false;

  // The central directory, then the end record as it stands, so that every
  // entry is judged as it would be in the whole archive.
  Bytes central;
  if (!read(centralOffset, centralSize, central) || central.size() != centralSize) return false;
  const std::uint32_t centralEnd = centralSize;
  const auto endRecord = tail.begin() + static_cast<std::ptrdiff_t>(end);
  central.insert(central.end(), endRecord, endRecord + kEndRecord);
  Put32At(central, centralEnd + 16, 0);
  std::vector<Listed> listed;
  if (ReadCentral(central, centralEnd, listed).error != ZipError::None) return false;
  const auto found = std::find_if(listed.begin(), listed.end(), [&](const Listed& e) { return wanted(e.name); });
  if (found == listed.end()) return false;

  // Its local header, then its name, extra fields and data, all before the
  // central directory.
  const std::uint32_t local = found->local;
  Bytes header;
  if (local > centralOffset || centralOffset - local < kLocalRecord || !read(local, kLocalRecord, header) ||
      header.size() != kLocalRecord) {
    return false;
  }
  const std::uint32_t rest = Get16(header, 26) + Get16(header, 28);
  if (centralOffset - local - kLocalRecord < rest || found->packedSize > centralOffset - local - kLocalRecord - rest) {
    return false;
  }
  Bytes body;
  if (!read(local + kLocalRecord, rest + found->packedSize, body) || body.size() != rest + found->packedSize) {
    return false;
  }

  // That entry's local header and data, as if they were all that came before
  // the central directory: checked and read as in the whole archive.
  Bytes alone = std::move(header);
  alone.insert(alone.end(), body.begin(), body.end());
  Listed e = *found;
  e.local = 0;
  Bytes plain;
  if (ReadData(alone, static_cast<std::uint32_t>(alone.size()), e, plain).error != ZipError::None) return false;
  entry = {e.name, std::move(plain), e.dosTime, e.dosDate, e.unixTime};
  return true;
}

bool HoldsSame(const Bytes& archive, const std::vector<ZipEntry>& entries) {
  std::vector<StoredEntry> stored, wanted;
  if (Verify(archive, stored).error != ZipError::None) return false;
  for (const ZipEntry& e : entries) {
    if (e.data.size() > std::numeric_limits<std::uint32_t>::max()) return false;
    wanted.push_back({e.name, static_cast<std::uint32_t>(e.data.size()), Crc(e.data.data(), e.data.size())});
  }
  const auto byName = [](const StoredEntry& x, const StoredEntry& y) { return x.name < y.name; };
  std::sort(stored.begin(), stored.end(), byName);
  std::sort(wanted.begin(), wanted.end(), byName);
  return stored == wanted;
}

}  // namespace ck
