// One item of a folder as the store keeps it: its message class, the text
// properties of a contact, the birthday, the anniversary and the picture. Every item
// carries the same set; a distribution list simply leaves the contact
// fields empty.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "contact_schema.h"

namespace localstore {

// The text properties of the contact schema (contact_properties.h), each
// at its record tag less one.
enum class Text : std::uint8_t {
#define CONTACT_TEXT(member, tag, ...) member = tag - 1,
#define ITEM_DEFAULT_TEXT CONTACT_TEXT
#define CONTACT_DATE(...)
#include "contact_properties.h"
#undef CONTACT_TEXT
#undef ITEM_DEFAULT_TEXT
#undef CONTACT_DATE
};
#define CONTACT_TEXT(...) +1
#define ITEM_DEFAULT_TEXT CONTACT_TEXT
#define CONTACT_DATE(...)
inline constexpr std::size_t kTextCount = 0
#include "contact_properties.h"
    ;
#undef CONTACT_TEXT
#undef ITEM_DEFAULT_TEXT
#undef CONTACT_DATE

// The record tags of the two dates.
inline constexpr std::uint16_t kTagBirthday = contact_schema::Row(contact_schema::Id::Birthday).tag;
inline constexpr std::uint16_t kTagAnniversary = contact_schema::Row(contact_schema::Id::Anniversary).tag;

// The member name of a text property ("FirstName", ...).
std::string_view TextName(Text t);

inline constexpr std::u16string_view kContactClass = u"IPM.Contact";
inline constexpr std::u16string_view kDistListClass = u"IPM.DistList";

struct Item {
  std::u16string message_class;
  std::array<std::u16string, kTextCount> text;
  // OLE automation dates (days since 30 December 1899); unset when the
  // contact has none.
  std::optional<double> birthday;
  std::optional<double> anniversary;
  // The contact's picture (picture.h); empty for none.
  std::string picture;

  const std::u16string& Get(Text t) const { return text[static_cast<std::size_t>(t)]; }
  // The date of a date row of the schema (by its tag).
  const std::optional<double>& DateOf(std::uint16_t tag) const { return tag == kTagAnniversary ? anniversary : birthday; }
  std::optional<double>& DateOf(std::uint16_t tag) { return tag == kTagAnniversary ? anniversary : birthday; }
  void Set(Text t, std::u16string_view value) { text[static_cast<std::size_t>(t)].assign(value); }
  bool operator==(const Item&) const = default;
};

// Calendar dates and OLE automation dates, for the birthday and the
// anniversary.
struct CivilDate {
  int year = 0, month = 0, day = 0;
  bool operator==(const CivilDate&) const = default;
};
// The date of the day an automation date falls on (its time is dropped).
CivilDate ToCivil(double ole_date);
// The automation date of midnight at the start of `date`; nothing when it is
// not a date of the Gregorian calendar between the years 100 and 9999.
std::optional<double> FromCivil(CivilDate date);

}  // namespace localstore
