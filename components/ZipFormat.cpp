#include "components/ZipFormat.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace ck {
namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint16_t kVersion20 = 20;
// "Made by" for a name in UTF-8: Windows NTFS rather than MS-DOS, whose names
// Info-ZIP reads in code page 437 even when the UTF-8 flag is set.
constexpr std::uint16_t kMadeByNtfs = (11 << 8) | kVersion20;
constexpr std::uint16_t kUtf8Name = 1 << 11;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint32_t kArchiveAttribute = 0x20;

void Put16(Bytes& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
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

Bytes BuildZip(const std::vector<ZipEntry>& entries, int level) {
  constexpr std::size_t kMax = std::numeric_limits<std::uint32_t>::max();
  if (entries.size() > 0xFFFF) return {};
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

    Put32(archive, kLocalSignature);
    PutEntryFields(archive, e, method, crc, body.size());
    Put16(archive, 0);  // extra
    archive.insert(archive.end(), e.name.begin(), e.name.end());
    archive.insert(archive.end(), body.begin(), body.end());

    Put32(central, kCentralSignature);
    Put16(central, IsAscii(e.name) ? kVersion20 : kMadeByNtfs);  // made by: 2.0
    PutEntryFields(central, e, method, crc, body.size());
    Put16(central, 0);  // extra
    Put16(central, 0);  // comment
    Put16(central, 0);  // disk
    Put16(central, 0);  // internal attributes
    Put32(central, kArchiveAttribute);
    Put32(central, offset);
    central.insert(central.end(), e.name.begin(), e.name.end());
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
  Put16(archive, 0);
  return archive;
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

// The one walk over an archive: every check of VerifyZip, and with
// `contents`, every entry whole as well.
bool Verify(const Bytes& a, std::vector<StoredEntry>& found, std::vector<ZipEntry>* contents = nullptr) {
  // Every offset and size here is a 32-bit field that damage may have set
  // anywhere, so each is compared with the length that remains, never added
  // to another and compared with an end: a sum wraps round in a 32-bit build
  // and would lead the check outside its buffer.
  constexpr std::uint32_t kEndRecord = 22, kCentralRecord = 46, kLocalRecord = 30;
  // Deflate never expands a byte into more than 1032.
  constexpr std::uint64_t kMostInflated = 1032;
  // We write no archive comment, so the end record is the last 22 bytes.
  if (a.size() < kEndRecord || std::uint64_t{a.size()} > std::numeric_limits<std::uint32_t>::max()) return false;
  const auto end = static_cast<std::uint32_t>(a.size() - kEndRecord);
  if (Get32(a, end) != kEndSignature) return false;
  const std::uint32_t count = Get16(a, end + 10);
  const std::uint32_t centralSize = Get32(a, end + 12);
  const std::uint32_t centralOffset = Get32(a, end + 16);
  if (Get16(a, end + 8) != count || centralOffset > end || centralSize != end - centralOffset) return false;

  found.clear();
  if (contents) contents->clear();
  Bytes plain;
  std::uint32_t at = centralOffset;  // never beyond end
  for (std::uint32_t i = 0; i < count; ++i) {
    if (end - at < kCentralRecord || Get32(a, at) != kCentralSignature) return false;
    const std::uint16_t method = Get16(a, at + 10);
    const std::uint32_t crc = Get32(a, at + 16);
    const std::uint32_t packedSize = Get32(a, at + 20);
    const std::uint32_t size = Get32(a, at + 24);
    const std::uint32_t nameLength = Get16(a, at + 28);
    const std::uint32_t record = kCentralRecord + nameLength + Get16(a, at + 30) + Get16(a, at + 32);
    const std::uint32_t local = Get32(a, at + 42);
    if (end - at < record) return false;
    const auto nameAt = a.begin() + static_cast<std::ptrdiff_t>(at + kCentralRecord);
    const std::string name(nameAt, nameAt + nameLength);

    // The local header, its name and its data lie before the central directory.
    if (local > centralOffset || centralOffset - local < kLocalRecord || Get32(a, local) != kLocalSignature) {
      return false;
    }
    const std::uint32_t localName = Get16(a, local + 26), localExtra = Get16(a, local + 28);
    if (centralOffset - local - kLocalRecord < localName + localExtra) return false;
    const std::uint32_t data = local + kLocalRecord + localName + localExtra;
    if (Get16(a, local + 6) != Get16(a, at + 8) || Get16(a, local + 8) != method || Get32(a, local + 14) != crc ||
        Get32(a, local + 18) != packedSize || Get32(a, local + 22) != size || localName != nameLength ||
        packedSize > centralOffset - data || std::memcmp(&a[local + kLocalRecord], name.data(), nameLength) != 0) {
      return false;
    }
    if (method == kStored) {
      if (packedSize != size || Crc(&a[data], size) != crc) return false;
    } else if (method == kDeflated) {
      if (size > packedSize * kMostInflated || !Inflate(&a[data], packedSize, size, plain) ||
          Crc(plain.data(), plain.size()) != crc) {
        return false;
      }
    } else {
      return false;
    }
    if (contents) {
      const auto from = a.begin() + static_cast<std::ptrdiff_t>(data);
      contents->push_back({name, method == kStored ? Bytes(from, from + size) : std::move(plain), Get16(a, at + 12),
                           Get16(a, at + 14)});
    }
    found.push_back({name, size, crc});
    at += record;
  }
  return at == end;
}

}  // namespace

bool VerifyZip(const Bytes& archive, std::vector<std::string>* names) {
  std::vector<StoredEntry> found;
  if (!Verify(archive, found)) return false;
  if (names) {
    names->clear();
    for (StoredEntry& e : found) names->push_back(std::move(e.name));
  }
  return true;
}

bool ReadZip(const Bytes& archive, std::vector<ZipEntry>& entries) {
  std::vector<StoredEntry> found;
  return Verify(archive, found, &entries);
}

bool HoldsSame(const Bytes& archive, const std::vector<ZipEntry>& entries) {
  std::vector<StoredEntry> stored, wanted;
  if (!Verify(archive, stored)) return false;
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
