// Tessary.dll as a COM server: class objects, the module lock count,
// aggregation, QueryInterface and the layout of the registered type library.
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "com_test_support.h"
#include "detach_probe.h"

namespace tessary_test {
namespace {

struct ClassCase {
  const char* name;
  const CLSID& clsid;
  const IID& iid;        // the default interface
  // The interfaces it derives from, nearest first, answered too.
  std::span<const IID* const> bases;
};

const IID* const kStreamBases[] = {&IID_IVCardStream2, &IID_IVCardStream};

const ClassCase kClasses[] = {
    {"BusinessContact", CLSID_BusinessContact, IID_IBusinessContact, {}},
    {"VCardStream", CLSID_VCardStream, IID_IVCardStream3, kStreamBases},
    {"VCardContact", CLSID_VCardContact, IID_IVCardContact, {}},
};

ComPtr<IClassFactory> ClassObject(REFCLSID clsid) {
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(Server::Get().GetClassObject(clsid, IID_IClassFactory,
                                         reinterpret_cast<void**>(factory.GetAddressOf())),
            S_OK);
  return factory;
}

// An outer object for aggregation: counts what the inner object delegates.
class FakeOuter final : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID, void** object) override {
    ++queries;
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }
  ULONG references = 1;
  int queries = 0;
};

using ServerTest = ComTest;

TEST_F(ServerTest, ClassObjectIsCreatedOnceAndShared) {
  for (const ClassCase& c : kClasses) {
    SCOPED_TRACE(c.name);
    ComPtr<IClassFactory> first = ClassObject(c.clsid);
    ComPtr<IClassFactory> second = ClassObject(c.clsid);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first.Get(), second.Get());
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(Server::Get().GetClassObject(c.clsid, IID_IUnknown,
                                           reinterpret_cast<void**>(unknown.GetAddressOf())),
              S_OK);
    EXPECT_EQ(unknown.Get(), static_cast<IUnknown*>(first.Get()));
  }
}

TEST_F(ServerTest, ClassObjectFailures) {
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(Server::Get().GetClassObject(IID_IVCardStream, IID_IClassFactory, &object),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  object = reinterpret_cast<void*>(1);
  EXPECT_EQ(Server::Get().GetClassObject(CLSID_VCardStream, IID_IDispatch, &object),
            E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(Server::Get().GetClassObject(CLSID_VCardStream, IID_IClassFactory, nullptr),
            E_POINTER);
  EXPECT_EQ(Server::Get().CanUnloadNow(), S_OK);
}

// Each case takes hold of something that must keep the module loaded and
// returns what lets go of it again.
struct LifetimeCase {
  const char* name;
  std::function<std::function<void()>()> hold;
};

TEST_F(ServerTest, CanUnloadNowWhileSomethingLives) {
  const LifetimeCase cases[] = {
      {"a stream object",
       [] {
         ComPtr<IVCardStream> stream = Create<IVCardStream>(CLSID_VCardStream);
         return std::function<void()>([stream]() mutable { stream.Reset(); });
       }},
      {"each class's object, created through its class object",
       [] {
         auto objects = std::make_shared<std::vector<ComPtr<IUnknown>>>();
         for (const ClassCase& c : kClasses) {
           ComPtr<IUnknown> object;
           EXPECT_EQ(ClassObject(c.clsid)->CreateInstance(
                         nullptr, IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf())),
                     S_OK);
           objects->push_back(object);
         }
         return std::function<void()>([objects] { objects->clear(); });
       }},
      {"an aggregated stream",
       [] {
         auto outer = std::make_shared<FakeOuter>();
         ComPtr<IUnknown> inner;
         EXPECT_EQ(ClassObject(CLSID_VCardStream)
                       ->CreateInstance(outer.get(), IID_IUnknown,
                                        reinterpret_cast<void**>(inner.GetAddressOf())),
                   S_OK);
         return std::function<void()>([outer, inner]() mutable { inner.Reset(); });
       }},
      {"a class object held by the client",
       [] {
         ComPtr<IClassFactory> factory = ClassObject(CLSID_VCardContact);
         return std::function<void()>([factory]() mutable { factory.Reset(); });
       }},
      {"a class object held twice by the client",
       [] {
         ComPtr<IClassFactory> factory = ClassObject(CLSID_BusinessContact);
         ComPtr<IClassFactory> again = factory;
         return std::function<void()>([factory, again]() mutable {
           factory.Reset();
           EXPECT_EQ(Server::Get().CanUnloadNow(), S_FALSE) << "one reference is still held";
           again.Reset();
         });
       }},
      {"LockServer(TRUE)",
       [] {
         EXPECT_EQ(ClassObject(CLSID_VCardStream)->LockServer(TRUE), S_OK);
         return std::function<void()>(
             [] { EXPECT_EQ(ClassObject(CLSID_VCardStream)->LockServer(FALSE), S_OK); });
       }},
  };
  for (const LifetimeCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Server::Get().CanUnloadNow(), S_OK) << "something from an earlier case lives";
    std::function<void()> release = c.hold();
    EXPECT_EQ(Server::Get().CanUnloadNow(), S_FALSE);
    release();
    EXPECT_EQ(Server::Get().CanUnloadNow(), S_OK);
  }
}

TEST_F(ServerTest, CreateInstanceRules) {
  for (const ClassCase& c : kClasses) {
    SCOPED_TRACE(c.name);
    ComPtr<IClassFactory> factory = ClassObject(c.clsid);
    FakeOuter outer;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(&outer, c.iid, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, c.iid, nullptr), E_POINTER);
    EXPECT_EQ(outer.references, 1u);
  }
  EXPECT_EQ(Server::Get().CanUnloadNow(), S_OK) << "a failed creation left an object alive";
}

TEST_F(ServerTest, AggregatedObjectDelegatesToItsOuterUnknown) {
  FakeOuter outer;
  ComPtr<IUnknown> inner;
  ASSERT_EQ(ClassObject(CLSID_VCardStream)
                ->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(inner.GetAddressOf())),
            S_OK);
  ASSERT_NE(inner.Get(), static_cast<IUnknown*>(&outer));
  EXPECT_EQ(outer.references, 1u) << "the inner unknown must not count on the outer";

  // The inner unknown answers for itself...
  ComPtr<IUnknown> same;
  ASSERT_EQ(inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(same.GetAddressOf())), S_OK);
  EXPECT_EQ(same.Get(), inner.Get());
  ComPtr<IVCardStream> stream;
  ASSERT_EQ(inner.As(&stream), S_OK);
  // ...while the interfaces it hands out belong to the outer object.
  EXPECT_EQ(outer.references, 2u);
  ComPtr<IUnknown> through_interface;
  EXPECT_EQ(stream->QueryInterface(IID_IUnknown,
                                   reinterpret_cast<void**>(through_interface.GetAddressOf())),
            E_NOINTERFACE);
  EXPECT_EQ(outer.queries, 1);
  stream.Reset();
  EXPECT_EQ(outer.references, 1u);
  same.Reset();
  inner.Reset();
  EXPECT_EQ(Server::Get().CanUnloadNow(), S_OK);
}

TEST_F(ServerTest, QueryInterfaceAnswersOnlyItsOwnInterfaces) {
  const IID* foreign[] = {&IID_IVCardContact, &IID_IVCardStream, &IID_IVCardStream2, &IID_IVCardStream3,
                          &IID_IBusinessContact,
                          &IID_IClassFactory, &IID_IPersist, &IID_IProvideClassInfo,
                          &IID_ISupportErrorInfo};
  for (const ClassCase& c : kClasses) {
    SCOPED_TRACE(c.name);
    ComPtr<IUnknown> object = Create<IUnknown>(c.clsid);
    ASSERT_TRUE(object);
    ComPtr<IUnknown> as_default, as_dispatch, as_unknown;
    EXPECT_EQ(object->QueryInterface(c.iid, reinterpret_cast<void**>(as_default.GetAddressOf())), S_OK);
    EXPECT_EQ(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(as_dispatch.GetAddressOf())), S_OK);
    EXPECT_EQ(as_dispatch.Get(), as_default.Get()) << "IDispatch is the dual interface itself";
    EXPECT_EQ(as_default->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(as_unknown.GetAddressOf())), S_OK);
    EXPECT_EQ(as_unknown.Get(), object.Get()) << "one identity";
    for (const IID* base : c.bases) {
      ComPtr<IUnknown> as_base;
      EXPECT_EQ(object->QueryInterface(*base, reinterpret_cast<void**>(as_base.GetAddressOf())), S_OK);
      EXPECT_EQ(as_base.Get(), as_default.Get()) << "the derived interface is the base one too";
    }
    for (const IID* iid : foreign) {
      if (IsEqualIID(*iid, c.iid) ||
          std::any_of(c.bases.begin(), c.bases.end(), [&](const IID* base) { return IsEqualIID(*iid, *base); }))
        continue;
      void* other = reinterpret_cast<void*>(1);
      EXPECT_EQ(object->QueryInterface(*iid, &other), E_NOINTERFACE);
      EXPECT_EQ(other, nullptr);
    }
  }
}

// The registered type library against the interface tables: every member's
// vtable slot, DISPID, kind and help string. The program binds to these
// slots, scripts to these DISPIDs.
struct Member {
  const wchar_t* name;
  INVOKEKIND kind;
  int slot;
  DISPID id;
};

constexpr INVOKEKIND kGet = INVOKE_PROPERTYGET;
constexpr INVOKEKIND kPut = INVOKE_PROPERTYPUT;
constexpr INVOKEKIND kMethod = INVOKE_FUNC;

const Member kStreamMembers[] = {
    {L"Open", kMethod, 7, 1}, {L"GetContact", kMethod, 8, 2}, {L"MoveFirst", kMethod, 9, 3},
    {L"MoveNext", kMethod, 10, 4}, {L"Name", kGet, 11, 5}, {L"FullName", kGet, 12, 6},
    {L"Email", kGet, 13, 7}, {L"Email", kPut, 14, 7}, {L"Org", kGet, 15, 8},
    {L"Org", kPut, 16, 8}, {L"Version", kGet, 17, 9}, {L"Rev", kGet, 18, 10},
    {L"Telephone", kGet, 19, 11}, {L"Address", kGet, 20, 12}, {L"Label", kGet, 21, 13},
    {L"Title", kGet, 22, 14}, {L"ContactCount", kGet, 23, 15}, {L"IsEOF", kGet, 24, 16},
    {L"Note", kGet, 25, 17}, {L"URL", kGet, 26, 18}, {L"Role", kGet, 27, 19},
    {L"NickName", kGet, 28, 20}, {L"BirthDay", kGet, 29, 21}, {L"Close", kMethod, 30, 22},
    {L"Work_Address", kGet, 31, 23}, {L"HomeAddress", kGet, 32, 24},
    {L"OtherAddress", kGet, 33, 25}, {L"PostalAddress", kGet, 34, 26},
    {L"WorkTelephoneVoice", kGet, 35, 27}, {L"WorkTelephoneFax", kGet, 36, 28},
    {L"HomeTelephoneFax", kGet, 37, 29}, {L"HomeTelephoneVoice", kGet, 38, 30},
    {L"TelephoneCellVoice", kGet, 39, 31}, {L"TelephonePagerVoice", kGet, 40, 32},
    {L"TelephoneCarVoice", kGet, 41, 33}, {L"TelephoneISDN", kGet, 42, 34},
    {L"TelephonePref", kGet, 43, 35}, {L"TelephoneVoice", kGet, 44, 36},
    {L"EmailTelex", kGet, 45, 37}, {L"EmailPrefInternet", kGet, 46, 38},
    {L"HomeUrl", kGet, 47, 39}, {L"WorkUrl", kGet, 48, 40}, {L"Delimeter", kGet, 49, 41},
    {L"Delimeter", kPut, 50, 41}, {L"LineSeparator", kGet, 51, 42},
    {L"LineSeparator", kPut, 52, 42},
};

// IVCardStream2's own members follow IVCardStream's in the vtable.
const Member kStream2Members[] = {
    {L"OpenDecoded", kMethod, 53, 100}, {L"PropertyCount", kGet, 54, 101},
    {L"PropertyName", kGet, 55, 102}, {L"PropertyGroup", kGet, 56, 103},
    {L"PropertyTypes", kGet, 57, 104}, {L"PropertyValue", kGet, 58, 105},
    {L"PropertyComponentCount", kGet, 59, 106}, {L"PropertyComponent", kGet, 60, 107},
};

// And IVCardStream3's after IVCardStream2's.
const Member kStream3Members[] = {
    {L"BinaryCount", kGet, 61, 200}, {L"BinaryName", kGet, 62, 201}, {L"BinaryGroup", kGet, 63, 202},
    {L"BinaryTypes", kGet, 64, 203}, {L"BinaryMediaType", kGet, 65, 204}, {L"BinaryData", kGet, 66, 205},
    {L"BinaryFailure", kGet, 67, 206}, {L"BinarySize", kGet, 68, 207},
};

// A placeholder's properties each have a getter then a putter, in order.
std::vector<Member> PropertyPairs(std::initializer_list<const wchar_t*> names) {
  std::vector<Member> members;
  int slot = 7;
  DISPID id = 1;
  for (const wchar_t* name : names) {
    members.push_back({name, kGet, slot++, id});
    members.push_back({name, kPut, slot++, id++});
  }
  return members;
}

struct InterfaceCase {
  const IID& iid;
  const wchar_t* name;
  std::vector<Member> members;
};

TEST_F(ServerTest, TypeLibraryDescribesEveryMember) {
  std::vector<Member> business =
      PropertyPairs({L"Name", L"FullName", L"Title", L"Org", L"Telephone", L"Rev", L"Version",
                     L"Address", L"Label", L"Email", L"Note"});
  business.push_back({L"Dummy", kMethod, 29, 12});
  const InterfaceCase interfaces[] = {
      {IID_IBusinessContact, L"IBusinessContact", business},
      {IID_IVCardStream, L"IVCardStream", {std::begin(kStreamMembers), std::end(kStreamMembers)}},
      {IID_IVCardStream2, L"IVCardStream2", {std::begin(kStream2Members), std::end(kStream2Members)}},
      {IID_IVCardStream3, L"IVCardStream3", {std::begin(kStream3Members), std::end(kStream3Members)}},
      {IID_IVCardContact, L"IVCardContact",
       PropertyPairs({L"EmailAddress", L"FullName", L"Name", L"Label"})},
  };

  ComPtr<ITypeLib> library;
  ASSERT_EQ(LoadRegTypeLib(LIBID_TESSARYLib, 1, 0, LOCALE_NEUTRAL, &library), S_OK);
  Bstr library_name, library_help;
  ASSERT_EQ(library->GetDocumentation(-1, library_name.Receive(), library_help.Receive(), nullptr,
                                      nullptr),
            S_OK);
  EXPECT_EQ(library_name.View(), L"TESSARYLib");
  EXPECT_EQ(library_help.View(), L"Tessary 1.0 Type Library");
  TLIBATTR* library_attributes = nullptr;
  ASSERT_EQ(library->GetLibAttr(&library_attributes), S_OK);
  EXPECT_EQ(library_attributes->wMajorVerNum, 1);
  EXPECT_EQ(library_attributes->wMinorVerNum, 0);
  library->ReleaseTLibAttr(library_attributes);

  // Each class: creatable, with its help string, its default interface and
  // the interface that one derives from, if any.
  for (const ClassCase& c : kClasses) {
    SCOPED_TRACE(c.name);
    ComPtr<ITypeInfo> coclass, implemented;
    ASSERT_EQ(library->GetTypeInfoOfGuid(c.clsid, &coclass), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FCANCREATE);
    EXPECT_EQ(attributes->cImplTypes, UINT(1 + c.bases.size()));
    coclass->ReleaseTypeAttr(attributes);
    Bstr name, help;
    ASSERT_EQ(coclass->GetDocumentation(MEMBERID_NIL, name.Receive(), help.Receive(), nullptr, nullptr), S_OK);
    std::wstring class_name(c.name, c.name + std::strlen(c.name));
    EXPECT_EQ(name.View(), class_name);
    EXPECT_EQ(help.View(), class_name + L" Class");
    INT flags = 0;
    EXPECT_EQ(coclass->GetImplTypeFlags(0, &flags), S_OK);
    EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
    HREFTYPE reference = 0;
    ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &reference), S_OK);
    ASSERT_EQ(coclass->GetRefTypeInfo(reference, &implemented), S_OK);
    ASSERT_EQ(implemented->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualIID(attributes->guid, c.iid));
    implemented->ReleaseTypeAttr(attributes);
    for (UINT i = 0; i < c.bases.size(); ++i) {
      ComPtr<ITypeInfo> base;
      ASSERT_EQ(coclass->GetRefTypeOfImplType(i + 1, &reference), S_OK);
      ASSERT_EQ(coclass->GetRefTypeInfo(reference, &base), S_OK);
      ASSERT_EQ(base->GetTypeAttr(&attributes), S_OK);
      EXPECT_TRUE(IsEqualIID(attributes->guid, *c.bases[i]));
      base->ReleaseTypeAttr(attributes);
    }
  }

  for (const InterfaceCase& itf : interfaces) {
    SCOPED_TRACE(testing::Message() << itf.iid.Data1);
    ComPtr<ITypeInfo> dispatch_info, vtable_info;
    ASSERT_EQ(library->GetTypeInfoOfGuid(itf.iid, &dispatch_info), S_OK);
    // The vtable half of the dual interface carries the slots.
    HREFTYPE vtable_ref = 0;
    ASSERT_EQ(dispatch_info->GetRefTypeOfImplType(-1, &vtable_ref), S_OK);
    ASSERT_EQ(dispatch_info->GetRefTypeInfo(vtable_ref, &vtable_info), S_OK);
    Bstr help;
    ASSERT_EQ(vtable_info->GetDocumentation(MEMBERID_NIL, nullptr, help.Receive(), nullptr, nullptr), S_OK);
    EXPECT_EQ(help.View(), std::wstring(itf.name) + L" Interface");

    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(vtable_info->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    ASSERT_EQ(attributes->cFuncs, itf.members.size()) << "members beyond IDispatch's";
    vtable_info->ReleaseTypeAttr(attributes);

    for (UINT i = 0; i < itf.members.size(); ++i) {
      const Member& expected = itf.members[i];
      SCOPED_TRACE(testing::Message() << "member " << i);
      FUNCDESC* function = nullptr;
      ASSERT_EQ(vtable_info->GetFuncDesc(i, &function), S_OK);
      EXPECT_EQ(function->oVft / int(sizeof(void*)), expected.slot);
      EXPECT_EQ(function->memid, expected.id);
      EXPECT_EQ(function->invkind, expected.kind);
      Bstr name, member_help;
      EXPECT_EQ(vtable_info->GetDocumentation(function->memid, name.Receive(), member_help.Receive(),
                                              nullptr, nullptr),
                S_OK);
      EXPECT_EQ(name.View(), expected.name);
      EXPECT_EQ(member_help.View(), std::wstring(expected.kind == kMethod ? L"method " : L"property ") +
                                        expected.name);
      vtable_info->ReleaseFuncDesc(function);
    }
  }
}

// FreeLibrary releases the cached type information; the notification of a
// process exit does not, since the DLLs it belongs to may be gone by then
// and the loader lock is held.
TEST_F(ServerTest, TypeInformationIsReleasedOnUnloadButNotAtProcessExit) {
  for (const wchar_t* mode : {L"unload", L"exit"}) {
    SCOPED_TRACE(testing::Message() << (mode[0] == L'u' ? "unload" : "process exit"));
    EXPECT_EQ(RunDetachProbe(mode), 0u) << "1: the wrong answer, 2: the probe could not set up";
  }
}

// What installers and tools read from the file without running it: the
// self-registration mark and the version block, the project name and the
// embedded type library.
TEST_F(ServerTest, ResourcesDescribeTheModule) {
  HMODULE module = Server::Get().module();
  wchar_t name[64] = {};
  ASSERT_GT(LoadStringW(module, 100, name, 64), 0);
  EXPECT_STREQ(name, L"Tessary");
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(1), L"TYPELIB"), nullptr);
  for (int id : {102, 103, 104})
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY"), nullptr) << id;

  wchar_t path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(module, path, MAX_PATH), 0u);
  DWORD size = GetFileVersionInfoSizeW(path, nullptr);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));
  const std::pair<const wchar_t*, const wchar_t*> strings[] = {
      {L"FileDescription", L"Tessary Module"}, {L"FileVersion", L"1, 0, 0, 1"},
      {L"InternalName", L"Tessary"},           {L"OriginalFilename", L"Tessary.DLL"},
      {L"ProductName", L"Tessary Module"},     {L"ProductVersion", L"1, 0, 0, 1"},
      {L"OLESelfRegister", L""},
  };
  for (const auto& [key, expected] : strings) {
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), &value, &length)) << query;
    EXPECT_STREQ(length ? static_cast<const wchar_t*>(value) : L"", expected) << query;
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
}

}  // namespace
}  // namespace tessary_test
