// The contact mapping: each row of the table with its condition, the
// components of N, ORG and ADR, the trimmed rows, the Body and Birthday
// rules, and the cleaning that keeps line feeds and the reader's separator
// out of every stored field.
#include "contact_mapping.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <utility>
#include <vector>

namespace {

using pindrel::ContactFields;
using pindrel::MapContact;
using pindrel::PropertySet;
using pindrel::VCardField;
using pindrel::store::Date;
namespace property = pindrel::store::property;

const std::wstring kSep = L"$$NEWLINE$$";

std::wstring Shown(const PropertySet& set) {
  if (!set.date) return set.text;
  wchar_t text[16];
  std::swprintf(text, 16, L"%04d-%02d-%02d", set.date->year, set.date->month, set.date->day);
  return text;
}

// Property name to the value set (a date as YYYY-MM-DD); absent: not set.
std::map<std::wstring, std::wstring> Map(const std::vector<std::pair<VCardField, std::wstring>>& in,
                                         const std::wstring& separator = kSep) {
  ContactFields fields;
  for (const auto& [field, value] : in) pindrel::FieldOf(fields, field) = value;
  std::vector<PropertySet> sets;
  MapContact(fields, separator, sets);
  std::map<std::wstring, std::wstring> out;
  for (const PropertySet& s : sets) {
    EXPECT_TRUE(out.emplace(std::wstring(s.property), Shown(s)).second) << "set twice";
    // Nothing of the file's line structure reaches the store: no separator
    // anywhere, no line feed but those of the CR LF pairs of Body and of an
    // encoded line break in a street.
    std::string name(s.property.begin(), s.property.end());
    EXPECT_EQ(s.text.find(separator), std::wstring::npos) << "separator in " << name;
    const bool multiline = s.property == property::Body || name.ends_with("AddressStreet");
    for (std::size_t i = 0; i < s.text.size(); ++i) {
      if (s.text[i] == L'\n') {
        EXPECT_TRUE(multiline && i > 0 && s.text[i - 1] == L'\r') << name;
      }
    }
  }
  return out;
}

constexpr const wchar_t* kUnset = nullptr;

struct Case {
  const char* name;
  std::vector<std::pair<VCardField, std::wstring>> in;
  // Property, and the value it must get; kUnset: it must not be set.
  std::vector<std::pair<std::wstring_view, const wchar_t*>> want;
  std::wstring separator = kSep;
};

TEST(ContactMapping, RowsConditionsAndCleaning) {
  using F = VCardField;
  const std::vector<Case> cases = {
      // N: family; given; additional; prefix; suffix.
      {"all five name components",
       {{F::Name, L"Doe;John;Q;Dr.;Jr.\n"}},
       {{property::FirstName, L"John"}, {property::MiddleName, L"Q"}, {property::LastName, L"Doe"},
        {property::Title, L"Dr."}, {property::Suffix, L"Jr."}}},
      {"two name components: no line feed left on the given name",
       {{F::Name, L"Doe;John\n"}},
       {{property::FirstName, L"John"}, {property::LastName, L"Doe"}, {property::MiddleName, kUnset},
        {property::Title, kUnset}, {property::Suffix, kUnset}}},
      {"a prefix of \"0\" is none; a suffix \"0\" with its line feed is still set",
       {{F::Name, L"Doe;John;;0;0\n"}},
       {{property::MiddleName, L""}, {property::Title, kUnset}, {property::Suffix, L"0"}}},
      {"a suffix of exactly \"0\" (a sixth component follows) is none",
       {{F::Name, L"Doe;John;;0;0;x\n"}},
       {{property::Title, kUnset}, {property::Suffix, kUnset}, {property::FirstName, L"John"}}},
      {"a family name only",
       {{F::Name, L"Doe\n"}},
       {{property::LastName, L"Doe"}, {property::FirstName, kUnset}, {property::MiddleName, kUnset}}},
      {"no N: no name row at all",
       {},
       {{property::LastName, kUnset}, {property::FirstName, kUnset}, {property::Title, kUnset}}},
      {"N given twice: the first one counts",
       {{F::Name, L"Doe;John\n$$NEWLINE$$Roe;Jane\n"}},
       {{property::FirstName, L"John"}, {property::LastName, L"Doe"}}},
      // Whole-value rows: set on every contact, line feeds removed.
      {"names and titles keep their spaces",
       {{F::FullName, L" Ann Lee \n"}, {F::NickName, L"Annie\n"}, {F::Title, L" Boss\n"}},
       {{property::FullName, L" Ann Lee "}, {property::NickName, L"Annie"}, {property::JobTitle, L" Boss"}}},
      {"empty whole-value rows are set to empty text",
       {},
       {{property::FullName, L""}, {property::NickName, L""}, {property::JobTitle, L""},
        {property::BusinessTelephoneNumber, L""}, {property::Email1Address, L""}, {property::WebPage, L""},
        {property::Profession, L""}, {property::Body, L""}, {property::Birthday, kUnset},
        {property::CompanyName, kUnset}, {property::Department, kUnset}, {property::OfficeLocation, kUnset},
        {property::HomeAddressStreet, kUnset}}},
      {"a text field with two lines joins them with a comma",
       {{F::FullName, L"Ann\n$$NEWLINE$$Lee\n"}, {F::TelephoneCellVoice, L" 555 1 \n$$NEWLINE$$ 555 2\n"}},
       {{property::FullName, L"Ann, Lee"}, {property::MobileTelephoneNumber, L"555 1, 555 2"}}},
      {"telephones, mail, web page and role are trimmed",
       {{F::WorkTelephoneVoice, L" 555 0100 \n"},
        {F::WorkTelephoneFax, L"  555 0101\n"},
        {F::HomeTelephoneVoice, L"555 0102  \n"},
        {F::HomeTelephoneFax, L" 555 0103\n"},
        {F::TelephoneCellVoice, L" 555 0104\n"},
        {F::TelephonePagerVoice, L" 555 0105 \n"},
        {F::EmailPrefInternet, L" ann@example.com \n"},
        {F::WorkUrl, L" http://example.com/ \n"},
        {F::Role, L" Engineer\n"}},
       {{property::BusinessTelephoneNumber, L"555 0100"},
        {property::BusinessFaxNumber, L"555 0101"},
        {property::HomeTelephoneNumber, L"555 0102"},
        {property::HomeFaxNumber, L"555 0103"},
        {property::MobileTelephoneNumber, L"555 0104"},
        {property::PagerNumber, L"555 0105"},
        {property::Email1Address, L"ann@example.com"},
        {property::WebPage, L"http://example.com/"},
        {property::Profession, L"Engineer"}}},
      {"only spaces, not tabs, are trimmed",
       {{F::WorkTelephoneVoice, L"\t555 \n"}},
       {{property::BusinessTelephoneNumber, L"\t555"}}},
      // ORG: organisation; unit.
      {"ORG without \";\": no line feed on the company, no department",
       {{F::Org, L"Acme\n"}},
       {{property::CompanyName, L"Acme"}, {property::Department, kUnset}}},
      {"ORG with a unit: the department is trimmed, the company not",
       {{F::Org, L" Acme ; Sales \n"}},
       {{property::CompanyName, L" Acme "}, {property::Department, L"Sales"}}},
      // ADR: box; extended; street; locality; region; code; country.
      {"a full work address",
       {{F::Work_Address, L"PO 1;Room 2;1 Main St;Town;ST;12345; Land \n"}},
       {{property::BusinessAddressStreet, L"1 Main St"}, {property::BusinessAddressCity, L"Town"},
        {property::BusinessAddressState, L"ST"}, {property::BusinessAddressPostalCode, L"12345"},
        {property::BusinessAddressCountry, L"Land"}, {property::OfficeLocation, L"Room 2"}}},
      {"a short work address sets the rows it has",
       {{F::Work_Address, L";Room 2;1 Main St;Town\n"}},
       {{property::OfficeLocation, L"Room 2"}, {property::BusinessAddressStreet, L"1 Main St"},
        {property::BusinessAddressCity, L"Town"}, {property::BusinessAddressState, kUnset},
        {property::BusinessAddressPostalCode, kUnset}, {property::BusinessAddressCountry, kUnset}}},
      {"a full home address",
       {{F::HomeAddress, L";;2 Elm St;City;RG;54321;Country\n"}},
       {{property::HomeAddressStreet, L"2 Elm St"}, {property::HomeAddressCity, L"City"},
        {property::HomeAddressState, L"RG"}, {property::HomeAddressPostalCode, L"54321"},
        {property::HomeAddressCountry, L"Country"}}},
      {"a short home address: no country",
       {{F::HomeAddress, L";;2 Elm St;City;RG\n"}},
       {{property::HomeAddressStreet, L"2 Elm St"}, {property::HomeAddressState, L"RG"},
        {property::HomeAddressPostalCode, kUnset}, {property::HomeAddressCountry, kUnset}}},
      {"a quoted-printable address broken by a soft line break keeps its later components",
       {{F::HomeAddress, L";;1 Main St=0D=0A=\n$$NEWLINE$$Apt 4;Springfield;IL;62701;USA\n"}},
       {{property::HomeAddressStreet, L"1 Main St\r\nApt 4"}, {property::HomeAddressCity, L"Springfield"},
        {property::HomeAddressState, L"IL"}, {property::HomeAddressPostalCode, L"62701"},
        {property::HomeAddressCountry, L"USA"}}},
      {"an address given twice: the first one counts",
       {{F::HomeAddress, L";;2 Elm St;City\n$$NEWLINE$$;;3 Oak St;Village\n"}},
       {{property::HomeAddressStreet, L"2 Elm St"}, {property::HomeAddressCity, L"City"}}},
      // Body.
      {"a one-line note", {{F::Note, L"Hello\n"}}, {{property::Body, L"Hello"}}},
      {"an encoded line break becomes CR LF",
       {{F::Note, L"one=0D=0Atwo\n"}},
       {{property::Body, L"one\r\ntwo"}}},
      {"=0D=0A then a soft line break: one line break, not two",
       {{F::Note, L"one=0D=0A=\n$$NEWLINE$$two\n"}},
       {{property::Body, L"one\r\ntwo"}}},
      {"an encoded line break split by a soft line break is still decoded",
       {{F::Note, L"Hello=0D=\n$$NEWLINE$$=0AWorld\n"}},
       {{property::Body, L"Hello\r\nWorld"}}},
      {"a soft line break inside a sentence joins with nothing",
       {{F::Note, L"a long sen=\n$$NEWLINE$$tence\n"}},
       {{property::Body, L"a long sentence"}}},
      {"two NOTE lines become two lines",
       {{F::Note, L"one\n$$NEWLINE$$two\n"}},
       {{property::Body, L"one\r\ntwo"}}},
      {"lower-case =0d=0a is left as written",
       {{F::Note, L"one=0d=0atwo\n"}},
       {{property::Body, L"one=0d=0atwo"}}},
      {"the reader's own separator is the one split at",
       {{F::Note, L"one<BR>two=\n<BR>three\n"}, {F::FullName, L"Ann<BR>Lee\n"}},
       {{property::Body, L"one\r\ntwothree"}, {property::FullName, L"Ann, Lee"}},
       L"<BR>"},
      // Birthday.
      {"basic form", {{F::BirthDay, L"19800125\n"}}, {{property::Birthday, L"1980-01-25"}}},
      {"extended form", {{F::BirthDay, L"1980-01-25\n"}}, {{property::Birthday, L"1980-01-25"}}},
      {"extended form with a time", {{F::BirthDay, L"1980-01-25T10:30:00Z\n"}}, {{property::Birthday, L"1980-01-25"}}},
      {"basic form with a time", {{F::BirthDay, L"19800125T103000\n"}}, {{property::Birthday, L"1980-01-25"}}},
      {"spaces around it", {{F::BirthDay, L"  1980-01-25 \n"}}, {{property::Birthday, L"1980-01-25"}}},
      {"29 February of a leap year", {{F::BirthDay, L"2000-02-29\n"}}, {{property::Birthday, L"2000-02-29"}}},
      {"month 13", {{F::BirthDay, L"1980-13-01\n"}}, {{property::Birthday, kUnset}}},
      {"30 February", {{F::BirthDay, L"19800230\n"}}, {{property::Birthday, kUnset}}},
      {"29 February of 1900", {{F::BirthDay, L"19000229\n"}}, {{property::Birthday, kUnset}}},
      {"day 0", {{F::BirthDay, L"19800100\n"}}, {{property::Birthday, kUnset}}},
      {"no year", {{F::BirthDay, L"--0125\n"}}, {{property::Birthday, kUnset}}},
      {"text after the date", {{F::BirthDay, L"19800125x\n"}}, {{property::Birthday, kUnset}}},
      {"not a date", {{F::BirthDay, L"soon\n"}}, {{property::Birthday, kUnset}}},
      {"only a line feed", {{F::BirthDay, L" \n"}}, {{property::Birthday, kUnset}}},
      {"BDAY given twice: the first one counts",
       {{F::BirthDay, L"1980-01-25\n$$NEWLINE$$1990-02-02\n"}},
       {{property::Birthday, L"1980-01-25"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::map<std::wstring, std::wstring> got = Map(c.in, c.separator);
    for (const auto& [prop, value] : c.want) {
      auto it = got.find(std::wstring(prop));
      std::string name(prop.begin(), prop.end());
      if (value == kUnset) {
        EXPECT_EQ(it, got.end()) << name << " must not be set";
      } else {
        ASSERT_NE(it, got.end()) << name << " must be set";
        EXPECT_EQ(it->second, value) << name;
      }
    }
  }
}

TEST(ContactMapping, SetsInTheTablesOrder) {
  ContactFields fields;
  for (auto& value : fields) value = L"x;x;x;x;x;x;x\n";
  pindrel::FieldOf(fields, VCardField::BirthDay) = L"19800125\n";
  std::vector<PropertySet> sets;
  MapContact(fields, kSep, sets);
  std::vector<std::wstring_view> order;
  for (const PropertySet& s : sets) order.push_back(s.property);
  const std::vector<std::wstring_view> want = {
      property::FirstName, property::MiddleName, property::LastName, property::Title, property::Suffix,
      property::FullName, property::NickName, property::JobTitle, property::CompanyName, property::Department,
      property::BusinessTelephoneNumber, property::BusinessFaxNumber, property::HomeTelephoneNumber,
      property::HomeFaxNumber, property::MobileTelephoneNumber, property::PagerNumber,
      property::BusinessAddressStreet, property::BusinessAddressCity, property::BusinessAddressState,
      property::BusinessAddressPostalCode, property::BusinessAddressCountry, property::OfficeLocation,
      property::HomeAddressStreet, property::HomeAddressCity, property::HomeAddressState,
      property::HomeAddressPostalCode, property::HomeAddressCountry, property::Email1Address, property::WebPage,
      property::Profession, property::Body, property::Birthday};
  EXPECT_EQ(order, want);
  // The birthday goes as a date, never as text the store would read in the
  // user's regional format.
  ASSERT_TRUE(sets.back().date.has_value());
  EXPECT_EQ(*sets.back().date, (Date{1980, 1, 25}));
  EXPECT_TRUE(sets.back().text.empty());
}

}  // namespace
