// The file is vCard 2.1 and is written for the program's decoded reading,
// which reads every property of it; the properties the older reading also
// knows keep the exact forms of its keyword table, and the further ones use
// forms it ignores, so that an older reader still finds what it always
// did. What the decoded reading and the import do decides how a value is
// written:
//
//  - The reading resolves backslash escapes in every value, so a backslash
//    is written "\\", and a ";" inside a part of N, ORG or ADR "\;" (those
//    are split at the unescaped ones).
//  - A street keeps its lines, written as "\n"; a line break inside any
//    other one-line value is written as ", ", as the import would make it.
//  - The import trims every one-line value (all but the notes and the
//    streets' lines): spaces around them are not kept.
//  - A title or suffix of exactly "0" cannot come back (exporters write "0"
//    for none); it is written all the same.
//  - NOTE is quoted-printable: line ends (of every kind, coming back as
//    CR LF, the form Windows text uses), "=" and blanks before a line end
//    are encoded, every other character is written as itself (UTF-8). Line
//    breaks at the very end of a note do not come back.
//  - Where a kind of value has two or three homes (work and home
//    telephones, e-mail addresses) the import fills them in order: a second
//    value written without a first comes back as the first.
//  - A telephone number that is only "preferred" is the primary one; every
//    other telephone line names the kind that leads to its own property.
//  - BDAY and ANNIVERSARY are the date alone (YYYYMMDD); a time of day is
//    not kept.
//  - Categories are written as a list separated by ","; a category that
//    itself holds a "," comes back as two.
//  - A contact without a full name gets one made of its name parts.
//  - FileAs and Subject have no vCard property.
//  - The picture is written as the mail client writes it:
//    "PHOTO;TYPE=JPEG;ENCODING=BASE64:" (or PNG, GIF, BMP), then the base64
//    on lines of 75 octets that start with a blank, then a blank line.
#include "vcard_writer.h"

#include <cstdio>
#include <string_view>

#include "picture.h"
#include "text.h"

namespace localstore {
namespace {

// Text with its backslashes escaped, and with `also` escaped too.
std::u16string Escaped(std::u16string_view value, char16_t also = u'\\') {
  std::u16string out;
  out.reserve(value.size());
  for (char16_t c : value) {
    if (c == u'\\' || c == also) out += u'\\';
    out += c;
  }
  return out;
}

// `value` with each line break (CR LF, LF or CR) as `with`.
std::u16string LineBreaksAs(std::u16string_view value, std::u16string_view with) {
  std::u16string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    char16_t c = value[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n') ++i;
      out += with;
    } else {
      out += c;
    }
  }
  return out;
}

// One line of text for a single-line property: line breaks become ", ".
std::string OneLine(std::u16string_view value) { return ToUtf8(Escaped(LineBreaksAs(value, u", "))); }

// A part of a structured value: one line, its ";"s escaped.
std::string Part(std::u16string_view value) { return ToUtf8(Escaped(LineBreaksAs(value, u", "), u';')); }

// A street keeps its lines.
std::string Street(std::u16string_view value) { return ToUtf8(LineBreaksAs(Escaped(value, u';'), u"\\n")); }

std::string NoteValue(std::u16string_view value) {
  std::string text = ToUtf8(Escaped(value));
  std::string out;
  out.reserve(text.size() + 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    const bool line_end = i + 1 == text.size() || text[i + 1] == '\r' || text[i + 1] == '\n';
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "=0D=0A";
    } else if (c == '=') {
      // Read as the start of a code, or at the end as a soft line break.
      out += "=3D";
    } else if ((c == ' ' || c == '\t') && line_end) {
      // Decoders drop blanks at the end of an encoded line.
      out += c == ' ' ? "=20" : "=09";
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
  void Picture(std::string_view bytes) {
    const std::string_view format = PictureFormat(bytes);
    if (format.empty()) return;  // the store keeps nothing else
    text_ += "PHOTO;TYPE=";
    text_.append(format);
    text_ += ";ENCODING=BASE64:\r\n";
    const std::string base64 = Base64(bytes);
    text_.reserve(text_.size() + base64.size() / 74 * 77 + 80);
    for (std::size_t at = 0; at < base64.size(); at += 74) {
      text_ += ' ';
      text_.append(base64, at, 74);
      text_ += "\r\n";
    }
    text_ += "\r\n";
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

std::string Joined(const Item& item, std::initializer_list<Text> fields) {
  std::string value;
  bool first = true;
  for (Text t : fields) {
    if (!first) value += ';';
    first = false;
    value += Part(item.Get(t));
  }
  return value;
}

// An address: post office box; extended address (none: a street's further
// lines stay in the street); street; city; state; postal code; country.
std::string Address(const Item& item, Text box, Text street, Text city, Text state, Text code, Text country) {
  std::string value = Part(item.Get(box)) + ";;" + Street(item.Get(street));
  for (Text t : {city, state, code, country}) value += ';' + Part(item.Get(t));
  return value;
}

// The store's "a, b" as vCard's "a,b".
std::string CategoryList(std::u16string_view value) {
  std::string out;
  for (;;) {
    std::size_t comma = value.find(u',');
    std::u16string_view item = value.substr(0, comma);
    while (!item.empty() && item.front() == u' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == u' ') item.remove_suffix(1);
    if (!item.empty()) {
      if (!out.empty()) out += ',';
      out += OneLine(item);
    }
    if (comma == std::u16string_view::npos) return out;
    value.remove_prefix(comma + 1);
  }
}

std::string DateText(double ole_date) {
  CivilDate date = ToCivil(ole_date);
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", date.year, date.month, date.day);
  return text;
}

}  // namespace

std::string WriteVCard(const Item& item) {
  using enum Text;
  Card card;
  card.Line("BEGIN", "VCARD");
  card.Line("VERSION", "2.1");
  card.Line("N", Joined(item, {LastName, FirstName, MiddleName, Title, Suffix}));
  card.Single("FN", item.Get(FullName));
  card.Single("NICKNAME", item.Get(NickName));
  card.Single("X-INITIALS", item.Get(Initials));
  card.Single("TITLE", item.Get(JobTitle));
  // A company without a department is written without the ";".
  if (AnySet(item, {CompanyName, Department})) {
    std::string org = Part(item.Get(CompanyName));
    if (!item.Get(Department).empty()) org += ';' + Part(item.Get(Department));
    card.Line("ORG", org);
  }
  card.Single("X-OFFICE", item.Get(OfficeLocation));
  card.Single("X-MANAGER", item.Get(ManagerName));
  card.Single("X-ASSISTANT", item.Get(AssistantName));
  card.Single("X-SPOUSE", item.Get(Spouse));
  card.Single("X-CHILDREN", item.Get(Children));
  // Each telephone line lands in its own property; the order matters where
  // a kind has a second home (see above).
  card.Single("TEL;WORK;VOICE", item.Get(BusinessTelephoneNumber));
  card.Single("TEL;VOICE;WORK", item.Get(Business2TelephoneNumber));
  card.Single("TEL;WORK;FAX", item.Get(BusinessFaxNumber));
  card.Single("TEL;HOME;VOICE", item.Get(HomeTelephoneNumber));
  card.Single("TEL;VOICE;HOME", item.Get(Home2TelephoneNumber));
  card.Single("TEL;HOME;FAX", item.Get(HomeFaxNumber));
  card.Single("TEL;CELL;VOICE", item.Get(MobileTelephoneNumber));
  card.Single("TEL;PAGER;VOICE", item.Get(PagerNumber));
  card.Single("TEL;VOICE", item.Get(OtherTelephoneNumber));
  card.Single("TEL;FAX", item.Get(OtherFaxNumber));
  card.Single("TEL;PREF", item.Get(PrimaryTelephoneNumber));
  card.Single("TEL;CAR;VOICE", item.Get(CarTelephoneNumber));
  card.Single("TEL;ISDN", item.Get(ISDNNumber));
  card.Single("TEL;ASSISTANT", item.Get(AssistantTelephoneNumber));
  card.Single("TEL;CALLBACK", item.Get(CallbackTelephoneNumber));
  card.Single("TEL;MAIN", item.Get(CompanyMainTelephoneNumber));
  card.Single("TEL;RADIO", item.Get(RadioTelephoneNumber));
  card.Single("TEL;TLX", item.Get(TelexNumber));
  card.Single("TEL;TEXTPHONE", item.Get(TTYTDDTelephoneNumber));
  if (AnySet(item, {BusinessAddressPostOfficeBox, BusinessAddressStreet, BusinessAddressCity,
                    BusinessAddressState, BusinessAddressPostalCode, BusinessAddressCountry}))
    card.Line("ADR;WORK", Address(item, BusinessAddressPostOfficeBox, BusinessAddressStreet, BusinessAddressCity,
                                  BusinessAddressState, BusinessAddressPostalCode, BusinessAddressCountry));
  if (AnySet(item, {HomeAddressPostOfficeBox, HomeAddressStreet, HomeAddressCity, HomeAddressState,
                    HomeAddressPostalCode, HomeAddressCountry}))
    card.Line("ADR;HOME", Address(item, HomeAddressPostOfficeBox, HomeAddressStreet, HomeAddressCity,
                                  HomeAddressState, HomeAddressPostalCode, HomeAddressCountry));
  if (AnySet(item, {OtherAddressPostOfficeBox, OtherAddressStreet, OtherAddressCity, OtherAddressState,
                    OtherAddressPostalCode, OtherAddressCountry}))
    card.Line("ADR;POSTAL", Address(item, OtherAddressPostOfficeBox, OtherAddressStreet, OtherAddressCity,
                                    OtherAddressState, OtherAddressPostalCode, OtherAddressCountry));
  card.Single("EMAIL;PREF;INTERNET", item.Get(Email1Address));
  card.Single("EMAIL;INTERNET", item.Get(Email2Address));
  card.Single("EMAIL;INTERNET", item.Get(Email3Address));
  card.Single("IMPP", item.Get(IMAddress));
  card.Single("URL", item.Get(WebPage));
  card.Single("URL;WORK", item.Get(BusinessHomePage));
  card.Single("URL;HOME", item.Get(PersonalHomePage));
  card.Single("ROLE", item.Get(Profession));
  if (!item.Get(Categories).empty()) card.Line("CATEGORIES", CategoryList(item.Get(Categories)));
  if (!item.Get(Body).empty()) card.Line("NOTE;ENCODING=QUOTED-PRINTABLE", NoteValue(item.Get(Body)));
  if (item.birthday) card.Line("BDAY", DateText(*item.birthday));
  if (item.anniversary) card.Line("ANNIVERSARY", DateText(*item.anniversary));
  card.Picture(item.picture);
  card.Line("END", "VCARD");
  return card.Finish();
}

}  // namespace localstore
