// Export and import fit together: contacts made in the local store through
// the program's own store client are exported by the export window's logic
// (the store writes each file), read back by Tessary through COM, and
// imported by the import window's logic into the same folder; every row of
// the contact schema that a card carries, both dates among them, comes back
// equal for every contact.
//
// Needs Tessary and the local store registered in the prefix
// (round_trip_test.sh does that) and LOCALSTORE_PROFILE set to a fresh
// directory.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "com_util.h"
#include "mapped_properties.h"
#include "round_trip_steps.h"
#include "store.h"

namespace {

namespace store = pindrel::store;
namespace prop = pindrel::store::property;
using comsupport::Bstr;
using comsupport::ComPtr;
using comsupport::Variant;

// Every text property the round trip compares: each row of the contact
// schema that a card carries.
constexpr const auto& AllTexts() { return pindrel::testing::kCardTexts; }

struct Contact {
  std::map<std::wstring, std::wstring, std::less<>> text;
  std::optional<store::Date> birthday;
  std::optional<store::Date> anniversary;
  friend bool operator<(const Contact& a, const Contact& b) {
    auto day = [](const std::optional<store::Date>& d) {
      return d ? std::tuple(1, d->year, d->month, d->day) : std::tuple(0, 0, 0, 0);
    };
    return std::tie(a.text) < std::tie(b.text) ||
           (a.text == b.text && std::tuple(day(a.birthday), day(a.anniversary)) <
                                    std::tuple(day(b.birthday), day(b.anniversary)));
  }
  friend bool operator==(const Contact& a, const Contact& b) = default;
};

// The contacts of the round trip. Known differences, decided and left out
// of these values:
// - FileAs is not mapped by the import, so it does not come back;
// - a Title of exactly "0", and a Suffix of exactly "0", are not set by the
//   import;
// - spaces around a one-line value are trimmed by the import;
// - a line break inside a note comes back as carriage return plus line feed
//   whatever it was;
// - a contact without a full name gets one made of its name parts;
// - a second work or home number, or e-mail address, without a first comes
//   back as the first.
std::vector<Contact> Contacts() {
  std::vector<Contact> all;
  auto full = [](const std::wstring& first, const std::wstring& last) {
    Contact c;
    int n = 0;
    for (std::wstring_view p : AllTexts()) c.text[std::wstring(p)] = std::wstring(p) + L" " + std::to_wstring(++n);
    c.text[std::wstring(prop::FirstName)] = first;
    c.text[std::wstring(prop::LastName)] = last;
    c.text[std::wstring(prop::FullName)] = first + L" " + last;
    return c;
  };
  Contact ann = full(L"Ann", L"Lee");
  ann.text[std::wstring(prop::Body)] = L"First line\r\nsecond line\r\n\r\nafter an empty line";
  ann.text[std::wstring(prop::CompanyName)] = L"A; B \\ C";
  ann.text[std::wstring(prop::HomeAddressStreet)] = L"1 Main St\r\nBack door";
  ann.text[std::wstring(prop::Categories)] = L"Family, VIP";
  ann.birthday = store::Date{1980, 1, 25};
  ann.anniversary = store::Date{2005, 6, 7};
  all.push_back(ann);
  Contact juergen = full(L"J\u00FCrgen", L"M\u00FCller-\u0141\u00F3d\u017A");
  juergen.text[std::wstring(prop::CompanyName)] = L"\u6771\u4EAC\u682A\u5F0F\u4F1A\u793E";
  juergen.text[std::wstring(prop::HomeAddressCity)] = L"\u041C\u043E\u0441\u043A\u0432\u0430";
  juergen.birthday = store::Date{1975, 12, 31};
  all.push_back(juergen);
  all.push_back(full(L"Ann", L"Lee"));  // the same display name again
  Contact unnamed;  // a name made only of characters a file name cannot hold
  unnamed.text[std::wstring(prop::FirstName)] = L"?:*";
  unnamed.text[std::wstring(prop::LastName)] = L"<|>";
  all.push_back(unnamed);
  Contact sparse;  // most fields empty
  sparse.text[std::wstring(prop::FirstName)] = L"Only";
  sparse.text[std::wstring(prop::Email1Address)] = L"only@example.org";
  sparse.anniversary = store::Date{1999, 12, 31};
  all.push_back(sparse);
  // What the store keeps for a field never set is the empty text: compare
  // all mapped fields.
  for (Contact& c : all)
    for (std::wstring_view p : AllTexts()) c.text.try_emplace(std::wstring(p));
  return all;
}

// What the import makes of a contact without a full name.
Contact Imported(Contact c) {
  std::wstring& full = c.text[std::wstring(prop::FullName)];
  if (!full.empty()) return c;
  for (std::wstring_view part : {prop::FirstName, prop::LastName}) {
    const std::wstring& text = c.text[std::wstring(part)];
    if (text.empty()) continue;
    if (!full.empty()) full += L' ';
    full += text;
  }
  return c;
}

Contact ReadBack(store::Item& item) {
  Contact c;
  for (std::wstring_view p : AllTexts()) c.text[std::wstring(p)] = item.Text(p);
  c.birthday = item.GetDate(prop::Birthday);
  c.anniversary = item.GetDate(prop::Anniversary);
  return c;
}

// Calls a member of the store library late-bound, for what the store
// client offers no way to do (the program never does it).
ComPtr<IDispatch> LateCall(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args,
                           std::wstring* text = nullptr) {
  DISPID id;
  LPOLESTR n = const_cast<LPOLESTR>(name);
  EXPECT_EQ(object->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
  std::reverse(args.begin(), args.end());
  DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, nullptr, nullptr), S_OK)
      << name;
  ComPtr<IDispatch> out;
  if (V_VT(&result) == VT_DISPATCH) out = V_DISPATCH(&result);
  if (text && V_VT(&result) == VT_BSTR) *text = V_BSTR(&result);
  VariantClear(&result);
  for (VARIANT& arg : args) VariantClear(&arg);
  return out;
}

constexpr WORD kLateMethod = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

// The default contacts folder, in a session of its own.
ComPtr<IDispatch> LateContactsFolder() {
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(L"Redemption.RDOSession", &clsid), S_OK);
  ComPtr<IDispatch> session;
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &session), S_OK);
  LateCall(session.Get(), L"Logon", kLateMethod, {});
  VARIANT kind;
  V_VT(&kind) = VT_I4;
  V_I4(&kind) = store::kContactsFolderKind;
  return LateCall(session.Get(), L"GetDefaultFolder", kLateMethod, {kind});
}

// A distribution list in `folder` (the default contacts folder if none).
void AddDistributionList(IDispatch* folder = nullptr) {
  ComPtr<IDispatch> contacts = folder ? ComPtr<IDispatch>(folder) : LateContactsFolder();
  auto items = LateCall(contacts.Get(), L"Items", DISPATCH_PROPERTYGET, {});
  VARIANT type;
  V_VT(&type) = VT_I4;
  V_I4(&type) = 7;
  auto list = LateCall(items.Get(), L"Add", kLateMethod, {type});
  LateCall(list.Get(), L"Save", kLateMethod, {});
}

// A new, empty contacts folder below the default one, as the program's
// store client sees it; its late-bound object in `late` when asked.
std::unique_ptr<store::Folder> NewContactsFolder(store::Session& session, const std::wstring& name,
                                                 ComPtr<IDispatch>* late = nullptr) {
  auto folders = LateCall(LateContactsFolder().Get(), L"Folders", DISPATCH_PROPERTYGET, {});
  VARIANT arg;
  V_VT(&arg) = VT_BSTR;
  V_BSTR(&arg) = SysAllocString(name.c_str());
  auto folder = LateCall(folders.Get(), L"Add", kLateMethod, {arg});
  std::wstring entry_id, store_id;
  LateCall(folder.Get(), L"EntryID", DISPATCH_PROPERTYGET, {}, &entry_id);
  LateCall(folder.Get(), L"StoreID", DISPATCH_PROPERTYGET, {}, &store_id);
  if (late) *late = folder;
  return session.GetStores()->GetStoreFromID(store_id)->GetFolderFromID(entry_id);
}

std::vector<std::wstring> VcfFiles(const std::filesystem::path& dir) {
  std::vector<std::wstring> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().wstring());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(RoundTrip, EveryMappedFieldComesBack) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  {
    pindrel::testing::RoundTripContext context;
    const auto& desktop = context.desktop;

    // The folder as a user would have it.
    std::vector<Contact> originals = Contacts();
    auto session = context.app.open_session();
    session->Logon();
    auto contacts = session->GetDefaultFolder(store::kContactsFolderKind);
    for (const Contact& c : originals) {
      auto item = contacts->GetItems()->Add();
      for (const auto& [name, value] : c.text)
        if (!value.empty()) item->SetText(name, value);
      if (c.birthday) item->SetDate(prop::Birthday, *c.birthday);
      if (c.anniversary) item->SetDate(prop::Anniversary, *c.anniversary);
      item->Save();
      if (c.text.at(std::wstring(prop::FirstName)) == L"Ann") {
        ASSERT_NO_FATAL_FAILURE(AddDistributionList());
      }
    }
    const int before = contacts->GetItems()->Count();
    ASSERT_EQ(before, static_cast<int>(originals.size()) + 2);  // and two distribution lists

    // Export.
    const std::filesystem::path dir = pindrel::testing::FreshTempDirectory(L"round trip \u00FC");
    EXPECT_TRUE(pindrel::testing::ExportThroughWindow(context, *contacts, dir)) << "the export window stays open";
    ASSERT_FALSE(desktop.messages.empty());
    EXPECT_EQ(desktop.messages.back().text,
              L"Exported (" + std::to_wstring(originals.size()) + L") Contacts to vCard Files.");
    EXPECT_EQ(VcfFiles(dir).size(), originals.size()) << "one file per contact, none for the lists";

    // Import the directory back into the same folder, as new contacts
    // beside the ones they were exported from.
    pindrel::testing::ImportThroughWindow(context, *contacts, dir, pindrel::forms::frmvCardImport::OptDuplicateAdd);
    EXPECT_EQ(desktop.messages.back().text, L"Import Complete !");
    EXPECT_EQ(desktop.messages.back().title, L"Completed...");

    // The new items are the originals again.
    auto items = contacts->GetItems();
    ASSERT_EQ(items->Count(), before + static_cast<int>(originals.size()));
    std::vector<Contact> imported;
    for (int i = before + 1; i <= items->Count(); ++i) {
      auto item = items->GetItem(i);
      EXPECT_EQ(item->MessageClass(), store::kContactClass);
      imported.push_back(ReadBack(*item));
    }
    std::vector<Contact> expected;
    for (const Contact& c : originals) expected.push_back(Imported(c));
    std::sort(expected.begin(), expected.end());
    std::sort(imported.begin(), imported.end());
    for (std::size_t i = 0; i < expected.size() && i < imported.size(); ++i) {
      for (std::wstring_view p : AllTexts()) {
        EXPECT_EQ(imported[i].text[std::wstring(p)], expected[i].text[std::wstring(p)])
            << "contact " << i << ", " << std::string(p.begin(), p.end());
      }
      EXPECT_EQ(imported[i].birthday, expected[i].birthday) << "contact " << i;
      EXPECT_EQ(imported[i].anniversary, expected[i].anniversary) << "contact " << i;
    }
    session->Logoff();
    std::filesystem::remove_all(dir);
  }
  CoUninitialize();
}

}  // namespace

namespace {

// The export to one file in each version, imported into an empty folder:
// every property of every contact comes back equal.
TEST(RoundTrip, OneFileInEachVersionComesBack) {
  // (S_FALSE when a test before failed inside its apartment.)
  const HRESULT com = CoInitialize(nullptr);
  ASSERT_TRUE(SUCCEEDED(com));
  {
    pindrel::testing::RoundTripContext context;
    const auto& desktop = context.desktop;
    auto session = context.app.open_session();
    session->Logon();

    std::vector<Contact> originals = Contacts();
    ComPtr<IDispatch> late_source;
    auto source = NewContactsFolder(*session, L"Friends", &late_source);
    for (const Contact& c : originals) {
      auto item = source->GetItems()->Add();
      for (const auto& [name, value] : c.text)
        if (!value.empty()) item->SetText(name, value);
      if (c.birthday) item->SetDate(prop::Birthday, *c.birthday);
      if (c.anniversary) item->SetDate(prop::Anniversary, *c.anniversary);
      item->Save();
    }
    ASSERT_NO_FATAL_FAILURE(AddDistributionList(late_source.Get()));
    std::vector<Contact> expected;
    for (const Contact& c : originals) expected.push_back(Imported(c));
    std::sort(expected.begin(), expected.end());

    for (const char* option : {"OptOneFile30", "OptOneFile40"}) {
      SCOPED_TRACE(option);
      const std::filesystem::path dir = pindrel::testing::FreshTempDirectory(L"one file \u00FC");
      EXPECT_TRUE(pindrel::testing::ExportThroughWindow(context, *source, dir, option));
      ASSERT_FALSE(desktop.messages.empty());
      EXPECT_EQ(desktop.messages.back().text,
                L"Exported (" + std::to_wstring(originals.size()) + L") Contacts to Friends.vcf.");
      EXPECT_EQ(VcfFiles(dir), std::vector<std::wstring>{L"Friends.vcf"}) << "one file, nothing temporary left";

      auto target = NewContactsFolder(*session, std::wstring(L"Imported ") + (option[10] == '3' ? L"3.0" : L"4.0"));
      // Two contacts of one name are two people here.
      pindrel::testing::ImportThroughWindow(context, *target, dir, pindrel::forms::frmvCardImport::OptDuplicateAdd);
      EXPECT_EQ(desktop.messages.back().text, L"Import Complete !");

      auto items = target->GetItems();
      ASSERT_EQ(items->Count(), static_cast<int>(originals.size()));
      std::vector<Contact> imported;
      for (int i = 1; i <= items->Count(); ++i) imported.push_back(ReadBack(*items->GetItem(i)));
      std::sort(imported.begin(), imported.end());
      for (std::size_t i = 0; i < expected.size() && i < imported.size(); ++i) {
        for (std::wstring_view p : AllTexts()) {
          EXPECT_EQ(imported[i].text[std::wstring(p)], expected[i].text[std::wstring(p)])
              << "contact " << i << ", " << std::string(p.begin(), p.end());
        }
        EXPECT_EQ(imported[i].birthday, expected[i].birthday) << "contact " << i;
        EXPECT_EQ(imported[i].anniversary, expected[i].anniversary) << "contact " << i;
      }
      std::filesystem::remove_all(dir);
    }
    session->Logoff();
  }
  CoUninitialize();
}

}  // namespace
