// Shared pieces of the local store's tests under Wine: LocalStore.dll loaded
// from beside the test (its class object taken directly, so no registration
// is needed), a profile directory of each test's own, and a late-bound caller
// that shows every detail of an Invoke: its result, EXCEPINFO and the
// argument it blamed.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "com_util.h"

namespace localstore_test {

using comsupport::Bstr;
using comsupport::ComPtr;
using comsupport::Variant;

// {6E1B1F2A-4C55-4E0B-9B7E-2F6D6C3A9D21}
inline constexpr CLSID kSessionClsid = {0x6e1b1f2a, 0x4c55, 0x4e0b, {0x9b, 0x7e, 0x2f, 0x6d, 0x6c, 0x3a, 0x9d, 0x21}};

// An argument as a caller builds it; VARIANTs are copied into the call.
struct Arg {
  VARIANT v;
  Arg() { VariantInit(&v); }
  Arg(const Arg& other) {
    VariantInit(&v);
    VariantCopy(&v, const_cast<VARIANT*>(&other.v));
  }
  Arg& operator=(const Arg&) = delete;
  ~Arg() { VariantClear(&v); }
  static Arg I4(long value) { Arg a; V_VT(&a.v) = VT_I4; V_I4(&a.v) = value; return a; }
  static Arg I2(short value) { Arg a; V_VT(&a.v) = VT_I2; V_I2(&a.v) = value; return a; }
  static Arg UI1(unsigned char value) { Arg a; V_VT(&a.v) = VT_UI1; V_UI1(&a.v) = value; return a; }
  static Arg Str(const wchar_t* text) { Arg a; V_VT(&a.v) = VT_BSTR; V_BSTR(&a.v) = SysAllocString(text); return a; }
  static Arg Date(double value) { Arg a; V_VT(&a.v) = VT_DATE; V_DATE(&a.v) = value; return a; }
  static Arg Omitted() { Arg a; V_VT(&a.v) = VT_ERROR; V_ERROR(&a.v) = DISP_E_PARAMNOTFOUND; return a; }
  static Arg Empty() { return Arg(); }
  static Arg Null() { Arg a; V_VT(&a.v) = VT_NULL; return a; }
  // A reference to `target`, as hosts that pass every argument by
  // reference send it; the test keeps the target alive through the call.
  static Arg Ref(VARTYPE type, void* target) { Arg a; V_VT(&a.v) = VT_BYREF | type; V_BYREF(&a.v) = target; return a; }
  static Arg Object(IDispatch* object) {
    Arg a;
    V_VT(&a.v) = VT_DISPATCH;
    V_DISPATCH(&a.v) = object;
    if (object) object->AddRef();
    return a;
  }
};

struct Outcome {
  HRESULT hr = E_FAIL;
  HRESULT scode = S_OK;  // from EXCEPINFO, when hr is DISP_E_EXCEPTION
  std::wstring description;
  UINT arg_error = ~0u;
  std::shared_ptr<Variant> result = std::make_shared<Variant>();  // shared: Variant cannot move
  IDispatch* Object() const { return V_VT(&result->Get()) == VT_DISPATCH ? V_DISPATCH(&result->Get()) : nullptr; }
  std::wstring Text() const {
    return V_VT(&result->Get()) == VT_BSTR && V_BSTR(&result->Get()) ? std::wstring(V_BSTR(&result->Get())) : std::wstring();
  }
};

// Calls `name` on `object` as a late-bound caller does. `by_ref` passes each
// argument as a reference to a VARIANT, as scripts pass variables.
inline Outcome Call(IDispatch* object, const wchar_t* name, WORD flags, std::vector<Arg> args = {},
                    bool by_ref = false, LCID locale = LOCALE_USER_DEFAULT) {
  Outcome out;
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  out.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(out.hr)) return out;
  std::vector<VARIANT> reversed(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) {
    VARIANT& slot = reversed[args.size() - 1 - i];
    VariantInit(&slot);
    if (by_ref) {
      V_VT(&slot) = VT_BYREF | VT_VARIANT;
      V_VARIANTREF(&slot) = &args[i].v;
    } else {
      slot = args[i].v;  // borrowed: `args` keeps ownership
    }
  }
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  DISPID put = DISPID_PROPERTYPUT;
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  EXCEPINFO exception{};
  out.hr = object->Invoke(id, IID_NULL, locale, flags, &params, out.result->Receive(), &exception, &out.arg_error);
  if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
  out.scode = exception.scode;
  if (exception.bstrDescription) out.description = exception.bstrDescription;
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrHelpFile);
  return out;
}

constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kMethod = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;

// An object the test keeps, from a call that must succeed.
inline ComPtr<IDispatch> Get(IDispatch* object, const wchar_t* name, std::vector<Arg> args = {}) {
  Outcome out = Call(object, name, kMethod, std::move(args));
  EXPECT_EQ(out.hr, S_OK) << "calling " << testing::PrintToString(std::wstring(name)) << ": "
                          << testing::PrintToString(out.description);
  return ComPtr<IDispatch>(out.Object());
}

inline std::wstring GetText(IDispatch* object, const wchar_t* name) {
  Outcome out = Call(object, name, kGet);
  EXPECT_EQ(out.hr, S_OK) << testing::PrintToString(std::wstring(name));
  return out.Text();
}

inline void Put(IDispatch* object, const wchar_t* name, Arg value) {
  Outcome out = Call(object, name, kPut, {value});
  EXPECT_EQ(out.hr, S_OK) << testing::PrintToString(std::wstring(name)) << " "
                          << testing::PrintToString(out.description);
}

// LocalStore.dll beside the test, loaded once.
class Server {
 public:
  static Server& Get() {
    static Server server;
    return server;
  }
  HMODULE module() const { return module_; }
  ComPtr<IDispatch> NewSession() const {
    ComPtr<IClassFactory> factory;
    if (!get_class_object_ ||
        FAILED(get_class_object_(kSessionClsid, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf()))))
      return nullptr;
    ComPtr<IDispatch> session;
    factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(session.GetAddressOf()));
    return session;
  }
  HRESULT CanUnloadNow() const { return can_unload_now_ ? can_unload_now_() : E_FAIL; }

 private:
  Server() {
    module_ = LoadLibraryW(L"LocalStore.dll");
    if (!module_) return;
    get_class_object_ = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    can_unload_now_ = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
  }
  HMODULE module_ = nullptr;
  HRESULT(WINAPI* get_class_object_)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(WINAPI* can_unload_now_)() = nullptr;
};

// Each test: an apartment, a profile directory of its own, a logged-on
// session and the default contacts folder.
class StoreTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    initialised_ = true;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name)
      if (c == '/') c = '-';
    profile_ = std::filesystem::path(temp) / ("localstore-" + std::to_string(GetCurrentProcessId()) + "-" + name);
    std::filesystem::remove_all(profile_);
    SetEnvironmentVariableW(L"LOCALSTORE_PROFILE", profile_.c_str());
    ASSERT_NE(Server::Get().module(), nullptr) << "LocalStore.dll not found next to the test";
    session_ = Server::Get().NewSession();
    ASSERT_TRUE(session_);
    ASSERT_EQ(Call(session_.Get(), L"Logon", kMethod).hr, S_OK);
    contacts_ = Get(session_.Get(), L"GetDefaultFolder", {Arg::I4(10)});
    ASSERT_TRUE(contacts_);
  }
  void TearDown() override {
    contacts_.Reset();
    session_.Reset();
    std::error_code ignored;
    std::filesystem::remove_all(profile_, ignored);
    if (initialised_) CoUninitialize();
  }

  // A saved contact with a first and last name.
  ComPtr<IDispatch> AddContact(const wchar_t* first, const wchar_t* last) {
    ComPtr<IDispatch> items = Get(contacts_.Get(), L"Items");
    ComPtr<IDispatch> item = Get(items.Get(), L"Add");
    Put(item.Get(), L"FirstName", Arg::Str(first));
    Put(item.Get(), L"LastName", Arg::Str(last));
    EXPECT_EQ(Call(item.Get(), L"Save", kMethod).hr, S_OK);
    return item;
  }

  std::filesystem::path profile_;
  ComPtr<IDispatch> session_;
  ComPtr<IDispatch> contacts_;

 private:
  bool initialised_ = false;
};

}  // namespace localstore_test
