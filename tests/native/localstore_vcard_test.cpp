// The local store's vCard writer against the program's own reader core: the
// exact lines written, every line a keyword of the reader's table, and each
// contact read back through the import's mapping with the same values.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "item.h"
#include "byte_source.h"
#include "internal/keywords.h"
#include "text.h"
#include "vcard_stream.h"
#include "vcard_writer.h"

namespace localstore {
namespace {

using tessary::Field;

Item Full() {
  Item item;
  item.message_class = u"IPM.Contact";
  const std::pair<Text, std::u16string> values[] = {
      {Text::FirstName, u"J\u00fcrgen"}, {Text::MiddleName, u"Q"}, {Text::LastName, u"M\u00fcller"},
      {Text::Title, u"Dr."}, {Text::Suffix, u"Jr."}, {Text::FullName, u"Dr. J\u00fcrgen Q M\u00fcller Jr."},
      {Text::NickName, u"J\u00fcrg"}, {Text::JobTitle, u"Chief"}, {Text::CompanyName, u"Acme"},
      {Text::Department, u"R&D"}, {Text::BusinessTelephoneNumber, u"+49 30 1"},
      {Text::BusinessFaxNumber, u"+49 30 2"}, {Text::HomeTelephoneNumber, u"+49 30 3"},
      {Text::HomeFaxNumber, u"+49 30 4"}, {Text::MobileTelephoneNumber, u"+49 170 5"},
      {Text::PagerNumber, u"+49 30 6"}, {Text::BusinessAddressStreet, u"Hauptstra\u00dfe 1"},
      {Text::BusinessAddressCity, u"Berlin"}, {Text::BusinessAddressState, u"BE"},
      {Text::BusinessAddressPostalCode, u"10115"}, {Text::BusinessAddressCountry, u"Germany"},
      {Text::OfficeLocation, u"Room 4"}, {Text::HomeAddressStreet, u"Weg 2"},
      {Text::HomeAddressCity, u"K\u00f6ln"}, {Text::HomeAddressState, u"NW"},
      {Text::HomeAddressPostalCode, u"50667"}, {Text::HomeAddressCountry, u"Deutschland"},
      {Text::Email1Address, u"j@example.org"}, {Text::WebPage, u"http://example.org/"},
      {Text::Profession, u"Engineer"}, {Text::Body, u"Line one\r\nLine two = \u20ac"},
      {Text::FileAs, u"M\u00fcller, J\u00fcrgen"},
  };
  for (const auto& [field, value] : values) item.Set(field, value);
  item.birthday = FromCivil({1980, 1, 25});
  return item;
}

TEST(VCardWriter, WritesTheReadersPropertyForms) {
  const std::string expected =
      "BEGIN:VCARD\r\n"
      "VERSION:2.1\r\n"
      "N:M\xc3\xbcller;J\xc3\xbcrgen;Q;Dr.;Jr.\r\n"
      "FN:Dr. J\xc3\xbcrgen Q M\xc3\xbcller Jr.\r\n"
      "NICKNAME:J\xc3\xbcrg\r\n"
      "TITLE:Chief\r\n"
      "ORG:Acme;R&D\r\n"
      "TEL;WORK;VOICE:+49 30 1\r\n"
      "TEL;WORK;FAX:+49 30 2\r\n"
      "TEL;HOME;VOICE:+49 30 3\r\n"
      "TEL;HOME;FAX:+49 30 4\r\n"
      "TEL;CELL;VOICE:+49 170 5\r\n"
      "TEL;PAGER;VOICE:+49 30 6\r\n"
      "ADR;WORK:;Room 4;Hauptstra\xc3\x9f" "e 1;Berlin;BE;10115;Germany\r\n"
      "ADR;HOME:;;Weg 2;K\xc3\xb6ln;NW;50667;Deutschland\r\n"
      "EMAIL;PREF;INTERNET:j@example.org\r\n"
      "URL;WORK:http://example.org/\r\n"
      "ROLE:Engineer\r\n"
      "NOTE;ENCODING=QUOTED-PRINTABLE:Line one=0D=0ALine two = \xe2\x82\xac\r\n"
      "BDAY:19800125\r\n"
      "END:VCARD\r\n";
  EXPECT_EQ(WriteVCard(Full()), expected);

  Item empty;
  empty.message_class = u"IPM.Contact";
  EXPECT_EQ(WriteVCard(empty), "BEGIN:VCARD\r\nVERSION:2.1\r\nN:;;;;\r\nEND:VCARD\r\n");

  // No ";" after a company without a department: the import would set an
  // empty Department from it.
  Item company = empty;
  company.Set(Text::CompanyName, u"Acme");
  EXPECT_EQ(WriteVCard(company), "BEGIN:VCARD\r\nVERSION:2.1\r\nN:;;;;\r\nORG:Acme\r\nEND:VCARD\r\n");
}

TEST(VCardWriter, EveryLineIsAKeywordOfTheReader) {
  std::string text = WriteVCard(Full());
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    std::string line = text.substr(at, end - at);
    std::string name = line.substr(0, line.find(':'));
    EXPECT_NE(tessary::internal::FindKeyword(name), nullptr) << line;
    at = end + 2;
  }
}

// What the import sets from the reader's values (one piece per field, as
// the writer gives): line feeds removed, the ";" parts of N, ORG and ADR,
// trimmed telephones and friends, the note's =0D=0A as line ends, the
// birthday from its eight digits.
Item Import(const tessary::VCardStream& stream) {
  auto value = [&](Field f) {
    std::string v = stream.Current(f);
    std::erase(v, '\n');
    return v;
  };
  auto trim = [](std::string v) {
    v.erase(0, v.find_first_not_of(' '));
    v.erase(v.find_last_not_of(' ') + 1);
    return v;
  };
  // Split before the line feeds go: the "0" tests see the raw part.
  auto parts = [&](Field f) {
    std::vector<std::string> out;
    const std::string& v = stream.Current(f);
    if (v.empty()) return out;
    for (std::size_t start = 0;;) {
      std::size_t semi = v.find(';', start);
      out.push_back(v.substr(start, semi - start));
      if (semi == std::string::npos) break;
      start = semi + 1;
    }
    return out;
  };
  Item item;
  item.message_class = u"IPM.Contact";
  auto set = [&](Text t, std::string v) {
    std::erase(v, '\n');
    item.Set(t, FromUtf8(v));
  };
  auto set_part = [&](Text t, const std::vector<std::string>& p, std::size_t i, bool trimmed = false) {
    if (i >= p.size()) return;
    std::string v = p[i];
    std::erase(v, '\n');
    set(t, trimmed ? trim(v) : v);
  };
  auto name = parts(Field::Name);
  set_part(Text::FirstName, name, 1);
  set_part(Text::MiddleName, name, 2);
  set_part(Text::LastName, name, 0);
  if (name.size() > 3 && name[3] != "0") set(Text::Title, name[3]);
  if (name.size() > 4 && name[4] != "0") set(Text::Suffix, name[4]);
  set(Text::FullName, value(Field::FullName));
  set(Text::NickName, value(Field::NickName));
  set(Text::JobTitle, value(Field::Title));
  auto org = parts(Field::Org);
  set_part(Text::CompanyName, org, 0);
  set_part(Text::Department, org, 1, true);
  set(Text::BusinessTelephoneNumber, trim(value(Field::WorkTelephoneVoice)));
  set(Text::BusinessFaxNumber, trim(value(Field::WorkTelephoneFax)));
  set(Text::HomeTelephoneNumber, trim(value(Field::HomeTelephoneVoice)));
  set(Text::HomeFaxNumber, trim(value(Field::HomeTelephoneFax)));
  set(Text::MobileTelephoneNumber, trim(value(Field::TelephoneCellVoice)));
  set(Text::PagerNumber, trim(value(Field::TelephonePagerVoice)));
  auto work = parts(Field::Work_Address);
  set_part(Text::BusinessAddressStreet, work, 2);
  set_part(Text::BusinessAddressCity, work, 3);
  set_part(Text::BusinessAddressState, work, 4);
  set_part(Text::BusinessAddressPostalCode, work, 5);
  set_part(Text::BusinessAddressCountry, work, 6, true);
  set_part(Text::OfficeLocation, work, 1);
  auto home = parts(Field::HomeAddress);
  set_part(Text::HomeAddressStreet, home, 2);
  set_part(Text::HomeAddressCity, home, 3);
  set_part(Text::HomeAddressState, home, 4);
  set_part(Text::HomeAddressPostalCode, home, 5);
  set_part(Text::HomeAddressCountry, home, 6, true);
  set(Text::Email1Address, trim(value(Field::EmailPrefInternet)));
  set(Text::WebPage, trim(value(Field::WorkUrl)));
  set(Text::Profession, trim(value(Field::Role)));
  std::string body = value(Field::Note);
  for (std::size_t at; (at = body.find("=0D=0A")) != std::string::npos;) body.replace(at, 6, "\r\n");
  item.Set(Text::Body, FromUtf8(body));  // its line feeds are the decoded line ends
  std::string bday = trim(value(Field::BirthDay));
  if (bday.size() == 8)
    item.birthday = FromCivil({std::stoi(bday.substr(0, 4)), std::stoi(bday.substr(4, 2)),
                               std::stoi(bday.substr(6, 2))});
  return item;
}

Item ReadBack(const std::string& file) {
  struct Bytes : tessary::ByteSource {
    const std::string& data;
    std::size_t at = 0;
    explicit Bytes(const std::string& d) : data(d) {}
    std::size_t Read(char* into, std::size_t max) override {
      std::size_t n = std::min(max, data.size() - at);
      data.copy(into, n, at);
      at += n;
      return n;
    }
    bool Failed() const override { return false; }
  } bytes(file);
  tessary::VCardStream stream;
  stream.Open(bytes);
  EXPECT_EQ(stream.ContactCount(), 1);
  EXPECT_TRUE(stream.IsUtf8() || file.find_first_of("\x80\xff") == std::string::npos);
  stream.MoveFirst();
  return Import(stream);
}

TEST(VCardWriter, ContactsImportBackWithTheSameValues) {
  Item full = Full();
  Item expected_full = full;
  expected_full.Set(Text::FileAs, u"");  // no vCard property carries it

  Item awkward;
  awkward.message_class = u"IPM.Contact";
  awkward.Set(Text::LastName, u"O'Neil; Jr");
  awkward.Set(Text::CompanyName, u"A;B");
  awkward.Set(Text::BusinessAddressStreet, u"Line 1\r\nLine 2");
  awkward.Set(Text::HomeAddressCity, u"x");
  awkward.Set(Text::FullName, u"  spaced  ");
  awkward.Set(Text::MobileTelephoneNumber, u"  555 1234  ");
  awkward.Set(Text::Body, u"a\nb\rc\r\n\r\nd=e==0D==\r\n" + std::u16string(1200, u'x'));
  awkward.Set(Text::Suffix, u"0");
  awkward.birthday = 29245.5;  // noon
  Item expected_awkward = awkward;
  expected_awkward.Set(Text::LastName, u"O'Neil, Jr");
  expected_awkward.Set(Text::CompanyName, u"A,B");
  expected_awkward.Set(Text::BusinessAddressStreet, u"Line 1, Line 2");
  expected_awkward.Set(Text::MobileTelephoneNumber, u"555 1234");
  expected_awkward.Set(Text::Body, u"a\r\nb\r\nc\r\n\r\nd=e==0D==\r\n" + std::u16string(1200, u'x'));
  expected_awkward.birthday = 29245;

  Item dist;
  dist.message_class = u"IPM.Contact";
  dist.Set(Text::FirstName, u"\u0418\u0432\u0430\u043d");  // Cyrillic only

  struct Case { const char* what; Item item, expected; };
  const Case cases[] = {
      {"every field", full, expected_full},
      {"values that change on the way", awkward, expected_awkward},
      {"one field", dist, dist},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Item back = ReadBack(WriteVCard(c.item));
    for (std::size_t i = 0; i < kTextCount; ++i)
      EXPECT_EQ(ToUtf8(back.text[i]), ToUtf8(c.expected.text[i])) << TextName(static_cast<Text>(i));
    EXPECT_EQ(back.birthday, c.expected.birthday);
  }
}

}  // namespace
}  // namespace localstore
