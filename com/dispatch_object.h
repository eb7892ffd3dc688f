// The one base of the COM classes whose IDispatch comes from a type library
// (Tessary's): reference counting, QueryInterface (the class's default
// interface, IDispatch and IUnknown, nothing else), aggregation and IDispatch
// answered from the module's type information (module_lock.h).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <new>

#include "com_util.h"
#include "module_lock.h"

namespace comsupport {

// `Interface` is the class's dual default interface; `Bases` are the dual
// interfaces it derives from, which QueryInterface answers with the same
// pointer. The object has two IUnknowns: its own (the inner unknown below) and the controlling one that
// the interface's IUnknown methods delegate to. Unaggregated they are the
// same; aggregated, the outer object controls the lifetime.
template <class Interface, class... Bases>
class DispatchObject : public Interface {
 public:
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;
  virtual ~DispatchObject() { UnlockModule(); }

  // Creates a `Derived`, aggregated when `outer` is not null, and queries it
  // for `iid`. The class object has already checked the aggregation rules.
  template <class Derived>
  static HRESULT Create(IUnknown* outer, REFIID iid, void** object) {
    std::unique_ptr<Derived> created;
    try {
      created = std::make_unique<Derived>();
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    DispatchObject& base = *created;
    base.controlling_ = outer ? outer : &base.inner_;
    // From here the reference count owns the object: our temporary
    // reference keeps it alive across the query, and dropping it destroys
    // the object when the query handed out nothing.
    IUnknown* inner = &base.inner_;
    inner->AddRef();
    created.release();
    HRESULT hr = inner->QueryInterface(iid, object);
    inner->Release();
    return hr;
  }

  // IUnknown of the default interface: always the controlling unknown.
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    return controlling_->QueryInterface(iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return controlling_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return controlling_->Release(); }

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override { return OneTypeInfo(count); }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    return TypeInfoAt(__uuidof(Interface), index, info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids) return E_POINTER;
    if (count == 1) return GetInterfaceDispId(__uuidof(Interface), names[0], ids);
    // A member name with parameter names: rare enough to ask every time.
    ComPtr<ITypeInfo> info;
    HRESULT hr = GetInterfaceTypeInfo(__uuidof(Interface), &info);
    if (FAILED(hr)) return hr;
    return DispGetIDsOfNames(info.Get(), names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* arg_error) override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> info;
    HRESULT hr = GetInterfaceTypeInfo(__uuidof(Interface), &info);
    if (FAILED(hr)) return hr;
    return DispInvoke(static_cast<Interface*>(this), info.Get(), id, flags, params, result,
                      exception, arg_error);
  }

 protected:
  DispatchObject() { LockModule(); }

 private:
  // The object's own IUnknown. Its reference count is plain: objects are
  // apartment-threaded and used only on their apartment's thread.
  class InnerUnknown final : public IUnknown {
   public:
    explicit InnerUnknown(DispatchObject& owner) : owner_(owner) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
      if (!object) return E_POINTER;
      *object = nullptr;
      if (IsEqualIID(iid, IID_IUnknown)) {
        *object = static_cast<IUnknown*>(this);
      } else if (IsEqualIID(iid, __uuidof(Interface)) || (IsEqualIID(iid, __uuidof(Bases)) || ...) ||
                 IsEqualIID(iid, IID_IDispatch)) {
        *object = static_cast<Interface*>(&owner_);
      } else {
        return E_NOINTERFACE;
      }
      static_cast<IUnknown*>(*object)->AddRef();
      return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
      ULONG left = --references_;
      // The last reference owns the object; the virtual destructor reaches
      // the concrete class.
      if (left == 0) std::unique_ptr<DispatchObject> last(&owner_);
      return left;
    }

   private:
    DispatchObject& owner_;
    ULONG references_ = 0;
  };

  InnerUnknown inner_{*this};
  IUnknown* controlling_ = &inner_;
};

// A property getter of the placeholder classes: succeeds with no string,
// which every automation client reads as "".
inline HRESULT NoString(BSTR* value) {
  if (!value) return E_POINTER;
  *value = nullptr;
  return S_OK;
}

}  // namespace comsupport
