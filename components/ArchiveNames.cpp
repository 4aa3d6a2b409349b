#include "components/ArchiveNames.h"

#include <algorithm>
#include <cstdio>

namespace ck {
namespace {

constexpr std::string_view kZip = ".zip";
constexpr std::string_view kTemporaryHead = "~", kTemporaryTail = ".cktmp";

// The dated kinds by the word between the character and the stamp. A new
// kind of dated archive is one more row.
struct DatedKind {
  ArchiveKind kind;
  std::string_view infix;
};
constexpr DatedKind kDated[] = {
    {ArchiveKind::BeforeRestore, "-before-restore-"},
    {ArchiveKind::BeforeDeath, "-before-death-"},
    {ArchiveKind::Kept, "-kept-"},
    {ArchiveKind::Restoring, "-restoring-"},
};
// Earlier versions' before-restore archives, one per character.
constexpr std::string_view kUndatedHead = "-before-", kUndated[] = {"restore", "undo"};

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool Same(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && Same(text.substr(text.size() - tail.size()), tail);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view text) {
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return !text.empty();
}

// A number as the program writes it: no sign, no leading zero, at most four
// digits; 0 when `text` is none.
int NumberOf(std::string_view text) {
  if (text.empty() || text.size() > 4 || text.front() == '0' || !AllDigits(text)) return 0;
  int n = 0;
  for (char c : text) n = n * 10 + (c - '0');
  return n;
}

// A name as the game gives one: letters, beyond ASCII too, with at most one
// "-" or "_", neither first nor last.
bool IsGameName(std::string_view name) {
  int joins = 0;
  for (char c : name) {
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80;
    if (c == '-' || c == '_') {
      ++joins;
    } else if (!letter) {
      return false;
    }
  }
  return !name.empty() && joins <= 1 && name.front() != '-' && name.front() != '_' && name.back() != '-' &&
         name.back() != '_';
}

bool IsStamp(std::string_view text) {
  return text.size() == 15 && text[8] == '-' && AllDigits(text.substr(0, 8)) && AllDigits(text.substr(9));
}

// Splits "<stamp>" or "<stamp>-<clash>" (".zip" already gone) at its end
// off `text`; false when it ends in neither.
bool TakeStamp(std::string_view& text, std::string& stamp, int& clash) {
  clash = 1;
  if (text.size() >= 15 && IsStamp(text.substr(text.size() - 15))) {
    stamp = text.substr(text.size() - 15);
    text.remove_suffix(15);
    return true;
  }
  const std::size_t dash = text.rfind('-');
  if (dash == std::string_view::npos || dash < 15) return false;
  const int n = NumberOf(text.substr(dash + 1));
  if (n < 2 || !IsStamp(text.substr(dash - 15, 15))) return false;
  stamp = text.substr(dash - 15, 15);
  clash = n;
  text = text.substr(0, dash - 15);
  return true;
}

// `stem` (the name less ".zip") read as a dated or undated kind, whose
// character is what comes before the kind's word: `character` where given.
bool ReadDated(std::string_view stem, std::string_view character, ArchiveName& name) {
  for (std::string_view word : kUndated) {
    const std::size_t tail = kUndatedHead.size() + word.size();
    if (stem.size() > tail && Same(stem.substr(stem.size() - tail, kUndatedHead.size()), kUndatedHead) &&
        EndsWith(stem, word)) {
      const std::string_view whose = stem.substr(0, stem.size() - tail);
      if (!character.empty() && !Same(whose, character)) continue;
      name.kind = ArchiveKind::BeforeRestore;
      name.character = whose;
      name.undated = word;
      return true;
    }
  }
  std::string_view rest = stem;
  if (!TakeStamp(rest, name.stamp, name.clash)) return false;
  for (const DatedKind& dated : kDated) {
    if (rest.size() <= dated.infix.size() || !EndsWith(rest, dated.infix)) continue;
    const std::string_view whose = rest.substr(0, rest.size() - dated.infix.size());
    if (!character.empty() && !Same(whose, character)) continue;
    name.kind = dated.kind;
    name.character = whose;
    return true;
  }
  return false;
}

// "<stamp>+hhmm" or "<stamp>-hhmm", 20 characters, of a real time and an
// offset of at most 14 hours; the offset in minutes.
bool IsHistoryStamp(std::string_view text, int& offsetMinutes) {
  if (text.size() != 20 || !IsStamp(text.substr(0, 15)) || (text[15] != '+' && text[15] != '-') ||
      !AllDigits(text.substr(16))) {
    return false;
  }
  const auto two = [&](std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
  const int month = two(4), day = two(6), hour = two(9), minute = two(11), second = two(13);
  const int offsetHours = two(16), offsetRest = two(18);
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59 ||
      offsetHours > 14 || offsetRest > 59) {
    return false;
  }
  offsetMinutes = (text[15] == '-' ? -1 : 1) * (offsetHours * 60 + offsetRest);
  return true;
}

// `stem` read as a history archive: the character's name, "-", the stamp
// with its offset, and "-<clash>" after it where the name was taken.
bool ReadHistory(std::string_view stem, std::string_view character, ArchiveName& name) {
  std::string_view rest = stem;
  int clash = 1;
  const std::size_t dash = rest.rfind('-');
  if (dash != std::string_view::npos && dash >= 21 && NumberOf(rest.substr(dash + 1)) >= 2 &&
      IsHistoryStamp(rest.substr(dash - 20, 20), name.offsetMinutes)) {
    clash = NumberOf(rest.substr(dash + 1));
    rest = rest.substr(0, dash);
  }
  if (rest.size() < 22 || rest[rest.size() - 21] != '-' ||
      !IsHistoryStamp(rest.substr(rest.size() - 20), name.offsetMinutes)) {
    return false;
  }
  const std::string_view whose = rest.substr(0, rest.size() - 21);
  if (!character.empty() && !Same(whose, character)) return false;
  name.kind = ArchiveKind::History;
  name.character = whose;
  name.stamp = rest.substr(rest.size() - 20, 15);
  name.clash = clash;
  return true;
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and
// the way back.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shifted = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
  month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }

// `stem` read as a slot: the character's name, then its number.
bool ReadSlot(std::string_view stem, std::string_view character, ArchiveName& name) {
  std::size_t digits = 0;
  if (!character.empty()) {
    if (stem.size() <= character.size() || !Same(stem.substr(0, character.size()), character)) return false;
    digits = character.size();
  } else {
    digits = stem.size();
    while (digits > 0 && IsDigit(stem[digits - 1])) --digits;
    if (digits == 0) return false;
  }
  name.slot = NumberOf(stem.substr(digits));
  if (name.slot == 0) return false;
  name.kind = ArchiveKind::Slot;
  name.character = stem.substr(0, digits);
  return true;
}

}  // namespace

ArchiveName ReadArchiveName(std::string_view file, std::string_view character) {
  ArchiveName name;
  if (file.size() > kTemporaryHead.size() + kTemporaryTail.size() && file.substr(0, 1) == kTemporaryHead &&
      EndsWith(file, kTemporaryTail)) {
    const std::string_view of = file.substr(1, file.size() - 1 - kTemporaryTail.size());
    if (EndsWith(of, kZip)) {
      name = ReadArchiveName(of, character);
      if (!character.empty() && name.kind == ArchiveKind::None) return {};
    } else {
      // A character's own file, which a restore puts in place.
      const std::string_view whose = of.substr(0, std::min(of.rfind('.'), of.size()));
      if (!character.empty() && !Same(whose, character)) return {};
      name.character = whose;
    }
    name.kind = ArchiveKind::Temporary;
    name.of = of;
    return name;
  }
  if (!EndsWith(file, kZip)) return {};
  const std::string_view stem = file.substr(0, file.size() - kZip.size());
  // A dated name ends in digits too: it is read first.
  if (!ReadHistory(stem, character, name) && !ReadDated(stem, character, name) &&
      !ReadSlot(stem, character, name)) {
    return {};
  }
  // By the name alone, whose it is holds only if the game could give that
  // name: "Bob1 - Copy.zip" is no one's.
  if (character.empty() && !IsGameName(name.character)) return {};
  return name;
}

namespace {

// The number that follows `shorter` in `longer`, as a slot's would: digits
// without a leading zero. Empty when `longer` is not so made.
std::string_view NumberAfter(std::string_view longer, std::string_view shorter) {
  if (longer.size() <= shorter.size() || !Same(longer.substr(0, shorter.size()), shorter)) return {};
  const std::string_view rest = longer.substr(shorter.size());
  return rest.front() != '0' && AllDigits(rest) ? rest : std::string_view{};
}

}  // namespace

ArchiveName ReadArchiveName(std::string_view file, std::string_view character,
                            const std::vector<std::string>& characters) {
  ArchiveName name = ReadArchiveName(file, character);
  if (name.slot == 0) return name;
  const std::string slot = std::to_string(name.slot);
  for (const std::string& other : characters) {
    // Bob1's names are Bob's that go on after the "1".
    const std::string_view more = NumberAfter(other, character);
    if (!more.empty() && slot.size() > more.size() && slot.compare(0, more.size(), more) == 0) return {};
  }
  return name;
}

std::string NamesTakenFrom(std::string_view character, const std::vector<std::string>& characters) {
  for (const std::string& other : characters) {
    if (!NumberAfter(character, other).empty()) return other;
  }
  return {};
}

std::string MakeArchiveName(const ArchiveName& name) {
  switch (name.kind) {
    case ArchiveKind::Slot:
      return name.character + std::to_string(name.slot) + std::string(kZip);
    case ArchiveKind::Temporary:
      return std::string(kTemporaryHead) + name.of + std::string(kTemporaryTail);
    case ArchiveKind::None:
      return {};
    case ArchiveKind::History: {
      const int offset = name.offsetMinutes < 0 ? -name.offsetMinutes : name.offsetMinutes;
      char zone[8];
      std::snprintf(zone, sizeof zone, "%c%02d%02d", name.offsetMinutes < 0 ? '-' : '+', offset / 60 % 100,
                    offset % 60);
      std::string file = name.character + "-" + name.stamp + zone;
      if (name.clash > 1) file.append("-").append(std::to_string(name.clash));
      return file + std::string(kZip);
    }
    default:
      break;
  }
  if (name.kind == ArchiveKind::BeforeRestore && name.stamp.empty()) {
    return name.character + std::string(kUndatedHead) + (name.undated.empty() ? "restore" : name.undated) +
           std::string(kZip);
  }
  for (const DatedKind& dated : kDated) {
    if (dated.kind != name.kind) continue;
    std::string file = name.character + std::string(dated.infix) + name.stamp;
    if (name.clash > 1) file.append("-").append(std::to_string(name.clash));
    return file + std::string(kZip);
  }
  return {};
}

std::string SlotName(const std::string& character, int slot) {
  ArchiveName name;
  name.kind = ArchiveKind::Slot;
  name.character = character;
  name.slot = slot;
  return MakeArchiveName(name);
}

std::string DatedName(ArchiveKind kind, const std::string& character, const std::string& stamp, int clash) {
  ArchiveName name;
  name.kind = kind;
  name.character = character;
  name.stamp = stamp;
  name.clash = clash;
  return MakeArchiveName(name);
}

std::string FirstFreeName(ArchiveKind kind, const std::string& character, const std::string& stamp,
                          const std::function<bool(const std::string& file)>& taken) {
  std::string file;
  for (int clash = 1; clash <= kMostClashes; ++clash) {
    file = DatedName(kind, character, stamp, clash);
    if (!taken(file)) break;
  }
  return file;
}

std::string TemporaryName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  const std::size_t leaf = slash == std::string::npos ? 0 : slash + 1;
  ArchiveName name;
  name.kind = ArchiveKind::Temporary;
  name.of = path.substr(leaf);
  return path.substr(0, leaf) + MakeArchiveName(name);
}

std::string HistoryFolder(const std::string& saveFolder, const std::string& character) {
  const char separator = !saveFolder.empty() && saveFolder.back() == '/' ? '/' : '\\';
  return saveFolder + kHistoryFolder + separator + character + separator;
}

bool ReadArchivePath(const std::string& path, std::string& folder, std::string& name) {
  const std::size_t program = std::string_view(kHistoryFolder).size();
  folder.clear();
  name = path;
  if (path.size() <= program || path.compare(0, program, kHistoryFolder) != 0 ||
      (path[program] != '\\' && path[program] != '/')) {
    return true;
  }
  // The character's folder, then a name that starts with the character's
  // and a "-": that tells the separator between them, whatever bytes the
  // character's name holds.
  const std::string_view rest = std::string_view(path).substr(program + 1);
  for (std::size_t at = rest.find_first_of("\\/"); at != std::string_view::npos;
       at = rest.find_first_of("\\/", at + 1)) {
    const std::string_view character = rest.substr(0, at), file = rest.substr(at + 1);
    if (!character.empty() && file.size() > at && Same(file.substr(0, at), character) && file[at] == '-') {
      if (character == "." || character == ".." || ReadArchiveName(file, character).kind != ArchiveKind::History) break;
      folder = character;
      name = file;
      return true;
    }
  }
  return false;
}

std::string HistoryName(const std::string& character, std::int64_t unixTime, int offsetMinutes, int clash) {
  const std::int64_t local = unixTime + std::int64_t{offsetMinutes} * 60;
  const std::int64_t days = FloorDiv(local, 86400), second = local - days * 86400;
  int year = 0, month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  ArchiveName name;
  name.kind = ArchiveKind::History;
  name.character = character;
  name.stamp = NameStamp(year, month, day, static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60),
                         static_cast<int>(second % 60));
  name.offsetMinutes = offsetMinutes;
  name.clash = clash;
  return MakeArchiveName(name);
}

std::int64_t HistoryTime(const ArchiveName& name) {
  const auto number = [&](std::size_t at, std::size_t length) {
    int n = 0;
    for (std::size_t i = at; i < at + length && i < name.stamp.size(); ++i) n = n * 10 + (name.stamp[i] - '0');
    return n;
  };
  const std::int64_t days = DaysFromCivil(number(0, 4), number(4, 2), number(6, 2));
  return days * 86400 + number(9, 2) * 3600 + number(11, 2) * 60 + number(13, 2) -
         std::int64_t{name.offsetMinutes} * 60;
}

std::string NameStamp(int year, int month, int day, int hour, int minute, int second) {
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", year, month, day, hour, minute, second);
  return stamp;
}

std::string NameStamp(std::uint16_t dosDate, std::uint16_t dosTime) {
  return NameStamp(1980 + (dosDate >> 9), (dosDate >> 5) & 15, dosDate & 31, dosTime >> 11, (dosTime >> 5) & 63,
                   2 * (dosTime & 31));
}

}  // namespace ck
