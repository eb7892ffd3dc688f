// The 3.0 and 4.0 card writer: the exact lines of a small card in each
// version, folding, the UID's hash, and contacts that break naive writers
// read back the way the program imports them (the reader core's decoded
// reading, then the import's mapping) with the same values.
#include "card_writer.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "card_mapping.h"
#include "card_test_support.h"
#include "core_vcard_reader.h"
#include "test_files.h"

namespace {

namespace schema = contact_schema;
using pindrel::card_writer::ContactCard;
using pindrel::card_writer::Version;
using Id = schema::Id;
using Values = std::map<std::wstring, std::wstring>;

std::string Write(const ContactCard& c, Version v) {
  std::string out;
  pindrel::card_writer::AppendCard(c, v, out);
  return out;
}

TEST(CardWriter, WritesEachVersionsForms) {
  ContactCard c;
  c.Text(Id::FirstName) = L"Ann";
  c.Text(Id::LastName) = L"Lee";
  c.Text(Id::CompanyName) = L"A, B; C";
  c.Text(Id::BusinessTelephoneNumber) = L"+49 30 1";
  c.Text(Id::MobileTelephoneNumber) = L"+1-555-0100";
  c.Text(Id::AssistantTelephoneNumber) = L"7";
  c.Text(Id::Email1Address) = L"ann@example.org";
  c.Text(Id::OtherAddressCity) = L"Bonn";
  c.Text(Id::Spouse) = L"Bo";
  c.DateOf(Id::Birthday) = pindrel::store::Date{1980, 1, 25};
  c.DateOf(Id::Anniversary) = pindrel::store::Date{2005, 6, 7};
  c.entry_id = L"ITEM00000001";
  c.picture = "\xff\xd8\xff";
  EXPECT_EQ(Write(c, Version::k30),
            "BEGIN:VCARD\r\nVERSION:3.0\r\n"
            "N:Lee;Ann;;;\r\nFN:Ann Lee\r\nORG:A\\, B\\; C\r\nX-SPOUSE:Bo\r\n"
            "TEL;TYPE=WORK,VOICE:+49 30 1\r\nTEL;TYPE=CELL,VOICE:+1-555-0100\r\n"
            "TEL;TYPE=X-ASSISTANT:7\r\nADR;TYPE=POSTAL:;;;Bonn;;;\r\n"
            "EMAIL;TYPE=PREF,INTERNET:ann@example.org\r\n"
            "BDAY:1980-01-25\r\nX-ANNIVERSARY:2005-06-07\r\n"
            "PHOTO;ENCODING=b;TYPE=JPEG:/9j/\r\n"
            "UID:0c867e44-50c3-5e6c-b7dd-4770a77c6ca5\r\nEND:VCARD\r\n");
  EXPECT_EQ(Write(c, Version::k40),
            "BEGIN:VCARD\r\nVERSION:4.0\r\n"
            "N:Lee;Ann;;;\r\nFN:Ann Lee\r\nORG:A\\, B\\; C\r\nRELATED;VALUE=text;TYPE=spouse:Bo\r\n"
            "TEL;TYPE=\"work,voice\";VALUE=text:+49 30 1\r\nTEL;TYPE=\"cell,voice\";VALUE=uri:tel:+1-555-0100\r\n"
            "TEL;TYPE=x-assistant;VALUE=uri:tel:7\r\nADR:;;;Bonn;;;\r\n"
            "EMAIL;PREF=1:ann@example.org\r\n"
            "BDAY:19800125\r\nANNIVERSARY:20050607\r\n"
            "PHOTO:data:image/jpeg;base64,/9j/\r\n"
            "UID:urn:uuid:0c867e44-50c3-5e6c-b7dd-4770a77c6ca5\r\nEND:VCARD\r\n");
  // No picture, no identifier, nothing at all: the name lines alone.
  EXPECT_EQ(Write(ContactCard{}, Version::k40), "BEGIN:VCARD\r\nVERSION:4.0\r\nN:;;;;\r\nFN:\r\nEND:VCARD\r\n");
}

TEST(CardWriter, FoldsAtSeventyFiveOctetsBetweenCharacters) {
  // Two-, three- and four-byte characters in every position of a fold.
  for (const char* unit : {"x", "\xce\xb1", "\xe6\x97\xa5", "\xf0\x9f\x98\x80"}) {
    for (std::size_t lead = 0; lead < 4; ++lead) {
      std::string value(lead, 'a');
      for (int i = 0; i < 100; ++i) value += unit;
      std::string out;
      pindrel::card_writer::AppendFolded("NOTE:" + value, out);
      std::string joined;
      std::size_t start = 0;
      for (std::size_t end; (end = out.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::string_view line(out.data() + start, end - start);
        EXPECT_LE(line.size(), 75u);
        if (start > 0) {
          ASSERT_EQ(line.front(), ' ');
          line.remove_prefix(1);
        }
        ASSERT_FALSE(line.empty());
        EXPECT_NE(static_cast<unsigned char>(line.front()) & 0xC0, 0x80) << "a character split";
        joined += line;
      }
      EXPECT_EQ(start, out.size()) << "ends in CR LF";
      EXPECT_EQ(joined, "NOTE:" + value);
    }
  }
}

TEST(CardWriter, HashesAndEncodings) {
  auto hex = [](const std::array<std::uint8_t, 20>& d) {
    std::string s;
    for (std::uint8_t b : d) s += "0123456789abcdef"[b >> 4], s += "0123456789abcdef"[b & 15];
    return s;
  };
  // Lengths on both sides of the padding's block boundary.
  EXPECT_EQ(hex(pindrel::card_writer::Sha1("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(hex(pindrel::card_writer::Sha1(std::string(1000, 'a'))), "291e9a6c66994949b57ba5e650361e98fc36b1ba");
  EXPECT_EQ(hex(pindrel::card_writer::Sha1("")), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(pindrel::card_writer::Base64("M"), "TQ==");
  EXPECT_EQ(pindrel::card_writer::Base64("Ma"), "TWE=");
  EXPECT_EQ(pindrel::card_writer::Base64("Man"), "TWFu");
}

// Every card of the file as the import maps it; no value may go to the
// notes for want of a property.
std::vector<Values> ReadBack(const std::string& file, std::size_t cards) {
  testing_files::TempFile temp(file);
  auto reader = pindrel::CoreVCardReaderFactory()();
  reader->OpenDecoded(std::wstring(temp.path().begin(), temp.path().end()));
  EXPECT_EQ(reader->ContactCount(), static_cast<int>(cards));
  std::vector<Values> out;
  reader->MoveFirst();
  for (int i = 0; i < reader->ContactCount(); ++i, reader->MoveNext()) {
    pindrel::DecodedCard card;
    reader->CurrentCard(card);
    pindrel::CardMapping mapping;
    pindrel::MapCard(card, mapping);
    EXPECT_EQ(mapping.noted, 0) << "every value has its own property";
    out.push_back(pindrel::testing::SetsOf(mapping.sets));
  }
  return out;
}

// What the import gives back for what was written: the same text, but on
// one line for a one-line value and without blanks around it.
Values Expected(const ContactCard& c) {
  Values v;
  for (const schema::Property& p : schema::kProperties) {
    if (!p.HasVCardForm()) continue;
    const std::size_t id = static_cast<std::size_t>(p.id);
    if (p.IsDate()) {
      if (const auto& d = c.dates[id]) {
        wchar_t text[16];
        std::swprintf(text, 16, L"%04d-%02d-%02d", d->year, d->month, d->day);
        v[std::wstring(p.name)] = text;
      }
      continue;
    }
    std::wstring text = c.text[id];
    if (text.empty()) continue;
    if (p.form == schema::Form::List) {
      std::wstring list;
      for (std::wstring_view rest = text;;) {
        const std::size_t comma = rest.find(L',');
        std::wstring item(pindrel::ui::TrimChars(rest.substr(0, comma), L" "));
        if (!item.empty()) list += (list.empty() ? L"" : L", ") + item;
        if (comma == std::wstring_view::npos) break;
        rest.remove_prefix(comma + 1);
      }
      text = list;
    }
    if (p.form != schema::Form::Note && p.form != schema::Form::Street) {
      std::wstring one;
      for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
        if (text[i] == L'\r' || text[i] == L'\n') one += L", ";
        else one += text[i];
      }
      text = std::wstring(pindrel::ui::TrimChars(one, L" "));
    }
    v[std::wstring(p.name)] = text;
  }
  // A card without a full name gets one made of the name's parts.
  if (v.find(L"FullName") == v.end()) {
    std::wstring name;
    for (Id part : {Id::Title, Id::FirstName, Id::MiddleName, Id::LastName, Id::Suffix})
      if (auto it = v.find(std::wstring(schema::NameOf(part))); it != v.end()) name += (name.empty() ? L"" : L" ") + it->second;
    v[L"FullName"] = name.empty() ? L"(no name)" : name;
  }
  return v;
}

TEST(CardWriter, ContactsImportBackWithTheSameValues) {
  auto each_row = [](auto value_of) {
    ContactCard c;
    for (const schema::Property& p : schema::kProperties)
      if (p.HasVCardForm() && !p.IsDate()) c.text[static_cast<std::size_t>(p.id)] = value_of(p);
    c.DateOf(Id::Birthday) = pindrel::store::Date{1980, 2, 29};
    c.DateOf(Id::Anniversary) = pindrel::store::Date{2005, 12, 31};
    c.entry_id = L"00000000ABCDEF";
    return c;
  };
  const ContactCard every = each_row([](const schema::Property& p) { return std::wstring(p.name) + L" value"; });
  // A comma, semicolon, backslash and line break in every text.
  const ContactCard awkward = each_row(
      [](const schema::Property& p) { return std::wstring(p.name) + L" a,b;c\\d\r\ne\\n;"; });
  ContactCard long_note;
  long_note.Text(Id::LastName) = L"Note";
  for (int i = 0; long_note.Text(Id::Body).size() < 2000; ++i)
    long_note.Text(Id::Body) += L"Zeile " + std::to_wstring(i) + L" \u00e4\u20ac\U0001F600;\\,\r\n";
  long_note.Text(Id::Body) += L"end";
  ContactCard greek;
  greek.Text(Id::FirstName) = L"\u039d\u03af\u03ba\u03bf\u03c2";
  greek.Text(Id::LastName) = L"\u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2";
  greek.Text(Id::HomeAddressCity) = L"\u0391\u03b8\u03ae\u03bd\u03b1";
  ContactCard japanese;
  japanese.Text(Id::LastName) = L"\u5c71\u7530";
  japanese.Text(Id::FirstName) = L"\u592a\u90ce";
  japanese.Text(Id::FullName) = L"\u5c71\u7530 \u592a\u90ce";
  japanese.Text(Id::CompanyName) = std::wstring(40, L'\u682a');  // folded within its characters
  ContactCard emoji;
  emoji.Text(Id::FirstName) = L"\U0001F600\U0001F680";
  emoji.Text(Id::NickName) = std::wstring(30, L'x') + L"\U0001F468\u200D\U0001F469\u200D\U0001F467";
  emoji.Text(Id::Categories) = L"\U0001F3E0, Family";
  const ContactCard empty;

  struct Case {
    const char* what;
    const ContactCard& contact;
  };
  const Case cases[] = {{"every row of the schema", every}, {"awkward characters in every text", awkward},
                        {"a 2,000-character note", long_note}, {"Greek", greek}, {"Japanese", japanese},
                        {"emoji beyond the basic plane", emoji}, {"an empty contact", empty}};
  for (Version version : {Version::k30, Version::k40}) {
    // All cases in one file, as the export writes it.
    std::string file;
    for (const Case& c : cases) pindrel::card_writer::AppendCard(c.contact, version, file);
    EXPECT_EQ(file.find('\n'), file.find("\r\n") + 1) << "CR LF line ends";
    const std::vector<Values> back = ReadBack(file, std::size(cases));
    ASSERT_EQ(back.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
      SCOPED_TRACE(std::string(cases[i].what) + (version == Version::k30 ? " in 3.0" : " in 4.0"));
      Values expected = Expected(cases[i].contact);
      for (const auto& [name, value] : expected) {
        auto it = back[i].find(name);
        EXPECT_TRUE(it != back[i].end() && it->second == value)
            << std::string(name.begin(), name.end()) << ": "
            << pindrel::ui::NarrowUtf8(it == back[i].end() ? L"(none)" : it->second) << " instead of "
            << pindrel::ui::NarrowUtf8(value);
      }
      EXPECT_EQ(back[i].size(), expected.size()) << "nothing more comes back";
    }
  }
}

}  // namespace
