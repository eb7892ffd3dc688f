// Fills a local-store profile for trying the program: when the profile has
// no contacts yet, "Personal Folders" gets about forty varied contacts and a
// distribution list in Contacts, and a second store "Archive" gets a
// contacts folder of its own. A profile that has contacts is left alone.
//
//   localstore-demo [PROFILE_DIR]
// Without PROFILE_DIR, the profile LocalStore.dll itself would use: the one
// LOCALSTORE_PROFILE names, otherwise the user's local application data.
#include <cstdio>
#include <string>
#include <vector>

#include "item.h"
#include "profile.h"
#include "text.h"

using namespace localstore;

namespace {

struct Person {
  const char16_t* first;
  const char16_t* last;
  const char16_t* company;
  const char16_t* city;
  const char16_t* country;
};

// Names from many scripts; the last rows are the awkward ones.
const Person kPeople[] = {
    {u"Ann", u"Lee", u"Northwind Traders", u"Seattle", u"USA"},
    {u"J\u00fcrgen", u"M\u00fcller", u"M\u00fcller & S\u00f6hne GmbH", u"M\u00fcnchen", u"Deutschland"},
    {u"Zo\u00eb", u"\u00c5ngstr\u00f6m", u"Nordljus AB", u"G\u00f6teborg", u"Sverige"},
    {u"Fran\u00e7ois", u"Lef\u00e8vre", u"Soci\u00e9t\u00e9 G\u00e9n\u00e9rale des Eaux", u"Besan\u00e7on", u"France"},
    {u"Jos\u00e9", u"N\u00fa\u00f1ez", u"Pe\u00f1a Hermanos", u"A Coru\u00f1a", u"Espa\u00f1a"},
    {u"\u0141ukasz", u"\u017b\u00f3\u0142\u0107", u"Wis\u0142a Sp. z o.o.", u"\u0141\u00f3d\u017a", u"Polska"},
    {u"\u0418\u0432\u0430\u043d", u"\u041f\u0435\u0442\u0440\u043e\u0432", u"\u0412\u043e\u0441\u0442\u043e\u043a",
     u"\u041c\u043e\u0441\u043a\u0432\u0430", u"\u0420\u043e\u0441\u0441\u0438\u044f"},
    {u"\u0391\u03bb\u03ad\u03be\u03b1\u03bd\u03b4\u03c1\u03bf\u03c2", u"\u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2",
     u"\u0391\u03b9\u03b3\u03b1\u03af\u03bf \u0391\u0395", u"\u0391\u03b8\u03ae\u03bd\u03b1", u"\u0395\u03bb\u03bb\u03ac\u03b4\u03b1"},
    {u"\u82b3", u"\u738b", u"\u5317\u4eac\u8d38\u6613\u516c\u53f8", u"\u5317\u4eac", u"\u4e2d\u56fd"},
    {u"\u3055\u304f\u3089", u"\u4f50\u85e4", u"\u5c71\u7530\u5546\u4e8b", u"\u6771\u4eac", u"\u65e5\u672c"},
    {u"Sven", u"S\u00f8rensen", u"Fjord ApS", u"K\u00f8benhavn", u"Danmark"},
    {u"Ay\u015fe", u"Y\u0131lmaz", u"\u0130stanbul Tekstil", u"\u0130stanbul", u"T\u00fcrkiye"},
    {u"Nguy\u1ec5n", u"Th\u1ecb Lan", u"S\u00e0i G\u00f2n Co.", u"H\u1ed3 Ch\u00ed Minh", u"Vi\u1ec7t Nam"},
    {u"Priya", u"Sharma", u"Ganges Software", u"Bengaluru", u"India"},
    {u"Olu", u"Adeyemi", u"Lagos Logistics", u"Lagos", u"Nigeria"},
    {u"Mar\u00eda", u"Garc\u00eda L\u00f3pez", u"Andaluc\u00eda Solar", u"Sevilla", u"Espa\u00f1a"},
    {u"Bj\u00f6rk", u"Gu\u00f0mundsd\u00f3ttir", u"\u00deingvellir ehf.", u"Reykjav\u00edk", u"\u00cdsland"},
    {u"Chlo\u00e9", u"Dubois", u"Caf\u00e9 Cr\u00e8me", u"Qu\u00e9bec", u"Canada"},
    {u"Tom\u00e1\u0161", u"Dvo\u0159\u00e1k", u"\u010cesk\u00e9 sklo", u"Brno", u"\u010cesko"},
    {u"Eero", u"M\u00e4kinen", u"Sauna Oy", u"Helsinki", u"Suomi"},
    {u"Liam", u"O'Brien", u"Shamrock Ltd.", u"Dublin", u"Ireland"},
    {u"Ana", u"Silva", u"Lisboa Tech", u"Lisboa", u"Portugal"},
    {u"Kofi", u"Mensah", u"Accra Cocoa", u"Accra", u"Ghana"},
    {u"Hana", u"Kim", u"\ud55c\uac15 \uc804\uc790", u"\uc11c\uc6b8", u"\ub300\ud55c\ubbfc\uad6d"},
    {u"David", u"Cohen", u"Jaffa Oranges", u"Tel Aviv", u"Israel"},
    {u"Lucia", u"Rossi", u"Trattoria da Lucia", u"Bologna", u"Italia"},
    {u"Pieter", u"van der Berg", u"Tulpen B.V.", u"Amsterdam", u"Nederland"},
    {u"Mei", u"Chen", u"Formosa Chips", u"Taipei", u"Taiwan"},
    {u"Ahmed", u"Hassan", u"Nile Shipping", u"Cairo", u"Egypt"},
    {u"Grace", u"Wanjiru", u"Rift Valley Tea", u"Nairobi", u"Kenya"},
    {u"Carlos", u"Mendoza", u"Andes Mining", u"Santiago", u"Chile"},
    {u"Ingrid", u"Hansen", u"Polar Fisk AS", u"Troms\u00f8", u"Norge"},
    {u"Ravi", u"Patel", u"Monsoon Textiles", u"Ahmedabad", u"India"},
    {u"Sophie", u"Martin", u"Boulangerie Martin", u"Lyon", u"France"},
    {u"Ann", u"Lee", u"Lee & Lee Law", u"Boston", u"USA"},  // the same display name as the first
    {u":?*", u"<>|", u"\"/\\", u"", u""},                   // nothing a file name can hold
    {u"", u"", u"Only A Company Inc.", u"Denver", u"USA"},
    {u"Mononym", u"", u"", u"", u""},
    {u"  Spaced  ", u"  Out  ", u"  Padding Co.  ", u"", u""},
    {u"Ren\u00e9e", u"O'Connor-\u00c9mile", u"Semi;Colon & Co", u"Cork", u"Ireland"},
};

std::u16string U(const std::string& ascii) { return FromUtf8(ascii); }

Item MakeContact(const Person& person, int n) {
  Item item;
  item.message_class = std::u16string(kContactClass);
  std::u16string first = person.first, last = person.last;
  item.Set(Text::FirstName, first);
  item.Set(Text::LastName, last);
  item.Set(Text::FullName, first.empty() ? last : last.empty() ? first : first + u" " + last);
  item.Set(Text::FileAs, last.empty() ? first : first.empty() ? last : last + u", " + first);
  item.Set(Text::CompanyName, person.company);
  item.Set(Text::BusinessAddressCity, person.city);
  item.Set(Text::BusinessAddressCountry, person.country);
  std::u16string number = U(std::to_string(1000 + n));
  item.Set(Text::BusinessTelephoneNumber, u"+1 555 01" + number.substr(2));
  if (!first.empty() && first.find_first_of(u":?*") == std::u16string::npos)
    item.Set(Text::Email1Address, U("contact" + std::to_string(n) + "@example.org"));
  // Every other mapped field somewhere, on a few contacts each.
  switch (n % 8) {
    case 0:
      item.Set(Text::MiddleName, u"Q.");
      item.Set(Text::Title, u"Dr.");
      item.Set(Text::Suffix, u"Jr.");
      item.Set(Text::NickName, u"Doc");
      break;
    case 1:
      item.Set(Text::JobTitle, u"Sales Manager");
      item.Set(Text::Department, u"Sales");
      item.Set(Text::Profession, u"Engineer");
      item.Set(Text::OfficeLocation, u"Building 4, Room 12");
      break;
    case 2:
      item.Set(Text::BusinessFaxNumber, u"+1 555 0190");
      item.Set(Text::PagerNumber, u"+1 555 0191");
      item.Set(Text::WebPage, u"http://www.example.com/");
      break;
    case 3:
      item.Set(Text::HomeTelephoneNumber, u"+1 555 0170");
      item.Set(Text::HomeFaxNumber, u"+1 555 0171");
      item.Set(Text::MobileTelephoneNumber, u"+1 555 0172");
      break;
    case 4:
      item.Set(Text::HomeAddressStreet, u"12 Elm Street");
      item.Set(Text::HomeAddressCity, person.city);
      item.Set(Text::HomeAddressState, u"WA");
      item.Set(Text::HomeAddressPostalCode, u"98052");
      item.Set(Text::HomeAddressCountry, person.country);
      break;
    case 5:
      item.Set(Text::BusinessAddressStreet, u"1 Main Street\r\nSuite 200");
      item.Set(Text::BusinessAddressState, u"CA");
      item.Set(Text::BusinessAddressPostalCode, u"94043");
      break;
    case 6:
      item.Set(Text::Body, u"Met at the trade fair.\r\nPrefers e-mail to calls.\r\n\r\nFollow up in spring.");
      break;
    case 7:
      item.Set(Text::Body, u"Single-line note with an equals sign: 2 + 2 = 4");
      break;
  }
  return item;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: localstore-demo [PROFILE_DIR]\n");
    return 2;
  }
  try {
    Profile profile(argc == 2 ? PathFromUtf8(argv[1]) : Profile::DirectoryFromEnvironment());
    profile.Logon();
    StoreInfo personal = profile.DefaultStore();
    std::string contacts_id;
    for (const auto& [kind, id] : personal.defaults)
      if (kind == kFolderContacts) contacts_id = id;
    auto contacts = profile.Items(personal.id, contacts_id);
    if (contacts->Count() > 0) {
      std::printf("The demo profile has contacts already; left as it is.\n");
      return 0;
    }
    int n = 0;
    for (const Person& person : kPeople) {
      Item item = MakeContact(person, n);
      if (n == 1) item.birthday = FromCivil({1980, 1, 25});
      if (n == 7) item.birthday = FromCivil({1972, 12, 31});
      contacts->Add(item);
      ++n;
    }
    Item list;
    list.message_class = std::u16string(kDistListClass);
    list.Set(Text::Subject, u"Project Team");
    contacts->Add(list);

    StoreInfo archive = profile.AddStore(u"Archive");
    FolderInfo old = profile.AddFolder(archive.id, archive.root, u"Old Contacts", kContactClass);
    auto archived = profile.Items(archive.id, old.id);
    for (int i = 0; i < 5; ++i) archived->Add(MakeContact(kPeople[(i * 7) % 30], 100 + i));
    std::printf("Filled the demo profile: %u contacts and a distribution list in Personal Folders, "
                "%u in Archive.\n",
                contacts->Count() - 1, archived->Count());
    return 0;
  } catch (const StoreFailure& failure) {
    std::fprintf(stderr, "localstore-demo: %s\n", failure.what());
    return 1;
  }
}
