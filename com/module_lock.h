// What every object of an in-process server shares with its module: the
// lock count DllCanUnloadNow reports, and the type information of the
// module's dispatch interfaces. The lock count lives in this library, so
// each DLL that links it has its own; the type information is the module's
// own business (from the registered library, or the one embedded in it), so
// each module defines the two look-ups.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace comsupport {

// Raised for each live object, each class object held by a client and each
// LockServer(TRUE). Interlocked, since class objects may be used from
// several apartments.
void LockModule();
void UnlockModule();
// Whether nothing holds the module: DllCanUnloadNow's answer.
bool ModuleUnused();

// Defined by each module: the type information of one of its dispatch
// interfaces, and the DISPID of one member name of one of them.
HRESULT GetInterfaceTypeInfo(REFIID iid, ITypeInfo** info);
HRESULT GetInterfaceDispId(REFIID iid, LPOLESTR name, DISPID* id);

// IDispatch::GetTypeInfoCount and GetTypeInfo of an object described by the
// type information of `iid`, for every dispatch base.
inline HRESULT OneTypeInfo(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}
inline HRESULT TypeInfoAt(REFIID iid, UINT index, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return GetInterfaceTypeInfo(iid, info);
}

}  // namespace comsupport
