#include "keywords.h"

#include <array>
#include <cstdint>

namespace tessary {
namespace {

using enum Field;
using A = Action;

constexpr Keyword kTable[] = {
    {"BEGIN", A::Begin, Name},
    {"END", A::End, Name},
    {"N", A::Replace, Name},
    {"FN", A::Replace, FullName},
    {"VERSION", A::Replace, Version},
    {"ORG", A::Replace, Org},
    {"REV", A::Replace, Rev},
    {"NOTE", A::Append, Note},
    {"NOTE;ENCODING=QUOTED-PRINTABLE", A::Append, Note},
    {"URL", A::Append, URL},
    {"BDAY", A::Append, BirthDay},
    {"NICKNAME", A::Append, NickName},
    {"ROLE", A::Append, Role},
    {"EMAIL", A::Append, Email},
    {"TEL", A::Append, Telephone},
    {"ADR", A::Append, Address},
    {"ADR;Work", A::Append, Work_Address},
    {"ADR;Home", A::Append, HomeAddress},
    {"ADR;HOME;ENCODING=QUOTED-PRINTABLE", A::Append, HomeAddress},
    {"ADR;POSTAL", A::Append, PostalAddress},
    {"TITLE", A::Append, Title},
    {"LABEL", A::Append, Label},
    {"TEL;WORK;VOICE", A::Append, WorkTelephoneVoice},
    {"TEL;WORK", A::Append, WorkTelephoneVoice},
    {"TEL;WORK;FAX", A::Append, WorkTelephoneFax},
    {"TEL;HOME;VOICE", A::Append, HomeTelephoneVoice},
    {"TEL;HOME", A::Append, HomeTelephoneVoice},
    {"TEL;HOME;FAX", A::Append, HomeTelephoneFax},
    {"TEL;CELL;VOICE", A::Append, TelephoneCellVoice},
    {"TEL;CELL", A::Append, TelephoneCellVoice},
    {"TEL;PAGER;VOICE", A::Append, TelephonePagerVoice},
    {"TEL;PAGER", A::Append, TelephonePagerVoice},
    {"TEL;CAR;VOICE", A::Append, TelephoneCarVoice},
    {"TEL;CAR", A::Append, TelephoneCarVoice},
    {"TEL;ISDN", A::Append, TelephoneISDN},
    {"TEL;PREF", A::Append, TelephonePref},
    {"TEL;VOICE", A::Append, TelephoneVoice},
    {"EMAIL;TLX", A::Append, EmailTelex},
    {"EMAIL;PREF;INTERNET", A::Append, EmailPrefInternet},
    {"EMAIL;WORK;PREF;INTERNET", A::Append, EmailPrefInternet},
    {"URL;HOME", A::Append, HomeUrl},
    {"URL;WORK", A::Append, WorkUrl},
};
constexpr std::size_t kTableSize = std::size(kTable);
static_assert(kTableSize == 42);

constexpr std::size_t kLongest = 34;  // "ADR;HOME;ENCODING=QUOTED-PRINTABLE"

constexpr char FoldAscii(char c) { return char(c - ((unsigned char)(c - 'a') < 26u ? 32 : 0)); }

bool EqualFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

// Every line of a file goes through FindKeyword, so it hashes the folded
// name once and compares only on a hash hit. No two keywords fold to the same
// text, so the one match found is also the first in table order.
constexpr std::size_t kSlots = 128;  // power of two, well above 42

struct Slot {
  std::uint32_t hash = 0;
  const Keyword* keyword = nullptr;
  char folded[kLongest] = {};  // the keyword with a-z folded to A-Z
};

// Length and three sampled bytes tell the 42 names apart well enough; the
// full comparison settles it. OR-ing 0x20 makes the hash blind to ASCII case
// (it also merges a few punctuation pairs, which only costs a comparison).
std::uint32_t HashFolded(const char* p, std::size_t n) {
  std::uint32_t h = std::uint32_t(n) * 0x9E3779B1u;
  h ^= std::uint8_t(p[0] | 0x20) * 0x85EBCA77u;
  h ^= std::uint8_t(p[n - 1] | 0x20) * 0xC2B2AE3Du;
  h ^= std::uint8_t(p[n / 2] | 0x20) * 0x27D4EB2Fu;
  return h ^ (h >> 15);
}

const std::array<Slot, kSlots> kHashTable = [] {
  std::array<Slot, kSlots> table{};
  for (const Keyword& k : kTable) {
    std::uint32_t h = HashFolded(k.name.data(), k.name.size());
    std::size_t i = h & (kSlots - 1);
    while (table[i].keyword) i = (i + 1) & (kSlots - 1);
    table[i].hash = h;
    table[i].keyword = &k;
    for (std::size_t c = 0; c < k.name.size(); ++c) table[i].folded[c] = FoldAscii(k.name[c]);
  }
  return table;
}();

}  // namespace

const Keyword* Keywords(std::size_t* count) {
  *count = kTableSize;
  return kTable;
}

const Keyword* FindKeyword(std::string_view name) {
  if (name.empty() || name.size() > kLongest) return nullptr;
  std::uint32_t h = HashFolded(name.data(), name.size());
  for (std::size_t i = h & (kSlots - 1); kHashTable[i].keyword; i = (i + 1) & (kSlots - 1)) {
    const Slot& slot = kHashTable[i];
    if (slot.hash != h || slot.keyword->name.size() != name.size()) continue;
    std::size_t c = 0;
    while (c < name.size() && FoldAscii(name[c]) == slot.folded[c]) ++c;
    if (c == name.size()) return slot.keyword;
  }
  return nullptr;
}

std::optional<Field> FindBaseNameKeyword(std::string_view name) {
  static constexpr std::pair<std::string_view, Field> kBase[] = {
      {"EMAIL", Email}, {"TEL", Telephone}, {"ADR", Address}, {"LABEL", Label},
      {"NOTE", Note},   {"TITLE", Title},   {"URL", URL},
  };
  for (const auto& [keyword, field] : kBase)
    if (EqualFolded(name, keyword)) return field;
  return std::nullopt;
}

std::string_view FieldName(Field f) {
  static constexpr std::string_view kNames[kFieldCount] = {
      "Name", "FullName", "Email", "Org", "Version", "Rev", "Telephone",
      "Address", "Note", "Label", "Title", "URL", "BirthDay", "NickName",
      "Role", "Work_Address", "HomeAddress", "PostalAddress",
      "WorkTelephoneVoice", "WorkTelephoneFax", "HomeTelephoneFax",
      "HomeTelephoneVoice", "TelephoneCellVoice", "TelephonePagerVoice",
      "TelephoneCarVoice", "TelephoneISDN", "TelephonePref", "TelephoneVoice",
      "EmailTelex", "EmailPrefInternet", "HomeUrl", "WorkUrl",
  };
  return kNames[static_cast<std::size_t>(f)];
}

}  // namespace tessary
