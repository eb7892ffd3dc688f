// The contact schema: one row per contact property (contact_properties.h),
// as a table C++ can walk. The program and the local store both link it;
// neither depends on the other.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace contact_schema {

// How a property's value stands in a card (see contact_properties.h).
enum class Form : std::uint8_t { Line, Part, Street, List, Note, None, Date, Default };

enum class Id : std::uint8_t {
#define CONTACT_TEXT(member, ...) member,
#define CONTACT_DATE(member, ...) member,
#define ITEM_DEFAULT_TEXT(member, tag) member,
#include "contact_properties.h"
#undef CONTACT_TEXT
#undef CONTACT_DATE
#undef ITEM_DEFAULT_TEXT
};

struct Property {
  Id id;
  std::string_view member;  // the store library's member name
  std::wstring_view name;   // the same, as the program's texts are
  std::uint16_t tag;        // the local store's record tag
  Form form;
  std::string_view vcard;   // the vCard property, upper case; empty for none
  std::string_view types;   // lower case, comma-separated, in the order written
  std::int8_t part;         // its part of a structured value; -1 for a whole value
  std::uint8_t line;        // its line in the local store's card; 0 for none

  constexpr bool IsDate() const { return form == Form::Date; }
  constexpr bool HasVCardForm() const { return !vcard.empty(); }
};

inline constexpr Property kProperties[] = {
#define CONTACT_TEXT(member, tag, form, vcard, types, part, line) \
  {Id::member, #member, L"" #member, tag, Form::form##_FORM, vcard, types, part, line},
#define CONTACT_DATE(member, tag, vcard, line) {Id::member, #member, L"" #member, tag, Form::Date, vcard, "", -1, line},
#define ITEM_DEFAULT_TEXT(member, tag) {Id::member, #member, L"" #member, tag, Form::Default, "", "", -1, 0},
#define LINE_FORM Line
#define PART_FORM Part
#define STREET_FORM Street
#define LIST_FORM List
#define NOTE_FORM Note
#define NONE_FORM None
#include "contact_properties.h"
#undef CONTACT_TEXT
#undef CONTACT_DATE
#undef ITEM_DEFAULT_TEXT
#undef LINE_FORM
#undef PART_FORM
#undef STREET_FORM
#undef LIST_FORM
#undef NOTE_FORM
#undef NONE_FORM
};

inline constexpr std::size_t kCount = std::size(kProperties);

constexpr const Property& Row(Id id) { return kProperties[static_cast<std::size_t>(id)]; }
constexpr std::wstring_view NameOf(Id id) { return Row(id).name; }

// The row of a member name (compared exactly, as the store's names are);
// none for a name that is no contact property.
const Property* Find(std::wstring_view name);
const Property* Find(std::string_view member);

// The rows that make up one structured value (N, ORG, ADR of one kind), by
// part; an empty place where no property holds that part.
struct Structure {
  std::array<std::optional<Id>, 7> parts{};
  std::size_t size = 0;  // one past the last part a property holds
};
constexpr Structure StructureOf(std::string_view vcard, std::string_view types) {
  Structure s;
  for (const Property& p : kProperties)
    if (p.vcard == vcard && p.types == types && p.part >= 0) {
      s.parts[static_cast<std::size_t>(p.part)] = p.id;
      if (static_cast<std::size_t>(p.part) + 1 > s.size) s.size = static_cast<std::size_t>(p.part) + 1;
    }
  return s;
}

// Where a kind of value may go when a card has several of it: its homes,
// first choice first, and the label it is kept under in the notes when
// every one is taken. A property may be a later home of several kinds (the
// other telephone number takes what the work, home and mobile ones cannot).
struct FallThrough {
  std::wstring_view label;
  std::span<const Id> homes;
};

namespace homes {
inline constexpr Id kWorkPhone[] = {Id::BusinessTelephoneNumber, Id::Business2TelephoneNumber,
                                    Id::OtherTelephoneNumber};
inline constexpr Id kHomePhone[] = {Id::HomeTelephoneNumber, Id::Home2TelephoneNumber, Id::OtherTelephoneNumber};
inline constexpr Id kMobilePhone[] = {Id::MobileTelephoneNumber, Id::OtherTelephoneNumber};
inline constexpr Id kOtherPhone[] = {Id::OtherTelephoneNumber, Id::Home2TelephoneNumber,
                                     Id::Business2TelephoneNumber};
inline constexpr Id kWorkFax[] = {Id::BusinessFaxNumber, Id::OtherFaxNumber};
inline constexpr Id kHomeFax[] = {Id::HomeFaxNumber, Id::OtherFaxNumber};
inline constexpr Id kOtherFax[] = {Id::OtherFaxNumber};
inline constexpr Id kPager[] = {Id::PagerNumber};
inline constexpr Id kCar[] = {Id::CarTelephoneNumber};
inline constexpr Id kIsdn[] = {Id::ISDNNumber};
inline constexpr Id kCompanyMain[] = {Id::CompanyMainTelephoneNumber};
inline constexpr Id kAssistant[] = {Id::AssistantTelephoneNumber};
inline constexpr Id kCallback[] = {Id::CallbackTelephoneNumber};
inline constexpr Id kRadio[] = {Id::RadioTelephoneNumber};
inline constexpr Id kTelex[] = {Id::TelexNumber};
inline constexpr Id kTty[] = {Id::TTYTDDTelephoneNumber};
inline constexpr Id kPrimary[] = {Id::PrimaryTelephoneNumber};
inline constexpr Id kEmail[] = {Id::Email1Address, Id::Email2Address, Id::Email3Address};
inline constexpr Id kWorkWeb[] = {Id::BusinessHomePage, Id::WebPage};
inline constexpr Id kHomeWeb[] = {Id::PersonalHomePage, Id::WebPage};
inline constexpr Id kOtherWeb[] = {Id::WebPage};
inline constexpr Id kIm[] = {Id::IMAddress};
}  // namespace homes

inline constexpr FallThrough kWorkPhone{L"Work phone", homes::kWorkPhone};
inline constexpr FallThrough kHomePhone{L"Home phone", homes::kHomePhone};
inline constexpr FallThrough kMobilePhone{L"Mobile phone", homes::kMobilePhone};
inline constexpr FallThrough kOtherPhone{L"Other phone", homes::kOtherPhone};
inline constexpr FallThrough kWorkFax{L"Work fax", homes::kWorkFax};
inline constexpr FallThrough kHomeFax{L"Home fax", homes::kHomeFax};
inline constexpr FallThrough kOtherFax{L"Fax", homes::kOtherFax};
inline constexpr FallThrough kPager{L"Pager", homes::kPager};
inline constexpr FallThrough kCar{L"Car phone", homes::kCar};
inline constexpr FallThrough kIsdn{L"ISDN", homes::kIsdn};
inline constexpr FallThrough kCompanyMain{L"Company main phone", homes::kCompanyMain};
inline constexpr FallThrough kAssistant{L"Assistant's phone", homes::kAssistant};
inline constexpr FallThrough kCallback{L"Callback", homes::kCallback};
inline constexpr FallThrough kRadio{L"Radio phone", homes::kRadio};
inline constexpr FallThrough kTelex{L"Telex", homes::kTelex};
inline constexpr FallThrough kTty{L"TTY/TDD phone", homes::kTty};
inline constexpr FallThrough kEmail{L"E-mail", homes::kEmail};
inline constexpr FallThrough kWorkWeb{L"Web page", homes::kWorkWeb};
inline constexpr FallThrough kHomeWeb{L"Web page", homes::kHomeWeb};
inline constexpr FallThrough kOtherWeb{L"Web page", homes::kOtherWeb};
inline constexpr FallThrough kIm{L"IM", homes::kIm};

// An address of one kind: the rows of its ADR parts and its label in the
// notes.
struct AddressKind {
  std::wstring_view label;
  Structure parts;
};
inline constexpr AddressKind kWorkAddress{L"Work address", StructureOf("ADR", "work")};
inline constexpr AddressKind kHomeAddress{L"Home address", StructureOf("ADR", "home")};
inline constexpr AddressKind kOtherAddress{L"Address", StructureOf("ADR", "postal")};

}  // namespace contact_schema
