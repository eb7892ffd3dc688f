// The late-bound store client against an automation server written here by
// hand: it records every name lookup and call, so the tests see exactly what
// a real server would receive.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "com_util.h"
#include "store_dispatch.h"

namespace {

using namespace pindrel::store;
using comsupport::ComPtr;
using comsupport::Variant;

enum Kind { kSession, kFolder, kItems, kItem, kStores, kStore, kAttachments, kAttachment, kKinds };
const wchar_t* const kKindNames[kKinds] = {L"Session", L"Folder", L"Items",       L"Item",
                                           L"Stores",  L"Store",  L"Attachments", L"Attachment"};

// Each kind's members; a member's DISPID is (kind + 1) * 100 + its index,
// so a DISPID used on an object of the wrong kind is refused.
const std::vector<std::wstring> kMembers[kKinds] = {
    {L"Logon", L"Logoff", L"GetDefaultFolder", L"PickFolder", L"Stores", L"GetStoreFromID"},
    {L"DefaultMessageClass", L"Name", L"FolderPath", L"StoreID", L"EntryID", L"Items"},
    {L"Count", L"Item", L"Add"},
    {L"MessageClass", L"EntryID", L"FirstName", L"LastName", L"Birthday", L"Save", L"SaveAs", L"Attachments"},
    {L"GetStoreFromID"},
    {L"PstPath", L"GetFolderFromID"},
    {L"Count", L"Item"},
    {L"FileName", L"SaveAsFile"},
};

const std::map<std::wstring, Kind> kReturnsObject = {
    {L"GetDefaultFolder", kFolder}, {L"PickFolder", kFolder}, {L"Stores", kStores},   {L"GetStoreFromID", kStore},
    {L"GetFolderFromID", kFolder},  {L"Items", kItems},       {L"Item", kItem},       {L"Add", kItem},
};

struct Call {
  Kind kind;
  std::wstring member;
  WORD flags;
  std::vector<std::wstring> args;  // described, in the member's own order
  std::vector<DISPID> named;
};

using Handler = std::function<HRESULT(VARIANT* result, EXCEPINFO* exception)>;

// What the server saw and how it answers; shared by all its objects.
struct Server {
  GUID types[kKinds]{};
  bool typed[kKinds] = {true, true, true, true, true, false, true, true};  // stores do not tell their type
  // The items' attachments by file name, and their bytes; without
  // `attachments` the items know no such member, as an older library.
  bool attachments = true;
  std::vector<std::pair<std::wstring, std::string>> attached;
  std::vector<std::wstring> saved_files;  // where SaveAsFile wrote
  std::vector<Call> calls;
  std::map<std::pair<Kind, std::wstring>, int> lookups;
  std::map<IDispatch*, Kind> live;
  std::map<std::wstring, Handler> answers;  // by member, instead of the usual answer
  Variant birthday;

  Server() {
    // Fresh types per server, so the client's process-wide cache starts
    // empty for each test.
    for (GUID& type : types) CoCreateGuid(&type);
  }
};

std::wstring Describe(const Server& server, const VARIANT& value) {
  switch (V_VT(&value)) {
    case VT_EMPTY: return L"EMPTY";
    case VT_I2: return L"I2:" + std::to_wstring(V_I2(&value));
    case VT_I4: return L"I4:" + std::to_wstring(V_I4(&value));
    case VT_BSTR: return L"BSTR:" + std::wstring(V_BSTR(&value), SysStringLen(V_BSTR(&value)));
    case VT_DATE: return L"DATE:" + std::to_wstring(V_DATE(&value));
    case VT_ERROR: return V_ERROR(&value) == DISP_E_PARAMNOTFOUND ? L"OMITTED" : L"ERROR";
    case VT_DISPATCH: {
      auto found = server.live.find(V_DISPATCH(&value));
      return L"DISPATCH:" + std::wstring(found == server.live.end() ? L"?" : kKindNames[found->second]);
    }
    default: return L"VT:" + std::to_wstring(V_VT(&value));
  }
}

// Type information that only tells its type's GUID.
class FakeTypeInfo final : public ITypeInfo {
 public:
  explicit FakeTypeInfo(const GUID& type) { attributes_.guid = type; }
  static ComPtr<ITypeInfo> Create(const GUID& type) { return ComPtr<ITypeInfo>(std::make_unique<FakeTypeInfo>(type).release()); }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ITypeInfo) ? this : nullptr;
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG left = --references_;
    if (left == 0) std::unique_ptr<FakeTypeInfo> last(this);
    return left;
  }
  STDMETHODIMP GetTypeAttr(TYPEATTR** attributes) override {
    *attributes = &attributes_;
    return S_OK;
  }
  STDMETHODIMP_(void) ReleaseTypeAttr(TYPEATTR*) override {}
  STDMETHODIMP GetTypeComp(ITypeComp**) override { return E_NOTIMPL; }
  STDMETHODIMP GetFuncDesc(UINT, FUNCDESC**) override { return E_NOTIMPL; }
  STDMETHODIMP GetVarDesc(UINT, VARDESC**) override { return E_NOTIMPL; }
  STDMETHODIMP GetNames(MEMBERID, BSTR*, UINT, UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetRefTypeOfImplType(UINT, HREFTYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP GetImplTypeFlags(UINT, INT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(LPOLESTR*, UINT, MEMBERID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(PVOID, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetDocumentation(MEMBERID, BSTR*, BSTR*, DWORD*, BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override { return E_NOTIMPL; }
  STDMETHODIMP GetRefTypeInfo(HREFTYPE, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP AddressOfMember(MEMBERID, INVOKEKIND, PVOID*) override { return E_NOTIMPL; }
  STDMETHODIMP CreateInstance(IUnknown*, REFIID, PVOID*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMops(MEMBERID, BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP GetContainingTypeLib(ITypeLib**, UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP_(void) ReleaseFuncDesc(FUNCDESC*) override {}
  STDMETHODIMP_(void) ReleaseVarDesc(VARDESC*) override {}

 private:
  TYPEATTR attributes_{};
  ULONG references_ = 0;
};

// One object of the server, answering its kind's members.
class FakeObject final : public IDispatch {
 public:
  FakeObject(Server& server, Kind kind, int index = 0) : server_(server), kind_(kind), index_(index) {
    server_.live[this] = kind;
  }
  ~FakeObject() { server_.live.erase(this); }
  static ComPtr<IDispatch> Create(Server& server, Kind kind, int index = 0) {
    return ComPtr<IDispatch>(std::make_unique<FakeObject>(server, kind, index).release());
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ? this : nullptr;
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG left = --references_;
    if (left == 0) std::unique_ptr<FakeObject> last(this);
    return left;
  }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = server_.typed[kind_] ? 1 : 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    *info = nullptr;
    if (index != 0 || !server_.typed[kind_]) return DISP_E_BADINDEX;
    *info = FakeTypeInfo::Create(server_.types[kind_]).Detach();
    return S_OK;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (count != 1) return E_INVALIDARG;
    const std::vector<std::wstring>& members = kMembers[kind_];
    for (size_t i = 0; i < members.size(); ++i) {
      if (kind_ == kItem && members[i] == L"Attachments" && !server_.attachments) break;
      if (_wcsicmp(members[i].c_str(), names[0]) == 0) {
        ++server_.lookups[{kind_, members[i]}];
        ids[0] = static_cast<DISPID>((kind_ + 1) * 100 + i);
        return S_OK;
      }
    }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT*) override {
    size_t index = static_cast<size_t>(id - (kind_ + 1) * 100);
    if (index >= kMembers[kind_].size()) return DISP_E_MEMBERNOTFOUND;
    const std::wstring& member = kMembers[kind_][index];
    Call call{kind_, member, flags, {}, {}};
    for (UINT i = params->cArgs; i-- > 0;) call.args.push_back(Describe(server_, params->rgvarg[i]));
    call.named.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
    server_.calls.push_back(call);

    if (auto answer = server_.answers.find(member); answer != server_.answers.end())
      return answer->second(result, exception);
    if (member == L"Birthday" && flags == DISPATCH_PROPERTYPUT) return VariantCopy(server_.birthday.Pointer(), params->rgvarg);
    if (kind_ >= kAttachments) return Attachments(member, params, result);
    if (!result) return S_OK;
    if (member == L"Birthday") return VariantCopy(result, server_.birthday.Pointer());
    if (member == L"Attachments") {
      V_VT(result) = VT_DISPATCH;
      V_DISPATCH(result) = Create(server_, kAttachments).Detach();
      return S_OK;
    }
    if (auto object = kReturnsObject.find(member); object != kReturnsObject.end()) {
      V_VT(result) = VT_DISPATCH;
      V_DISPATCH(result) = Create(server_, object->second).Detach();
    } else if (member == L"Count") {
      V_VT(result) = VT_I4;
      V_I4(result) = 40000;
    } else if (flags == DISPATCH_PROPERTYGET) {
      V_VT(result) = VT_BSTR;
      V_BSTR(result) = SysAllocString(member.c_str());
    }
    return S_OK;
  }

 private:
  // The collection and its attachments: Count, Item(i) from 1, FileName,
  // and SaveAsFile writing the bytes to the path it is given.
  HRESULT Attachments(const std::wstring& member, DISPPARAMS* params, VARIANT* result) {
    if (member == L"Count") {
      V_VT(result) = VT_I4;
      V_I4(result) = static_cast<LONG>(server_.attached.size());
    } else if (member == L"Item") {
      const int i = V_I4(&params->rgvarg[0]);
      if (V_VT(&params->rgvarg[0]) != VT_I4 || i < 1 || i > static_cast<int>(server_.attached.size()))
        return DISP_E_BADINDEX;
      V_VT(result) = VT_DISPATCH;
      V_DISPATCH(result) = Create(server_, kAttachment, i).Detach();
    } else if (member == L"FileName") {
      V_VT(result) = VT_BSTR;
      V_BSTR(result) = SysAllocString(server_.attached[index_ - 1].first.c_str());
    } else if (member == L"SaveAsFile") {
      const std::wstring path(V_BSTR(&params->rgvarg[0]));
      server_.saved_files.push_back(path);
      HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
      const std::string& bytes = server_.attached[index_ - 1].second;
      DWORD written = 0;
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
      CloseHandle(file);
    }
    return S_OK;
  }

  Server& server_;
  Kind kind_;
  int index_;  // an attachment's position
  ULONG references_ = 0;
};

class StoreDispatchTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
  void TearDown() override {
    session_.reset();
    root_.Reset();
    server_.calls.clear();
    // The client holds no reference after its objects are gone.
    EXPECT_TRUE(server_.live.empty()) << server_.live.size() << " objects still referenced";
    CoUninitialize();
  }
  Session& session() {
    if (!session_) {
      root_ = FakeObject::Create(server_, kSession);
      session_ = WrapSession(root_.Get());
    }
    return *session_;
  }

  Server server_;
  ComPtr<IDispatch> root_;
  std::unique_ptr<Session> session_;
};

constexpr WORD kMethod = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;

TEST_F(StoreDispatchTest, EachMemberReceivesItsArgumentsInTheTypesItDeclares) {
  std::unique_ptr<Folder> folder = session().GetDefaultFolder(kContactsFolderKind);
  std::unique_ptr<Items> items = folder->GetItems();
  std::unique_ptr<Item> item = items->Add();
  std::unique_ptr<Store> store = session().GetStoreFromID(L"S");
  std::unique_ptr<Stores> stores = session().GetStores();

  struct Case {
    const char* what;
    std::function<void()> act;
    Kind kind;
    const wchar_t* member;
    WORD flags;
    std::vector<std::wstring> args;
  };
  const Case cases[] = {
      {"log on, all omitted", [&] { session().Logon(); }, kSession, L"Logon", kMethod, {}},
      {"log off", [&] { session().Logoff(); }, kSession, L"Logoff", kMethod, {}},
      {"default folder, 32-bit kind", [&] { session().GetDefaultFolder(10); }, kSession, L"GetDefaultFolder",
       kMethod, {L"I4:10"}},
      {"pick folder, export",
       [&] { session().PickFolder(*folder, L"Please select a Contacts folder", std::int16_t{1}, 2); }, kSession,
       L"PickFolder", kMethod,
       {L"DISPATCH:Folder", L"BSTR:Please select a Contacts folder", L"OMITTED", L"I2:1", L"I4:2"}},
      {"pick folder, fourth omitted", [&] { session().PickFolder(*folder, L"c", std::nullopt, 2); }, kSession,
       L"PickFolder", kMethod, {L"DISPATCH:Folder", L"BSTR:c", L"OMITTED", L"OMITTED", L"I4:2"}},
      {"stores", [&] { session().GetStores(); }, kSession, L"Stores", kGet, {}},
      {"session's store by id", [&] { session().GetStoreFromID(L"S1"); }, kSession, L"GetStoreFromID", kMethod,
       {L"BSTR:S1", L"OMITTED"}},
      {"stores' store by id", [&] { stores->GetStoreFromID(L"S2"); }, kStores, L"GetStoreFromID", kMethod,
       {L"BSTR:S2", L"OMITTED"}},
      {"folder by id", [&] { store->GetFolderFromID(L"F1"); }, kStore, L"GetFolderFromID", kMethod, {L"BSTR:F1"}},
      {"PST path", [&] { store->PstPath(); }, kStore, L"PstPath", kGet, {}},
      {"message class", [&] { folder->DefaultMessageClass(); }, kFolder, L"DefaultMessageClass", kGet, {}},
      {"folder path", [&] { folder->FolderPath(); }, kFolder, L"FolderPath", kGet, {}},
      {"items", [&] { folder->GetItems(); }, kFolder, L"Items", kGet, {}},
      {"count", [&] { items->Count(); }, kItems, L"Count", kGet, {}},
      {"position 1, 16-bit", [&] { items->GetItem(1); }, kItems, L"Item", kMethod, {L"I2:1"}},
      {"position 32767, 16-bit", [&] { items->GetItem(32767); }, kItems, L"Item", kMethod, {L"I2:32767"}},
      {"position 32768, 32-bit", [&] { items->GetItem(32768); }, kItems, L"Item", kMethod, {L"I4:32768"}},
      {"add, type omitted", [&] { items->Add(); }, kItems, L"Add", kMethod, {L"OMITTED"}},
      {"text property read", [&] { item->Text(property::LastName); }, kItem, L"LastName", kGet, {}},
      {"text property set", [&] { item->SetText(property::FirstName, L"Zoë"); }, kItem, L"FirstName", kPut,
       {L"BSTR:Zoë"}},
      {"birthday set as a date", [&] { item->SetDate(property::Birthday, {1980, 2, 3}); }, kItem, L"Birthday",
       kPut, {L"DATE:29254.000000"}},
      {"save", [&] { item->Save(); }, kItem, L"Save", kMethod, {}},
      {"save as vCard, 16-bit type", [&] { item->SaveAs(L"C:\\out\\a.vcf", kSaveAsVCard); }, kItem, L"SaveAs",
       kMethod, {L"BSTR:C:\\out\\a.vcf", L"I2:6"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    server_.calls.clear();
    ASSERT_NO_THROW(c.act());
    ASSERT_EQ(server_.calls.size(), 1u);
    const Call& call = server_.calls[0];
    EXPECT_EQ(call.kind, c.kind);
    EXPECT_EQ(call.member, c.member);
    EXPECT_EQ(call.flags, c.flags);
    EXPECT_EQ(call.args, c.args);
    // A put names its value DISPID_PROPERTYPUT; nothing else names any.
    EXPECT_EQ(call.named, c.flags == kPut ? std::vector<DISPID>{DISPID_PROPERTYPUT} : std::vector<DISPID>{});
  }
}

TEST_F(StoreDispatchTest, NamesAreLookedUpOncePerTypeOfObject) {
  std::unique_ptr<Folder> folder = session().GetDefaultFolder(kContactsFolderKind);
  constexpr int kContacts = 30;
  for (int i = 1; i <= kContacts; ++i) {  // as the import does: new objects for every contact
    std::unique_ptr<Item> item = folder->GetItems()->Add();
    item->SetText(property::FirstName, L"First");
    item->SetText(property::LastName, L"Last");
    item->SetDate(property::Birthday, {1970, 1, i});
    item->Save();
    EXPECT_EQ(folder->GetItems()->GetItem(i)->MessageClass(), L"MessageClass");
  }
  // Folders and items both have EntryID under different DISPIDs.
  EXPECT_EQ(folder->EntryID(), L"EntryID");
  EXPECT_EQ(folder->GetItems()->GetItem(1)->EntryID(), L"EntryID");

  for (const auto& [name, count] : server_.lookups)
    EXPECT_EQ(count, 1) << testing::PrintToString(kKindNames[name.first]) << testing::PrintToString(name.second);
  const std::pair<Kind, std::wstring> used[] = {{kFolder, L"Items"}, {kItems, L"Add"},     {kItems, L"Item"},
                                                {kItem, L"FirstName"}, {kItem, L"Birthday"}, {kItem, L"Save"},
                                                {kItem, L"EntryID"},   {kFolder, L"EntryID"}};
  for (const auto& name : used) EXPECT_EQ(server_.lookups[name], 1) << testing::PrintToString(name.second);

  // An object that does not tell its type keeps its own names.
  for (int i = 0; i < 2; ++i) {
    std::unique_ptr<Store> store = session().GetStoreFromID(L"S");
    store->PstPath();
    store->PstPath();
  }
  EXPECT_EQ((server_.lookups[{kStore, L"PstPath"}]), 2);
}

HRESULT WINAPI FillInNotFound(EXCEPINFO* exception) {
  exception->scode = static_cast<SCODE>(0x8004010F);
  exception->bstrDescription = SysAllocString(L"The entry was not found.");
  exception->bstrSource = SysAllocString(L"Fake");
  return S_OK;
}

TEST_F(StoreDispatchTest, FailuresBecomeStoreErrorsWithTheServersCodeAndText) {
  std::unique_ptr<Folder> folder = session().GetDefaultFolder(kContactsFolderKind);
  std::unique_ptr<Item> item = folder->GetItems()->Add();
  struct Case {
    const char* what;
    Handler answer;  // of Save
    std::function<void()> act;
    std::uint32_t code;
    std::wstring description;
    size_t calls;  // that reached Invoke
  };
  const Case cases[] = {
      {"exception filled in at once",
       [](VARIANT*, EXCEPINFO* e) {
         e->scode = static_cast<SCODE>(0x80040111);
         e->bstrDescription = SysAllocString(L"Could not log on.");
         return DISP_E_EXCEPTION;
       },
       [&] { item->Save(); }, 0x80040111, L"Could not log on.", 1},
      {"exception filled in on demand",
       [](VARIANT*, EXCEPINFO* e) {
         e->pfnDeferredFillIn = FillInNotFound;
         return DISP_E_EXCEPTION;
       },
       [&] { item->Save(); }, 0x8004010F, L"The entry was not found.", 1},
      {"16-bit exception code",
       [](VARIANT*, EXCEPINFO* e) {
         e->wCode = 5;
         return DISP_E_EXCEPTION;
       },
       [&] { item->Save(); }, 0x80040205, L"", 1},
      {"plain failure", [](VARIANT*, EXCEPINFO*) { return DISP_E_TYPEMISMATCH; }, [&] { item->Save(); },
       0x80020005, L"", 1},
      {"unknown member", nullptr, [&] { item->Text(L"NoSuchProperty"); }, 0x80020006, L"", 0},
      {"no such day: nothing sent", nullptr, [&] { item->SetDate(property::Birthday, {1981, 2, 29}); }, 0x80070057,
       L"", 0},
      {"no folder where one is needed", nullptr,
       [&] {
         server_.answers[L"GetDefaultFolder"] = [](VARIANT*, EXCEPINFO*) { return S_OK; };
         session().GetDefaultFolder(kContactsFolderKind);
       },
       0x80004003, L"", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    server_.answers.clear();
    if (c.answer) server_.answers[L"Save"] = c.answer;
    server_.calls.clear();
    try {
      c.act();
      ADD_FAILURE() << "no StoreError";
    } catch (const StoreError& error) {
      EXPECT_EQ(static_cast<std::uint32_t>(error.code()), c.code);
      EXPECT_EQ(error.description(), c.description);
    }
    EXPECT_EQ(server_.calls.size(), c.calls);
  }
  server_.answers.clear();
}

TEST_F(StoreDispatchTest, ResultsReadBack) {
  std::unique_ptr<Folder> folder = session().GetDefaultFolder(kContactsFolderKind);

  // The picker's cancel arrives as no object in either form.
  EXPECT_NE(session().PickFolder(*folder, L"c", std::nullopt, 2), nullptr);
  for (VARTYPE cancelled : {VT_DISPATCH, VT_EMPTY}) {
    server_.answers[L"PickFolder"] = [cancelled](VARIANT* result, EXCEPINFO*) {
      V_VT(result) = cancelled;
      V_DISPATCH(result) = nullptr;
      return S_OK;
    };
    EXPECT_EQ(session().PickFolder(*folder, L"c", std::nullopt, 2), nullptr) << cancelled;
  }
  server_.answers.clear();

  EXPECT_EQ(folder->GetItems()->Count(), 40000);
  std::unique_ptr<Item> item = folder->GetItems()->Add();
  EXPECT_EQ(item->GetDate(property::Birthday), std::nullopt);  // never set: VT_EMPTY
  item->SetDate(property::Birthday, {2000, 2, 29});
  EXPECT_EQ(item->GetDate(property::Birthday), (Date{2000, 2, 29}));
  SYSTEMTIME none{};
  none.wYear = 4501;
  none.wMonth = 1;
  none.wDay = 1;
  DATE date = 0;
  ASSERT_TRUE(SystemTimeToVariantTime(&none, &date));
  V_VT(server_.birthday.Pointer()) = VT_DATE;
  V_DATE(server_.birthday.Pointer()) = date;
  EXPECT_EQ(item->GetDate(property::Birthday), std::nullopt);  // the library's "no date"
  V_VT(server_.birthday.Pointer()) = VT_NULL;
  EXPECT_EQ(item->GetDate(property::Birthday), std::nullopt);
}

TEST(StoreDispatchSession, MissingClassIsReportedWithItsCode) {
  ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  try {
    CreateDispatchSession(L"Pindrel.NobodyRegisteredThis.Session");
    ADD_FAILURE() << "no StoreError";
  } catch (const StoreError& error) {
    EXPECT_EQ(error.code(), kClassNotRegistered);
  }
  CoUninitialize();
}

}  // namespace

namespace {

// The picture is read as the mail client keeps it: the attachment named
// ContactPicture.jpg, saved to a file of our own that is read and removed.
TEST_F(StoreDispatchTest, PictureIsTheContactPictureAttachment) {
  std::unique_ptr<Items> items = session().GetDefaultFolder(kContactsFolderKind)->GetItems();
  const std::string jpeg = std::string("\xff\xd8\xff\xe0\0\x10JFIF\0", 11) + std::string(100000, 'Z');
  struct Case {
    const char* what;
    bool attachments;
    std::vector<std::pair<std::wstring, std::string>> attached;
    std::optional<std::string> picture;
  };
  const Case cases[] = {
      {"a library without attachments: no picture, no failure", false, {{L"ContactPicture.jpg", jpeg}},
       std::nullopt},
      {"the picture among other attachments", true, {{L"notes.txt", "text"}, {L"contactpicture.JPG", jpeg}}, jpeg},
      {"attachments, but no picture", true, {{L"ContactPicture.jpg.txt", "no"}}, std::nullopt},
      {"no attachments", true, {}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    server_.attachments = c.attachments;
    server_.attached = c.attached;
    server_.saved_files.clear();
    // A type of item of its own each time: the client asks a type once
    // whether it knows a name.
    CoCreateGuid(&server_.types[kItem]);
    std::unique_ptr<Item> item = items->Add();
    const std::optional<std::string> picture = item->Picture();
    EXPECT_TRUE(picture == c.picture) << (picture ? picture->size() : 0) << " bytes";
    EXPECT_EQ(server_.saved_files.size(), c.picture ? 1u : 0u);
    for (const std::wstring& path : server_.saved_files)
      EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "the saved file is removed";
  }
  // A failure to save it is the store's failure.
  CoCreateGuid(&server_.types[kItem]);
  std::unique_ptr<Item> item = items->Add();
  server_.attachments = true;
  server_.attached = {{L"ContactPicture.jpg", jpeg}};
  server_.answers[L"SaveAsFile"] = [](VARIANT*, EXCEPINFO*) { return E_ACCESSDENIED; };
  try {
    item->Picture();
    ADD_FAILURE() << "no StoreError";
  } catch (const StoreError& error) {
    EXPECT_EQ(static_cast<std::uint32_t>(error.code()), static_cast<std::uint32_t>(E_ACCESSDENIED));
  }
  server_.answers.clear();
}

}  // namespace
