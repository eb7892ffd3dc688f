// The class object of an in-process server: creates objects through one
// function and keeps the module loaded while a client holds it beyond the
// module's own first reference. Shared by Tessary.dll and LocalStore.dll;
// each passes its own module lock functions.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <memory>

#include "com_util.h"

namespace comsupport {

using CreateFunction = HRESULT (*)(IUnknown* outer, REFIID iid, void** object);

template <void (*Lock)(), void (*Unlock)()>
class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(CreateFunction create) : create_(create) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory))
      return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override {
    CriticalSectionLock hold(lock_);
    if (++references_ == 2) Lock();
    return references_;
  }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG left;
    {
      CriticalSectionLock hold(lock_);
      left = --references_;
      if (left == 1) Unlock();
    }
    if (left == 0) std::unique_ptr<ClassFactory> last(this);
    return left;
  }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    // An aggregated object can only hand its own IUnknown to the outer one.
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return create_(outer, iid, object);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) Lock();
    else Unlock();
    return S_OK;
  }

 private:
  CreateFunction create_;
  CriticalSection lock_;  // class objects are shared between apartments
  ULONG references_ = 1;  // the module's own
};

}  // namespace comsupport
