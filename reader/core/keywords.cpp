#include "keywords.h"

#include <array>
#include <vector>

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

constexpr char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool EqualFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

// Keywords grouped by length, each group in table order, so a look-up
// compares only names of the right length and still finds the first match.
const std::array<std::vector<const Keyword*>, kLongest + 1>& ByLength() {
  static const auto groups = [] {
    std::array<std::vector<const Keyword*>, kLongest + 1> g;
    for (const Keyword& k : kTable) g[k.name.size()].push_back(&k);
    return g;
  }();
  return groups;
}

}  // namespace

const Keyword* Keywords(std::size_t* count) {
  *count = kTableSize;
  return kTable;
}

const Keyword* FindKeyword(std::string_view name) {
  if (name.size() > kLongest) return nullptr;
  for (const Keyword* k : ByLength()[name.size()])
    if (EqualFolded(name, k->name)) return k;
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
