#include "internal/keywords.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace tessary::internal {
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
    {"NOTE", A::Append, Note, true},
    {"NOTE;ENCODING=QUOTED-PRINTABLE", A::Append, Note},
    {"URL", A::Append, URL, true},
    {"BDAY", A::Append, BirthDay},
    {"NICKNAME", A::Append, NickName},
    {"ROLE", A::Append, Role},
    {"EMAIL", A::Append, Email, true},
    {"TEL", A::Append, Telephone, true},
    {"ADR", A::Append, Address, true},
    {"ADR;Work", A::Append, Work_Address},
    {"ADR;Home", A::Append, HomeAddress},
    {"ADR;HOME;ENCODING=QUOTED-PRINTABLE", A::Append, HomeAddress},
    {"ADR;POSTAL", A::Append, PostalAddress},
    {"TITLE", A::Append, Title, true},
    {"LABEL", A::Append, Label, true},
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

// Every named line of a file goes through FindKeyword, so names are folded
// and compared eight bytes at a time. A name is padded with zeros to five
// words; no two keywords fold to the same text, so the one match found is
// also the first in table order.
constexpr std::size_t kWords = (kLongest + 7) / 8;
constexpr std::size_t kSlots = 128;  // power of two, well above 42
constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = kOnes * 0x80;

using Folded = std::array<std::uint64_t, kWords>;

// Folds a-z to A-Z in every byte of a word whose bytes are all below 0x80
// (so the additions never carry into the next byte).
constexpr std::uint64_t FoldWord(std::uint64_t w) {
  std::uint64_t at_least_a = w + kOnes * (0x80 - 'a');
  std::uint64_t above_z = w + kOnes * (0x80 - 'z' - 1);
  std::uint64_t lower = at_least_a & ~above_z & kHighBits;
  return w ^ (lower >> 2);
}

// False when the name cannot be a keyword (too long, or not ASCII).
bool FoldName(std::string_view name, Folded& out) {
  if (name.empty() || name.size() > kLongest) return false;
  unsigned char bytes[kWords * 8] = {};
  std::memcpy(bytes, name.data(), name.size());
  std::uint64_t any_high = 0;
  out = {};
  for (std::size_t i = 0, words = (name.size() + 7) / 8; i < words; ++i) {
    std::uint64_t w;
    std::memcpy(&w, bytes + 8 * i, 8);
    any_high |= w;
    out[i] = FoldWord(w);
  }
  return (any_high & kHighBits) == 0;
}

std::size_t HashFolded(const Folded& f, std::size_t n) {
  std::uint64_t h = (f[0] ^ (f[1] * 31) ^ (f[2] * 131) ^ n) * 0x9E3779B97F4A7C15ull;
  return std::size_t(h >> 57);  // the top 7 bits: 0..127
}

struct Slot {
  const Keyword* keyword = nullptr;
  Folded folded{};
};

const std::array<Slot, kSlots> kHashTable = [] {
  std::array<Slot, kSlots> table{};
  for (const Keyword& k : kTable) {
    Folded f{};
    FoldName(k.name, f);
    std::size_t i = HashFolded(f, k.name.size());
    while (table[i].keyword) i = (i + 1) & (kSlots - 1);
    table[i] = {&k, f};
  }
  return table;
}();

}  // namespace

const Keyword* Keywords(std::size_t* count) {
  *count = kTableSize;
  return kTable;
}

const Keyword* FindKeyword(std::string_view name) {
  Folded f;
  if (!FoldName(name, f)) return nullptr;
  for (std::size_t i = HashFolded(f, name.size()); kHashTable[i].keyword; i = (i + 1) & (kSlots - 1)) {
    const Slot& slot = kHashTable[i];
    if (slot.folded == f && slot.keyword->name.size() == name.size()) return slot.keyword;
  }
  return nullptr;
}

}  // namespace tessary::internal
