// The automation plumbing of LocalStore's objects, written once: reference
// counting, QueryInterface, and IDispatch driven by a per-class table of
// members (name, DISPID, getter or method, setter, argument counts).
//
// It accepts what real late-bound callers send: arguments by reference (as
// scripts pass variables), integers of any width and strings where numbers
// or dates are wanted (coerced with VariantChangeTypeEx in the caller's
// locale), and VT_EMPTY or VT_ERROR/DISP_E_PARAMNOTFOUND, by value or by
// reference, for an omitted argument. Otherwise it is strict:
// DISP_E_BADPARAMCOUNT, DISP_E_TYPEMISMATCH (with the argument's position),
// DISP_E_PARAMNOTFOUND for a required argument left out,
// DISP_E_MEMBERNOTFOUND for a wrong kind of call, DISP_E_UNKNOWNNAME, and
// DISP_E_EXCEPTION with the failure's code and text in EXCEPINFO, for every
// failure of a member, whatever its kind: nothing is thrown past Invoke.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "com_util.h"
#include "module_lock.h"
#include "profile.h"

namespace localstore::com {

using comsupport::Bstr;
using comsupport::ComPtr;
using comsupport::LockModule;
using comsupport::UnlockModule;
using comsupport::Variant;

// The module's handle (module.cpp), for its dialogs' resources.
HMODULE ModuleHandle();

// A call's arguments, in the caller's order, and its result.
class Call {
 public:
  // `locale`: the caller's, in which text becomes a number or a date.
  Call(DISPID id, DISPPARAMS* params, VARIANT* result, LCID locale = LOCALE_USER_DEFAULT)
      : id_(id), params_(params), result_(result), locale_(locale) {}

  DISPID id() const { return id_; }
  // Positional arguments passed, omitted ones included.
  UINT Count() const { return params_->cArgs - params_->cNamedArgs; }
  // Whether argument `i` was passed and not omitted.
  bool Given(UINT i) const;

  std::wstring Text(UINT i) const;  // required
  std::optional<std::wstring> OptionalText(UINT i) const;
  long Long(UINT i) const;
  std::optional<long> OptionalLong(UINT i) const;
  // The argument itself, references followed (omitted: nullptr).
  const VARIANT* Raw(UINT i) const;
  // An object argument: null for Nothing, Null or an omitted one, by value
  // or by reference; DISP_E_TYPEMISMATCH for anything but an object.
  IUnknown* Object(UINT i) const;
  // The value of a property put, references followed.
  const VARIANT& Value() const;
  // That value as `type`, converted in the caller's locale;
  // DISP_E_TYPEMISMATCH when it cannot be.
  Variant ValueAs(VARTYPE type) const;

  void Return(std::wstring_view text);
  void Return(std::u16string_view text);
  void ReturnLong(long value);
  void ReturnBool(bool value);
  void ReturnDate(double value);
  // An object, or a null VT_DISPATCH.
  void ReturnObject(ComPtr<IDispatch> object);
  // An object that is not an automation object (an enumerator).
  void ReturnUnknown(ComPtr<IUnknown> object);

 private:
  const VARIANT* Arg(UINT i) const;
  // `v` converted to `type` in the caller's locale; DISP_E_TYPEMISMATCH
  // blaming argument `i` when it cannot be.
  Variant Convert(const VARIANT& v, VARTYPE type, UINT i) const;
  DISPID id_;
  DISPPARAMS* params_;
  VARIANT* result_;
  LCID locale_;
};

// An IEnumVARIANT over `count` objects, the object at each index (from 0)
// made when a caller asks for it: what a collection's _NewEnum hands out
// for a script's For Each. `make` works on a snapshot the collection took,
// so the walk is not thrown by items added or removed meanwhile.
using MakeObject = std::function<ComPtr<IDispatch>(std::size_t index)>;
ComPtr<IUnknown> NewEnumerator(std::size_t count, MakeObject make);

// A call that does not fit the member: the Invoke result and, for a type
// mismatch, the caller-order position of the argument.
struct ArgumentFailure {
  HRESULT hr;
  UINT position = 0;
};

// A member as the server answers it. Its name is the type library's
// (localstore.idl), where GetIDsOfNames finds it.
template <class T>
struct Member {
  DISPID id;
  void (T::*get)(Call&);  // property get or method; null when write-only
  void (T::*put)(Call&);  // property put; null when read-only
  unsigned char min_args = 0;
  unsigned char max_args = 0;
};

// Member rows by kind, so a table says what each member is.
template <class T>
constexpr Member<T> Getter(DISPID id, void (T::*get)(Call&)) {
  return {id, get, nullptr, 0, 0};
}
template <class T>
constexpr Member<T> Property(DISPID id, void (T::*get)(Call&), void (T::*put)(Call&)) {
  return {id, get, put, 0, 0};
}
// A method taking `min_args` to `max_args` arguments.
template <class T>
constexpr Member<T> Method(DISPID id, void (T::*run)(Call&), unsigned char min_args = 0,
                           unsigned char max_args = 0) {
  return {id, run, nullptr, min_args, max_args};
}

// Lets one object recognise another of this module behind an IDispatch
// (the picker is handed a folder, for example).
struct ILocalObject : public IUnknown {
  virtual void* STDMETHODCALLTYPE Self(REFIID dispinterface) = 0;
};
// {6E1B1F2A-4C55-4E0B-9B7E-2F6D6C3A9D31}, never handed outside the module.
inline constexpr IID kLocalObjectIid = {0x6e1b1f2a, 0x4c55, 0x4e0b, {0x9b, 0x7e, 0x2f, 0x6d, 0x6c, 0x3a, 0x9d, 0x31}};

// Reports a failure into EXCEPINFO; returns DISP_E_EXCEPTION.
HRESULT ReportFailure(EXCEPINFO* exception, HRESULT code, std::wstring_view text);
// Runs the member's handler for `flags`, turning failures into results.
HRESULT InvokeHandler(std::function<void(Call&)> handler, Call& call, EXCEPINFO* exception,
                      UINT* arg_error, UINT args);

// Reference counting and the module lock of every object of this module,
// written once: an object implementing `Interfaces` (all derived from
// IUnknown) lives while it is referenced and keeps the module loaded.
// Apartment-threaded: used only on the thread of its apartment.
template <class... Interfaces>
class Counted : public Interfaces... {
 public:
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;
  virtual ~Counted() { UnlockModule(); }

  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  Counted() { LockModule(); }

 private:
  ULONG references_ = 0;
};

// `T` lists its members in a static `Members()` table and is described by
// the dispatch interface `kInterface` of the type library.
template <class T>
class Automation : public Counted<IDispatch, ILocalObject> {
 public:

  // A new object of class `T` owned by the returned pointer.
  template <class... A>
  static ComPtr<IDispatch> New(A&&... args) {
    auto object = std::make_unique<T>(std::forward<A>(args)...);
    return ComPtr<IDispatch>(static_cast<IDispatch*>(object.release()));
  }
  // The `T` behind an IDispatch of this module, or null.
  static T* From(IUnknown* unknown) {
    if (!unknown) return nullptr;
    ComPtr<ILocalObject> local;
    if (FAILED(unknown->QueryInterface(kLocalObjectIid, reinterpret_cast<void**>(local.GetAddressOf()))))
      return nullptr;
    return static_cast<T*>(local->Self(T::kInterface));
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, T::kInterface))
      *object = static_cast<IDispatch*>(this);
    else if (IsEqualIID(iid, kLocalObjectIid))
      *object = static_cast<ILocalObject*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  void* STDMETHODCALLTYPE Self(REFIID dispinterface) override {
    return IsEqualIID(dispinterface, T::kInterface) ? static_cast<T*>(this) : nullptr;
  }

  STDMETHODIMP GetTypeInfoCount(UINT* count) override { return comsupport::OneTypeInfo(count); }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    return comsupport::TypeInfoAt(T::kInterface, index, info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    // The names are the type library's, looked up without regard to case;
    // the member tables hold only DISPIDs.
    ComPtr<ITypeInfo> info;
    HRESULT hr = comsupport::TypeInfoAt(T::kInterface, 0, info.GetAddressOf());
    if (FAILED(hr)) return hr;
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(info->GetIDsOfNames(names, 1, &id))) return DISP_E_UNKNOWNNAME;
    ids[0] = id;
    // No member takes named arguments.
    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* arg_error) override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    DISPPARAMS none{};
    if (!params) params = &none;
    if (params->cArgs < params->cNamedArgs || (params->cArgs && !params->rgvarg)) return E_INVALIDARG;
    const auto members = T::Members();
    const auto found = std::find_if(members.begin(), members.end(), [id](const Member<T>& m) { return m.id == id; });
    if (found == members.end()) return DISP_E_MEMBERNOTFOUND;
    const Member<T>* member = &*found;
    T* self = static_cast<T*>(this);
    // Keep the object alive through the call, whatever the call releases.
    ComPtr<IDispatch> hold(static_cast<IDispatch*>(this));
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
      if (!member->put) return DISP_E_MEMBERNOTFOUND;
      if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
          params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
        return params->cNamedArgs ? DISP_E_NONAMEDARGS : DISP_E_PARAMNOTFOUND;
      if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
      Call call(id, params, nullptr, locale);
      return InvokeHandler([&](Call& c) { (self->*member->put)(c); }, call, exception, arg_error,
                           params->cArgs);
    }
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) || !member->get) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs) return DISP_E_NONAMEDARGS;
    if (params->cArgs < member->min_args || params->cArgs > member->max_args) return DISP_E_BADPARAMCOUNT;
    if (result) VariantInit(result);
    Call call(id, params, result, locale);
    return InvokeHandler([&](Call& c) { (self->*member->get)(c); }, call, exception, arg_error,
                         params->cArgs);
  }

 protected:
  Automation() = default;
};

}  // namespace localstore::com
