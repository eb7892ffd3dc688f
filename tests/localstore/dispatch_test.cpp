// The local store's contract from C++ through raw IDispatch, as the
// program calls it: what it accepts (references, any integer width,
// omitted arguments, text in the caller's locale), what it refuses and how
// (the exact Invoke results and the codes in EXCEPINFO), the values it
// keeps, its enumerators, its type library agreeing with the names it
// answers, and what its module releases when.
#include <fstream>
#include <iterator>

#include "../win32/detach_probe.h"
#include "contact_schema.h"
#include "dispatch_support.h"

namespace localstore_test {
namespace {

constexpr HRESULT kNotFound = static_cast<HRESULT>(0x8004010F);
constexpr HRESULT kNoSupport = static_cast<HRESULT>(0x80040102);
constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0x80040605);

class DispatchTest : public StoreTest {};

TEST_F(DispatchTest, AcceptsWhatLateBoundCallersSendAndRefusesTheRest) {
  ComPtr<IDispatch> items = Get(contacts_.Get(), L"Items");
  ComPtr<IDispatch> item = AddContact(L"Ann", L"Lee");
  ComPtr<IDispatch> stores = Get(session_.Get(), L"Stores");
  // Targets of arguments passed by reference.
  SCODE omitted = DISP_E_PARAMNOTFOUND;
  VARIANT null;
  V_VT(&null) = VT_NULL;
  long ten = 10;

  struct Case {
    const char* what;
    IDispatch* object;
    const wchar_t* member;
    WORD flags;
    std::vector<Arg> args;
    bool by_ref;
    HRESULT hr;
    HRESULT scode = S_OK;
    UINT arg_error = ~0u;
  };
  const Case cases[] = {
      {"32-bit kind", session_.Get(), L"GetDefaultFolder", kMethod, {Arg::I4(10)}, false, S_OK},
      {"16-bit kind", session_.Get(), L"GetDefaultFolder", kMethod, {Arg::I2(10)}, false, S_OK},
      {"8-bit kind", session_.Get(), L"GetDefaultFolder", kMethod, {Arg::UI1(10)}, false, S_OK},
      {"kind as text", session_.Get(), L"GetDefaultFolder", kMethod, {Arg::Str(L"10")}, false, S_OK},
      {"kind by reference", session_.Get(), L"GetDefaultFolder", kMethod, {Arg::I4(10)}, true, S_OK},
      {"kind as a reference to a long", session_.Get(), L"GetDefaultFolder", kMethod, {Arg::Ref(VT_I4, &ten)}, false,
       S_OK},
      {"kind omitted by reference", session_.Get(), L"GetDefaultFolder", kMethod, {Arg::Ref(VT_ERROR, &omitted)},
       false, DISP_E_PARAMNOTFOUND},
      {"flags omitted by reference", stores.Get(), L"GetStoreFromID", kMethod,
       {Arg::Str(L"0123"), Arg::Ref(VT_ERROR, &omitted)}, false, DISP_E_EXCEPTION, kNotFound},
      {"type omitted by reference", items.Get(), L"Add", kMethod, {Arg::Ref(VT_ERROR, &omitted)}, false, S_OK},
      {"log on, all omitted by reference", session_.Get(), L"Logon", kMethod,
       {Arg::Ref(VT_ERROR, &omitted), Arg::Ref(VT_ERROR, &omitted), Arg::Ref(VT_ERROR, &omitted)}, false, S_OK},
      {"birthday cleared by a reference to Null", item.Get(), L"Birthday", kPut, {Arg::Ref(VT_VARIANT, &null)},
       false, S_OK},
      {"name in another case", session_.Get(), L"getdefaultFOLDER", kMethod, {Arg::I4(10)}, false, S_OK},
      {"method called as a get", session_.Get(), L"GetDefaultFolder", kGet, {Arg::I4(10)}, false, S_OK},
      {"kind missing", session_.Get(), L"GetDefaultFolder", kMethod, {}, false, DISP_E_BADPARAMCOUNT},
      {"one argument too many", session_.Get(), L"GetDefaultFolder", kMethod, {Arg::I4(10), Arg::I4(1)}, false,
       DISP_E_BADPARAMCOUNT},
      {"kind omitted", session_.Get(), L"GetDefaultFolder", kMethod, {Arg::Omitted()}, false, DISP_E_PARAMNOTFOUND},
      {"kind not a number", session_.Get(), L"GetDefaultFolder", kMethod, {Arg::Str(L"ten")}, false,
       DISP_E_TYPEMISMATCH, S_OK, 0},
      {"kind null", session_.Get(), L"GetDefaultFolder", kMethod, {Arg::Null()}, false, DISP_E_TYPEMISMATCH, S_OK, 0},
      {"no such default folder", session_.Get(), L"GetDefaultFolder", kMethod, {Arg::I4(13)}, false,
       DISP_E_EXCEPTION, kNotFound},
      {"unknown member", session_.Get(), L"NoSuchMember", kMethod, {}, false, DISP_E_UNKNOWNNAME},
      {"log on, all six omitted", session_.Get(), L"Logon", kMethod,
       {Arg::Omitted(), Arg::Omitted(), Arg::Omitted(), Arg::Omitted(), Arg::Omitted(), Arg::Omitted()}, false, S_OK},
      {"log on, empty and by reference", session_.Get(), L"Logon", kMethod, {Arg::Empty(), Arg::Str(L""), Arg::I2(0)},
       true, S_OK},
      {"log on, seven arguments", session_.Get(), L"Logon", kMethod,
       {Arg(), Arg(), Arg(), Arg(), Arg(), Arg(), Arg()}, false, DISP_E_BADPARAMCOUNT},
      {"unknown store", session_.Get(), L"GetStoreFromID", kMethod, {Arg::Str(L"0123"), Arg::Omitted()}, false,
       DISP_E_EXCEPTION, kNotFound},
      {"unknown store, from Stores", stores.Get(), L"GetStoreFromID", kMethod, {Arg::Str(L"0123")}, false,
       DISP_E_EXCEPTION, kNotFound},
      {"unknown folder", session_.Get(), L"GetFolderFromID", kMethod, {Arg::Str(L"0123")}, false, DISP_E_EXCEPTION,
       kNotFound},
      {"store position 0", stores.Get(), L"Item", kMethod, {Arg::I4(0)}, false, DISP_E_EXCEPTION, kNotFound},
      {"item position 0", items.Get(), L"Item", kMethod, {Arg::I2(0)}, false, DISP_E_EXCEPTION, kNotFound},
      {"item past the end", items.Get(), L"Item", kMethod, {Arg::I2(2)}, false, DISP_E_EXCEPTION, kNotFound},
      {"item 1, 16-bit", items.Get(), L"Item", kMethod, {Arg::I2(1)}, false, S_OK},
      {"item by the default member", items.Get(), L"_Item", kGet, {Arg::I4(1)}, false, S_OK},
      {"add with the type omitted", items.Get(), L"Add", kMethod, {Arg::Omitted()}, false, S_OK},
      {"add an unknown type", items.Get(), L"Add", kMethod, {Arg::I4(42)}, false, DISP_E_EXCEPTION,
       static_cast<HRESULT>(0x80070057)},
      {"a property with an argument", item.Get(), L"FirstName", kGet, {Arg::I4(1)}, false, DISP_E_BADPARAMCOUNT},
      {"put a read-only property", item.Get(), L"MessageClass", kPut, {Arg::Str(L"IPM.Note")}, false,
       DISP_E_MEMBERNOTFOUND},
      {"put a number as text", item.Get(), L"FirstName", kPut, {Arg::I4(42)}, false, S_OK},
      {"put an object as text", item.Get(), L"FirstName", kPut, {Arg::Object(stores.Get())}, false,
       DISP_E_TYPEMISMATCH},
      {"put by reference", item.Get(), L"LastName", kPut, {Arg::Str(L"Lee")}, true, S_OK},
      {"birthday as no date", item.Get(), L"Birthday", kPut, {Arg::Str(L"not a date")}, false, DISP_E_TYPEMISMATCH},
      {"save as MSG", item.Get(), L"SaveAs", kMethod, {Arg::Str(L"C:\\x.msg"), Arg::I2(3)}, false, DISP_E_EXCEPTION,
       kNoSupport},
      {"save as with no path", item.Get(), L"SaveAs", kMethod, {}, false, DISP_E_BADPARAMCOUNT},
      {"save as into a missing folder", item.Get(), L"SaveAs", kMethod,
       {Arg::Str(L"C:\\no\\such\\folder\\x.vcf"), Arg::I2(6)}, false, DISP_E_EXCEPTION,
       HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
      {"folder name, the default member", contacts_.Get(), L"Name", kGet, {}, false, S_OK},
      {"a folder's items take no argument", contacts_.Get(), L"Items", kGet, {Arg::I4(1)}, false,
       DISP_E_BADPARAMCOUNT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Outcome out = Call(c.object, c.member, c.flags, c.args, c.by_ref);
    EXPECT_EQ(out.hr, c.hr) << std::hex << out.hr;
    if (c.hr == DISP_E_EXCEPTION) {
      EXPECT_EQ(out.scode, c.scode) << std::hex << out.scode;
      EXPECT_FALSE(out.description.empty());
    }
    if (c.arg_error != ~0u) {
      EXPECT_EQ(out.arg_error, c.arg_error);
    }
  }

  // Invoke itself: another interface, named arguments, a DISPID nobody has.
  DISPPARAMS none{};
  Variant result;
  EXPECT_EQ(session_->Invoke(0, IID_IDispatch, 0, DISPATCH_METHOD, &none, result.Receive(),
                             nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(session_->Invoke(12345, IID_NULL, 0, DISPATCH_METHOD, &none, result.Receive(), nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  VARIANT arg;
  V_VT(&arg) = VT_I4;
  V_I4(&arg) = 10;
  DISPID named = 0;
  DISPPARAMS with_name{&arg, &named, 1, 1};
  DISPID id;
  LPOLESTR name = const_cast<LPOLESTR>(L"GetDefaultFolder");
  ASSERT_EQ(session_->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  EXPECT_EQ(session_->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &with_name, result.Receive(), nullptr, nullptr),
            DISP_E_NONAMEDARGS);
}

TEST_F(DispatchTest, ContactsKeepEveryPropertyAndAreFoundByIdentifiers) {
  // Every text property of the contact schema.
  std::vector<const wchar_t*> texts;
  for (const contact_schema::Property& p : contact_schema::kProperties)
    if (!p.IsDate()) texts.push_back(p.name.data());
  ComPtr<IDispatch> items = Get(contacts_.Get(), L"Items");
  ComPtr<IDispatch> item = Get(items.Get(), L"Add");
  EXPECT_EQ(GetText(item.Get(), L"MessageClass"), L"IPM.Contact");
  Outcome unset = Call(item.Get(), L"Birthday", kGet);
  EXPECT_EQ(unset.hr, S_OK);
  EXPECT_EQ(V_VT(&unset.result->Get()), VT_EMPTY);
  for (const wchar_t* name : texts) Put(item.Get(), name, Arg::Str((std::wstring(name) + L" \u00fc\u20ac").c_str()));
  Put(item.Get(), L"Birthday", Arg::Date(29245));  // 25 January 1980
  Put(item.Get(), L"Anniversary", Arg::Date(38510));  // 7 June 2005
  ASSERT_EQ(Call(item.Get(), L"Save", kMethod).hr, S_OK);
  std::wstring entry = GetText(item.Get(), L"EntryID");
  EXPECT_EQ(entry.size(), 48u);

  // Through a second session, by the identifiers the caller kept.
  ComPtr<IDispatch> other = Server::Get().NewSession();
  ASSERT_EQ(Call(other.Get(), L"Logon", kMethod).hr, S_OK);
  ComPtr<IDispatch> stores = Get(other.Get(), L"Stores");
  ComPtr<IDispatch> store = Get(stores.Get(), L"GetStoreFromID", {Arg::Str(GetText(contacts_.Get(), L"StoreID").c_str())});
  ComPtr<IDispatch> folder = Get(store.Get(), L"GetFolderFromID", {Arg::Str(GetText(contacts_.Get(), L"EntryID").c_str()),
                                                                   Arg::Omitted()});
  EXPECT_EQ(GetText(folder.Get(), L"FolderPath"), L"\\\\Personal Folders\\Contacts");
  ComPtr<IDispatch> found = Get(Get(folder.Get(), L"Items").Get(), L"Item", {Arg::I2(1)});
  EXPECT_EQ(GetText(found.Get(), L"EntryID"), entry);
  for (const wchar_t* name : texts) EXPECT_EQ(GetText(found.Get(), name), std::wstring(name) + L" \u00fc\u20ac");
  Outcome birthday = Call(found.Get(), L"Birthday", kGet);
  ASSERT_EQ(V_VT(&birthday.result->Get()), VT_DATE);
  EXPECT_EQ(V_DATE(&birthday.result->Get()), 29245);
  Outcome anniversary = Call(found.Get(), L"Anniversary", kGet);
  ASSERT_EQ(V_VT(&anniversary.result->Get()), VT_DATE);
  EXPECT_EQ(V_DATE(&anniversary.result->Get()), 38510);
  EXPECT_FALSE(GetText(store.Get(), L"PstPath").empty());

  // Clearing the birthday, a re-save in place, and a delete.
  Put(found.Get(), L"Birthday", Arg::Empty());
  Put(found.Get(), L"FirstName", Arg::Str(L"Changed"));
  ASSERT_EQ(Call(found.Get(), L"Save", kMethod).hr, S_OK);
  ComPtr<IDispatch> reread = Get(items.Get(), L"Item", {Arg::I4(1)});
  EXPECT_EQ(GetText(reread.Get(), L"FirstName"), L"Changed");
  EXPECT_EQ(V_VT(&Call(reread.Get(), L"Birthday", kGet).result->Get()), VT_EMPTY);
  EXPECT_EQ(V_VT(&Call(reread.Get(), L"Anniversary", kGet).result->Get()), VT_DATE);
  ASSERT_EQ(Call(reread.Get(), L"Delete", kMethod).hr, S_OK);
  EXPECT_EQ(V_I4(&Call(items.Get(), L"Count", kGet).result->Get()), 0);
  Outcome again = Call(reread.Get(), L"Save", kMethod);
  EXPECT_EQ(again.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(again.scode, static_cast<HRESULT>(0x8004010A));

  // Logged off, the session refuses what needs the profile.
  ASSERT_EQ(Call(other.Get(), L"Logoff", kMethod).hr, S_OK);
  Outcome after = Call(other.Get(), L"GetDefaultFolder", kMethod, {Arg::I4(10)});
  EXPECT_EQ(after.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(after.scode, kNotInitialized);
}

TEST_F(DispatchTest, SavesAsVCardAndAddsListsAndFolders) {
  ComPtr<IDispatch> items = Get(contacts_.Get(), L"Items");
  ComPtr<IDispatch> item = AddContact(L"J\u00fcrgen", L"M\u00fcller");
  Put(item.Get(), L"Body", Arg::Str(L"one\r\ntwo"));
  std::filesystem::create_directories(profile_ / "out");
  std::filesystem::path file = profile_ / "out" / L"M\u00fcller \u20ac.vcf";
  ASSERT_EQ(Call(item.Get(), L"SaveAs", kMethod, {Arg::Str(file.c_str()), Arg::I2(6)}).hr, S_OK);
  std::ifstream in(file, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text,
            "BEGIN:VCARD\r\nVERSION:2.1\r\nN:M\xc3\xbcller;J\xc3\xbcrgen;;;\r\n"
            "NOTE;ENCODING=QUOTED-PRINTABLE:one=0D=0Atwo\r\nEND:VCARD\r\n");

  struct AddCase { Arg type; const wchar_t* message_class; };
  const AddCase adds[] = {{Arg::Omitted(), L"IPM.Contact"}, {Arg::I4(2), L"IPM.Contact"},
                          {Arg::I2(7), L"IPM.DistList"}, {Arg::Str(L"IPM.DistList"), L"IPM.DistList"}};
  for (const AddCase& a : adds) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(a.message_class)));
    ComPtr<IDispatch> added = Get(items.Get(), L"Add", {a.type});
    EXPECT_EQ(GetText(added.Get(), L"MessageClass"), a.message_class);
  }

  ComPtr<IDispatch> folders = Get(contacts_.Get(), L"Folders");
  ComPtr<IDispatch> friends = Get(folders.Get(), L"Add", {Arg::Str(L"Friends: \"close\" / far"), Arg::I4(10)});
  EXPECT_EQ(GetText(friends.Get(), L"FolderPath"), L"\\\\Personal Folders\\Contacts\\Friends: \"close\" / far");
  EXPECT_EQ(GetText(friends.Get(), L"DefaultMessageClass"), L"IPM.Contact");
  Outcome twice = Call(folders.Get(), L"Add", kMethod, {Arg::Str(L"Friends: \"close\" / far")});
  EXPECT_EQ(twice.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(twice.scode, static_cast<HRESULT>(0x80040604));
  ComPtr<IDispatch> by_name = Get(folders.Get(), L"Item", {Arg::Str(L"Friends: \"close\" / far")});
  EXPECT_EQ(GetText(by_name.Get(), L"EntryID"), GetText(friends.Get(), L"EntryID"));
}

// Every member the type library describes answers to its name with the same
// DISPID, so tools that read the library and callers that ask by name agree.
TEST_F(DispatchTest, TypeLibraryAgreesWithTheMemberTables) {
  ComPtr<IDispatch> items = Get(contacts_.Get(), L"Items");
  // A contact with a picture, for its attachments.
  ComPtr<IDispatch> pictured = Get(items.Get(), L"Add");
  ASSERT_EQ(Call(pictured.Get(), L"AddPicture", kMethod, {Arg::Str(TESSARY_DATA_DIR L"/pictures/images/icon.gif")}).hr,
            S_OK);
  ComPtr<IDispatch> attachments = Get(pictured.Get(), L"Attachments");
  ComPtr<IDispatch> objects[] = {session_, Get(session_.Get(), L"Stores"),
                                 Get(Get(session_.Get(), L"Stores").Get(), L"Item", {Arg::I4(1)}),
                                 contacts_, Get(contacts_.Get(), L"Folders"), items, Get(items.Get(), L"Add"),
                                 attachments, Get(attachments.Get(), L"Item", {Arg::I4(1)})};
  for (const ComPtr<IDispatch>& object : objects) {
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(object->GetTypeInfo(0, 0, &info), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    int functions = attributes->cFuncs;
    info->ReleaseTypeAttr(attributes);
    EXPECT_GT(functions, 0);
    for (int i = 0; i < functions; ++i) {
      FUNCDESC* function = nullptr;
      ASSERT_EQ(info->GetFuncDesc(i, &function), S_OK);
      Bstr name;
      UINT got = 0;
      info->GetNames(function->memid, name.Receive(), 1, &got);
      LPOLESTR names[] = {name.Get()};
      DISPID id = DISPID_UNKNOWN;
      EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK) << testing::PrintToString(std::wstring(name.View()));
      EXPECT_EQ(id, function->memid) << testing::PrintToString(std::wstring(name.View()));
      info->ReleaseFuncDesc(function);
    }
  }
}

// A date given as text is read in the caller's locale, as the automation
// runtime reads it: 02/03/1980 is 3 February in the United States and
// 2 March in Britain.
TEST_F(DispatchTest, TextBecomesADateInTheCallersLocale) {
  ComPtr<IDispatch> item = AddContact(L"Ann", L"Lee");
  struct Case {
    LCID locale;
    WORD month;
    WORD day;
  };
  const Case cases[] = {{MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT), 2, 3},
                        {MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK), SORT_DEFAULT), 3, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.locale);
    ASSERT_EQ(Call(item.Get(), L"Birthday", kPut, {Arg::Str(L"02/03/1980")}, false, c.locale).hr, S_OK);
    SYSTEMTIME day{};
    day.wYear = 1980;
    day.wMonth = c.month;
    day.wDay = c.day;
    double expected = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&day, &expected));
    Outcome got = Call(item.Get(), L"Birthday", kGet);
    ASSERT_EQ(V_VT(&got.result->Get()), VT_DATE);
    EXPECT_EQ(V_DATE(&got.result->Get()), expected);
  }
}

// What For Each asks a collection for: an enumerator of its objects, here
// the items of a folder, in their order.
TEST_F(DispatchTest, CollectionsHandOutAnEnumerator) {
  AddContact(L"Ann", L"Lee");
  AddContact(L"Bo", L"Day");
  ComPtr<IDispatch> items = Get(contacts_.Get(), L"Items");
  Outcome out = Call(items.Get(), L"_NewEnum", kMethod);
  ASSERT_EQ(out.hr, S_OK);
  ASSERT_EQ(V_VT(&out.result->Get()), VT_UNKNOWN);
  ComPtr<IEnumVARIANT> walk;
  ASSERT_EQ(V_UNKNOWN(&out.result->Get())->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(walk.GetAddressOf())),
            S_OK);
  VARIANT got[3];
  ULONG fetched = 0;
  ASSERT_EQ(walk->Next(3, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  std::vector<std::wstring> names;
  for (ULONG i = 0; i < fetched; ++i) {
    names.push_back(GetText(V_DISPATCH(&got[i]), L"FirstName"));
    VariantClear(&got[i]);
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Ann", L"Bo"}));
}

// FreeLibrary releases the cached type library; the notification of a
// process exit does not, since oleaut32 may be gone by then and the loader
// lock is held.
TEST(LocalStoreModule, TypeLibraryIsReleasedOnUnloadButNotAtProcessExit) {
  for (const wchar_t* mode : {L"unload", L"exit"}) {
    SCOPED_TRACE(testing::Message() << (mode[0] == L'u' ? "unload" : "process exit"));
    EXPECT_EQ(RunDetachProbe(std::wstring(mode) + L" LocalStore.dll {6E1B1F2A-4C55-4E0B-9B7E-2F6D6C3A9D21}"), 0u)
        << "1: the wrong answer, 2: the probe could not set up";
  }
}

TEST_F(DispatchTest, TheModuleUnloadsOnlyWhenNoObjectIsLeft) {
  EXPECT_EQ(Server::Get().CanUnloadNow(), S_FALSE);
  contacts_.Reset();
  session_.Reset();
  EXPECT_EQ(Server::Get().CanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace localstore_test
