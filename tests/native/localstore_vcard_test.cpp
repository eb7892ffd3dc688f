// The local store's vCard writer: the exact lines written, and each contact
// read back the way the program imports it (the reader core's decoded
// reading through the import's adapter, then the import's mapping) with the
// same values.
#include <gtest/gtest.h>

#include <string>

#include "card_mapping.h"
#include "core_vcard_reader.h"
#include "item.h"
#include "test_files.h"
#include "text.h"
#include "vcard_writer.h"

namespace localstore {
namespace {

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
      {Text::Business2TelephoneNumber, u"+49 30 7"}, {Text::Home2TelephoneNumber, u"+49 30 8"},
      {Text::OtherTelephoneNumber, u"+49 30 9"}, {Text::OtherFaxNumber, u"+49 30 10"},
      {Text::PrimaryTelephoneNumber, u"+49 30 11"}, {Text::CarTelephoneNumber, u"+49 30 12"},
      {Text::ISDNNumber, u"+49 30 13"}, {Text::AssistantTelephoneNumber, u"+49 30 14"},
      {Text::CallbackTelephoneNumber, u"+49 30 15"}, {Text::CompanyMainTelephoneNumber, u"+49 30 16"},
      {Text::RadioTelephoneNumber, u"+49 30 17"}, {Text::TelexNumber, u"+49 30 18"},
      {Text::TTYTDDTelephoneNumber, u"+49 30 19"}, {Text::Email2Address, u"j2@example.org"},
      {Text::Email3Address, u"j3@example.org"}, {Text::BusinessAddressPostOfficeBox, u"PF 1"},
      {Text::HomeAddressPostOfficeBox, u"PF 2"}, {Text::OtherAddressPostOfficeBox, u"PF 3"},
      {Text::OtherAddressStreet, u"Ring 3"}, {Text::OtherAddressCity, u"Potsdam"},
      {Text::OtherAddressState, u"BB"}, {Text::OtherAddressPostalCode, u"14467"},
      {Text::OtherAddressCountry, u"Germany"}, {Text::BusinessHomePage, u"http://acme.example/"},
      {Text::PersonalHomePage, u"http://j.example/"}, {Text::Categories, u"Family, VIP"},
      {Text::Spouse, u"Clara"}, {Text::Children, u"Dora, Emil"}, {Text::ManagerName, u"Anna Schmidt"},
      {Text::AssistantName, u"Bernd"}, {Text::IMAddress, u"xmpp:j@example.org"}, {Text::Initials, u"J.Q.M."},
  };
  for (const auto& [field, value] : values) item.Set(field, value);
  item.birthday = FromCivil({1980, 1, 25});
  item.anniversary = FromCivil({2005, 6, 7});
  return item;
}

TEST(VCardWriter, WritesEveryPropertyInItsForm) {
  const std::string expected =
      "BEGIN:VCARD\r\n"
      "VERSION:2.1\r\n"
      "N:M\xc3\xbcller;J\xc3\xbcrgen;Q;Dr.;Jr.\r\n"
      "FN:Dr. J\xc3\xbcrgen Q M\xc3\xbcller Jr.\r\n"
      "NICKNAME:J\xc3\xbcrg\r\n"
      "X-INITIALS:J.Q.M.\r\n"
      "TITLE:Chief\r\n"
      "ORG:Acme;R&D\r\n"
      "X-OFFICE:Room 4\r\n"
      "X-MANAGER:Anna Schmidt\r\n"
      "X-ASSISTANT:Bernd\r\n"
      "X-SPOUSE:Clara\r\n"
      "X-CHILDREN:Dora, Emil\r\n"
      "TEL;WORK;VOICE:+49 30 1\r\n"
      "TEL;VOICE;WORK:+49 30 7\r\n"
      "TEL;WORK;FAX:+49 30 2\r\n"
      "TEL;HOME;VOICE:+49 30 3\r\n"
      "TEL;VOICE;HOME:+49 30 8\r\n"
      "TEL;HOME;FAX:+49 30 4\r\n"
      "TEL;CELL;VOICE:+49 170 5\r\n"
      "TEL;PAGER;VOICE:+49 30 6\r\n"
      "TEL;VOICE:+49 30 9\r\n"
      "TEL;FAX:+49 30 10\r\n"
      "TEL;PREF:+49 30 11\r\n"
      "TEL;CAR;VOICE:+49 30 12\r\n"
      "TEL;ISDN:+49 30 13\r\n"
      "TEL;ASSISTANT:+49 30 14\r\n"
      "TEL;CALLBACK:+49 30 15\r\n"
      "TEL;MAIN:+49 30 16\r\n"
      "TEL;RADIO:+49 30 17\r\n"
      "TEL;TLX:+49 30 18\r\n"
      "TEL;TEXTPHONE:+49 30 19\r\n"
      "ADR;WORK:PF 1;;Hauptstra\xc3\x9f" "e 1;Berlin;BE;10115;Germany\r\n"
      "ADR;HOME:PF 2;;Weg 2;K\xc3\xb6ln;NW;50667;Deutschland\r\n"
      "ADR;POSTAL:PF 3;;Ring 3;Potsdam;BB;14467;Germany\r\n"
      "EMAIL;PREF;INTERNET:j@example.org\r\n"
      "EMAIL;INTERNET:j2@example.org\r\n"
      "EMAIL;INTERNET:j3@example.org\r\n"
      "IMPP:xmpp:j@example.org\r\n"
      "URL:http://example.org/\r\n"
      "URL;WORK:http://acme.example/\r\n"
      "URL;HOME:http://j.example/\r\n"
      "ROLE:Engineer\r\n"
      "CATEGORIES:Family,VIP\r\n"
      "NOTE;ENCODING=QUOTED-PRINTABLE:Line one=0D=0ALine two =3D \xe2\x82\xac\r\n"
      "BDAY:19800125\r\n"
      "ANNIVERSARY:20050607\r\n"
      "END:VCARD\r\n";
  EXPECT_EQ(WriteVCard(Full()), expected);

  Item empty;
  empty.message_class = u"IPM.Contact";
  EXPECT_EQ(WriteVCard(empty), "BEGIN:VCARD\r\nVERSION:2.1\r\nN:;;;;\r\nEND:VCARD\r\n");

  // No ";" after a company without a department: none comes back.
  Item company = empty;
  company.Set(Text::CompanyName, u"Acme");
  EXPECT_EQ(WriteVCard(company), "BEGIN:VCARD\r\nVERSION:2.1\r\nN:;;;;\r\nORG:Acme\r\nEND:VCARD\r\n");
}

std::u16string U16(const std::wstring& wide) {
  std::u16string out;
  for (wchar_t c : wide) {
    auto code = static_cast<char32_t>(c);
    if (code >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
  }
  return out;
}

// The file imported as the program imports it, into a fresh item.
Item ReadBack(const std::string& file) {
  testing_files::TempFile temp(file);
  auto reader = pindrel::CoreVCardReaderFactory()();
  reader->OpenDecoded(std::wstring(temp.path().begin(), temp.path().end()));
  EXPECT_EQ(reader->ContactCount(), 1);
  reader->MoveFirst();
  pindrel::DecodedCard card;
  reader->CurrentCard(card);
  pindrel::CardMapping mapping;
  pindrel::MapCard(card, mapping);
  EXPECT_EQ(mapping.noted, 0) << "every value has its own property";

  Item item;
  item.message_class = u"IPM.Contact";
  for (const pindrel::PropertySet& set : mapping.sets) {
    const std::string name(set.property.begin(), set.property.end());
    if (set.date) {
      auto day = FromCivil({set.date->year, set.date->month, set.date->day});
      (name == "Anniversary" ? item.anniversary : item.birthday) = day;
      continue;
    }
    std::size_t t = 0;
    while (t < kTextCount && TextName(static_cast<Text>(t)) != name) ++t;
    if (t == kTextCount) ADD_FAILURE() << "the store has no " << name;
    else item.Set(static_cast<Text>(t), U16(set.text));
  }
  return item;
}

TEST(VCardWriter, ContactsImportBackWithTheSameValues) {
  Item full = Full();
  Item expected_full = full;
  expected_full.Set(Text::FileAs, u"");  // no vCard property carries it

  Item awkward;
  awkward.message_class = u"IPM.Contact";
  awkward.Set(Text::LastName, u"O'Neil; Jr");
  awkward.Set(Text::CompanyName, u"A;B\\C");
  awkward.Set(Text::JobTitle, u"C:\\new\\table; x");
  awkward.Set(Text::BusinessAddressStreet, u"Line 1\r\nLine 2; back\\");
  awkward.Set(Text::HomeAddressCity, u"x");
  awkward.Set(Text::FullName, u"  spaced  ");
  awkward.Set(Text::MobileTelephoneNumber, u"  555 1234  ");
  awkward.Set(Text::Body, u"a\nb\rc\r\n\r\nd=e==0D==\\n \r\n" + std::u16string(1200, u'x') + u" ");
  awkward.Set(Text::Suffix, u"0");
  awkward.Set(Text::Categories, u" a , b,c");
  awkward.Set(Text::Home2TelephoneNumber, u"555 2");  // without a first home number
  awkward.birthday = 29245.5;  // noon
  Item expected_awkward = awkward;
  expected_awkward.Set(Text::FullName, u"spaced");
  expected_awkward.Set(Text::MobileTelephoneNumber, u"555 1234");
  expected_awkward.Set(Text::Body, u"a\r\nb\r\nc\r\n\r\nd=e==0D==\\n \r\n" + std::u16string(1200, u'x') + u" ");
  expected_awkward.Set(Text::Suffix, u"");
  expected_awkward.Set(Text::Categories, u"a, b, c");
  expected_awkward.Set(Text::Home2TelephoneNumber, u"");
  expected_awkward.Set(Text::HomeTelephoneNumber, u"555 2");
  expected_awkward.birthday = 29245;

  Item dist;
  dist.message_class = u"IPM.Contact";
  dist.Set(Text::FirstName, u"\u0418\u0432\u0430\u043d");  // Cyrillic only
  Item expected_dist = dist;
  expected_dist.Set(Text::FullName, u"\u0418\u0432\u0430\u043d");  // made of the name parts

  // Every row of the contact schema with a vCard form, each a value of its
  // own; the rows without one do not come back.
  Item every;
  every.message_class = u"IPM.Contact";
  Item expected_every = every;
  for (const contact_schema::Property& p : contact_schema::kProperties) {
    if (p.IsDate()) {
      every.DateOf(p.tag) = expected_every.DateOf(p.tag) = 30000 + p.tag;
    } else if (p.HasVCardForm()) {
      const std::u16string value = FromUtf8(std::string(p.member) + " " + std::to_string(p.tag));
      every.Set(static_cast<Text>(p.tag - 1), value);
      expected_every.Set(static_cast<Text>(p.tag - 1), value);
    } else {
      every.Set(static_cast<Text>(p.tag - 1), u"not on a card");
    }
  }

  struct Case { const char* what; Item item, expected; };
  const Case cases[] = {
      {"every row of the schema", every, expected_every},
      {"every field", full, expected_full},
      {"values that change on the way", awkward, expected_awkward},
      {"one field", dist, expected_dist},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Item back = ReadBack(WriteVCard(c.item));
    for (std::size_t i = 0; i < kTextCount; ++i)
      EXPECT_EQ(ToUtf8(back.text[i]), ToUtf8(c.expected.text[i])) << TextName(static_cast<Text>(i));
    EXPECT_EQ(back.birthday, c.expected.birthday);
    EXPECT_EQ(back.anniversary, c.expected.anniversary);
  }
}

}  // namespace
}  // namespace localstore
