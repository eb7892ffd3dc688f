// Importing into a folder that already has the contacts: which card is the
// same person as which contact, and how an update merges. The runs with
// each choice are in frm_vcard_import_test.cpp.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "card_test_support.h"
#include "contact_update.h"
#include "duplicate_index.h"
#include "card_mapping.h"

namespace {

using pindrel::testing::Card;

using Texts = std::map<std::wstring, std::wstring, std::less<>>;

pindrel::PersonKey ContactKey(const Texts& texts) {
  return pindrel::KeyOfContact([&](std::wstring_view p) {
    auto it = texts.find(p);
    return it == texts.end() ? std::wstring() : it->second;
  });
}

pindrel::PersonKey CardKey(std::initializer_list<std::wstring_view> lines) {
  pindrel::CardMapping mapping;
  pindrel::MapCard(Card(lines), mapping);
  return pindrel::KeyOfCard(mapping.sets);
}

TEST(DuplicateIndex, SamePersonOrNot) {
  const Texts ann = {{L"FullName", L"Ann Lee"}, {L"Email1Address", L"Ann@Example.org"},
                     {L"MobileTelephoneNumber", L"+1 555 0100 123"}, {L"CompanyName", L"Acme"}};
  const Texts bare = {{L"FirstName", L"Bo"}, {L"LastName", L"Kim"}, {L"CompanyName", L"Acme"}};
  struct Case {
    const char* what;
    Texts contact;
    std::initializer_list<std::wstring_view> card;
    bool same;
  };
  const Case cases[] = {
      {"name in other case and spacing, e-mail in other case", ann, {L"FN:  ann   LEE ", L"EMAIL:ann@example.ORG"}, true},
      {"telephone in another form: the last nine digits", ann, {L"FN:Ann Lee", L"TEL:(555) 0100-123"}, true},
      {"a short number must match whole", {{L"FullName", L"Ann Lee"}, {L"PagerNumber", L"0100"}},
       {L"FN:Ann Lee", L"TEL;pager:01-00"}, true},
      {"a short number is not the end of a long one", {{L"FullName", L"Ann Lee"}, {L"PagerNumber", L"100123"}},
       {L"FN:Ann Lee", L"TEL:+1 555 0100 123"}, false},
      {"the same name, nothing shared", ann, {L"FN:Ann Lee", L"EMAIL:other@example.org"}, false},
      {"a shared e-mail with another name", ann, {L"FN:Ann Smith", L"EMAIL:ann@example.org"}, false},
      {"no name never matches", {{L"Email1Address", L"x@example.org"}}, {L"EMAIL:x@example.org"}, false},
      {"neither e-mail nor phone: name and company", bare, {L"N:Kim;Bo", L"ORG:acme"}, true},
      {"neither e-mail nor phone: another company", bare, {L"N:Kim;Bo", L"ORG:Other"}, false},
      {"one side has a phone, the other none", bare, {L"N:Kim;Bo", L"ORG:Acme", L"TEL:555"}, false},
  };
  // The folder's contact by its name alone, the rest read when a card's
  // name meets it; and a contact of the run, by its whole key.
  struct Folder : pindrel::ContactTexts {
    const Texts& texts;
    explicit Folder(const Texts& t) : texts(t) {}
    std::wstring Text(std::wstring_view p) override {
      auto it = texts.find(p);
      return it == texts.end() ? std::wstring() : it->second;
    }
  };
  for (const Case& c : cases) {
    for (bool by_name : {true, false}) {
      pindrel::DuplicateIndex index;
      auto text = [&](const wchar_t* p) { return Folder(c.contact).Text(p); };
      if (by_name) index.AddByName(text(L"FullName"), text(L"FirstName"), text(L"LastName"), 7);
      else index.Add(ContactKey(c.contact), 7);
      const std::optional<std::int32_t> found =
          index.Find(CardKey(c.card), [&](std::int32_t) { return std::make_unique<Folder>(c.contact); });
      EXPECT_EQ(found.has_value(), c.same) << c.what << (by_name ? ", by name" : ", whole");
      if (found) EXPECT_EQ(*found, 7) << c.what;
    }
  }
}

TEST(DuplicateIndex, TheFirstOfSeveralInFolderOrder) {
  pindrel::DuplicateIndex index;
  const Texts ann = {{L"FullName", L"Ann Lee"}, {L"Email1Address", L"ann@example.org"}};
  for (std::int32_t position : {3, 5, 9}) index.Add(ContactKey(ann), position);
  for (int i = 0; i < 5000; ++i)  // many others, so the table grows
    index.Add(ContactKey({{L"FullName", L"P" + std::to_wstring(i)}, {L"Email1Address", L"a@b"}}), 100 + i);
  EXPECT_EQ(index.Find(ContactKey(ann)), 3);
  EXPECT_EQ(index.Find(ContactKey({{L"FullName", L"P4321"}, {L"Email1Address", L"A@B"}})), 4421);
}

TEST(ContactUpdate, NotesAndCategories) {
  EXPECT_EQ(pindrel::MergedNotes(L"", L"card"), L"card");
  EXPECT_EQ(pindrel::MergedNotes(L"mine", L"card"), L"mine\r\n\r\ncard");
  EXPECT_EQ(pindrel::MergedNotes(L"mine\r\n\r\ncard", L"card"), L"mine\r\n\r\ncard");
  EXPECT_EQ(pindrel::MergedCategories(L"Family, VIP", L"vip,Work"), L"Family, VIP, Work");
  EXPECT_EQ(pindrel::MergedCategories(L"", L"a, b"), L"a, b");
}

}  // namespace
