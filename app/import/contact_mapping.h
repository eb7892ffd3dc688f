// From the reader's raw field values to the property sets of one new
// contact item. Pure and portable, so every row and every cleaning rule is
// tested natively.
//
// The reader hands values out as they stood in the file: each still ends in
// the line feed of its line, and a field that received several lines holds
// them joined by the reader's separator. Nothing of either may reach a
// stored field, so every value is cleaned here:
// - line feeds are removed from every value;
// - a field with several lines keeps them apart in a way the store shows:
//   a line that ends in a quoted-printable soft line break is joined with
//   the next one first, before anything is split or decoded; then Body
//   joins the lines with CR LF, other text fields with ", ", and the
//   structured values (N, ORG, ADR) and the birthday take their first line;
// - "=0D=0A" in the notes and in an address becomes a line break;
// - the birthday becomes a date, in the basic or the extended form.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store.h"
#include "text_helpers.h"
#include "vcard_reader.h"

namespace pindrel {

inline constexpr std::size_t kVCardFieldCount = static_cast<std::size_t>(VCardField::BirthDay) + 1;

// The raw values of one contact, by VCardField.
using ContactFields = std::array<std::wstring, kVCardFieldCount>;

inline std::wstring& FieldOf(ContactFields& fields, VCardField f) { return fields[static_cast<std::size_t>(f)]; }
inline const std::wstring& FieldOf(const ContactFields& fields, VCardField f) {
  return fields[static_cast<std::size_t>(f)];
}

// One property set on the new item: a text, or (for Birthday) a date.
struct PropertySet {
  std::wstring_view property;  // one of store::property
  std::wstring text;
  std::optional<store::Date> date;
  friend bool operator==(const PropertySet&, const PropertySet&) = default;
};

// The property sets for one contact, in the order the store receives them.
// `separator` is the text the reader put between the lines of one field, as
// the reader reports it. `out` is emptied first; its storage is reused.
void MapContact(const ContactFields& fields, std::wstring_view separator, std::vector<PropertySet>& out);

// The pieces of the cleaning, exposed for their own tests.

// `value` with every line feed removed.
std::wstring RemoveLineFeeds(std::wstring_view value);
using ui::TrimChars;
using ui::TrimSpaces;
// The text of the NOTE value as the Body receives it.
std::wstring BodyText(std::wstring_view note, std::wstring_view separator);
// The date a BDAY or ANNIVERSARY value names: YYYYMMDD or YYYY-MM-DD,
// either optionally followed by "T" and a time. None for anything else
// (a date without a year among them) or a day that does not exist (month
// 13, 30 February).
std::optional<store::Date> ParseDate(std::wstring_view value);

}  // namespace pindrel
