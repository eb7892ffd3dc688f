// What the import does with each line decides how a value is written:
//
//  - The reader splits N, ORG and ADR at every ";" with no escapes, so a ";"
//    inside a name, company or address part would shift every later part
//    into the wrong field. Such a ";" is written as ",": one character
//    changes, no field is damaged. (vCard's own "\;" would not help: the
//    import keeps the backslash and splits all the same.)
//  - Every property but NOTE must stay on one line (folded lines come back
//    as separate pieces, of which structured fields keep only the first),
//    so a line break inside any other field is written as ", ".
//  - The import trims the telephone numbers, Department, the countries, the
//    e-mail address, the web page and Profession: spaces around those are
//    not kept.
//  - A title of exactly "0" cannot come back (the import reads "0" there as
//    "no title"); it is written all the same. N always has all five parts,
//    so a suffix "0" does come back.
//  - NOTE is quoted-printable as the import decodes it: only line ends are
//    encoded, as =0D=0A, and every other character is written as itself
//    (UTF-8), because the import decodes nothing else. Line ends of every
//    kind (CR LF, LF alone, CR alone) come back as CR LF, the form Windows
//    text uses. A note that itself contains the text "=0D=0A" comes back
//    with a line break there.
//  - BDAY is the date alone (YYYYMMDD); a time of day on the birthday is
//    not kept.
//  - FileAs and Subject have no vCard property the reader knows.
#include "vcard_writer.h"

#include <cstdio>
#include <string_view>

#include "text.h"

namespace localstore {
namespace {

// One line of text for a single-line property: line breaks become ", ".
std::string OneLine(std::u16string_view value) {
  std::u16string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    char16_t c = value[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n') ++i;
      out += u", ";
    } else {
      out += c;
    }
  }
  return ToUtf8(out);
}

// A part of a structured value: one line, and no ";" of its own.
std::string Part(std::u16string_view value) {
  std::string text = OneLine(value);
  for (char& c : text)
    if (c == ';') c = ',';
  return text;
}

std::string NoteValue(std::u16string_view value) {
  std::string text = ToUtf8(value);
  std::string out;
  out.reserve(text.size() + 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "=0D=0A";
    } else {
      out += c;
    }
  }
  return out;
}

class Card {
 public:
  void Line(std::string_view name, std::string_view value) {
    text_.append(name);
    text_ += ':';
    text_.append(value);
    text_ += "\r\n";
  }
  // A single-line property, left out when empty (the import then sets
  // nothing, which reads back as the empty text it was).
  void Single(std::string_view name, std::u16string_view value) {
    if (!value.empty()) Line(name, OneLine(value));
  }
  std::string Finish() { return std::move(text_); }

 private:
  std::string text_;
};

bool AnySet(const Item& item, std::initializer_list<Text> fields) {
  for (Text t : fields)
    if (!item.Get(t).empty()) return true;
  return false;
}

std::string Joined(const Item& item, std::initializer_list<Text> fields, bool leading_empty) {
  std::string value;
  if (leading_empty) value += ';';
  bool first = true;
  for (Text t : fields) {
    if (!first) value += ';';
    first = false;
    value += Part(item.Get(t));
  }
  return value;
}

}  // namespace

std::string WriteVCard(const Item& item) {
  using enum Text;
  Card card;
  card.Line("BEGIN", "VCARD");
  card.Line("VERSION", "2.1");
  card.Line("N", Joined(item, {LastName, FirstName, MiddleName, Title, Suffix}, false));
  card.Single("FN", item.Get(FullName));
  card.Single("NICKNAME", item.Get(NickName));
  card.Single("TITLE", item.Get(JobTitle));
  // A company without a department is written without the ";": the import
  // then leaves Department unset, as it was, instead of setting it empty.
  if (AnySet(item, {CompanyName, Department})) {
    std::string org = Part(item.Get(CompanyName));
    if (!item.Get(Department).empty()) org += ';' + Part(item.Get(Department));
    card.Line("ORG", org);
  }
  card.Single("TEL;WORK;VOICE", item.Get(BusinessTelephoneNumber));
  card.Single("TEL;WORK;FAX", item.Get(BusinessFaxNumber));
  card.Single("TEL;HOME;VOICE", item.Get(HomeTelephoneNumber));
  card.Single("TEL;HOME;FAX", item.Get(HomeFaxNumber));
  card.Single("TEL;CELL;VOICE", item.Get(MobileTelephoneNumber));
  card.Single("TEL;PAGER;VOICE", item.Get(PagerNumber));
  // The post office box is never used; the extended address carries the
  // office location on the work address.
  if (AnySet(item, {OfficeLocation, BusinessAddressStreet, BusinessAddressCity, BusinessAddressState,
                    BusinessAddressPostalCode, BusinessAddressCountry}))
    card.Line("ADR;WORK", Joined(item, {OfficeLocation, BusinessAddressStreet, BusinessAddressCity,
                                        BusinessAddressState, BusinessAddressPostalCode,
                                        BusinessAddressCountry},
                                 true));
  if (AnySet(item, {HomeAddressStreet, HomeAddressCity, HomeAddressState, HomeAddressPostalCode,
                    HomeAddressCountry}))
    card.Line("ADR;HOME", ";;" + Joined(item, {HomeAddressStreet, HomeAddressCity, HomeAddressState,
                                               HomeAddressPostalCode, HomeAddressCountry},
                                        false));
  card.Single("EMAIL;PREF;INTERNET", item.Get(Email1Address));
  card.Single("URL;WORK", item.Get(WebPage));
  card.Single("ROLE", item.Get(Profession));
  if (!item.Get(Body).empty()) card.Line("NOTE;ENCODING=QUOTED-PRINTABLE", NoteValue(item.Get(Body)));
  if (item.birthday) {
    CivilDate date = ToCivil(*item.birthday);
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", date.year, date.month, date.day);
    card.Line("BDAY", text);
  }
  card.Line("END", "VCARD");
  return card.Finish();
}

}  // namespace localstore
