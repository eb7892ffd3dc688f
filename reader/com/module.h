// Module-wide state of Tessary.dll that every COM object shares: the lock
// count that DllCanUnloadNow reports and the cached type information.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace tessary::com {

// The module lock count: raised for each live object, each class object held
// by a client and each LockServer(TRUE). Interlocked, since class objects may
// be used from several apartments.
void LockModule();
void UnlockModule();

// The type information of one of the module's interfaces, taken from the
// registered type library (so late binding needs a registered server).
// Loaded once under the module's critical section and kept until unload.
HRESULT GetInterfaceTypeInfo(REFIID iid, ITypeInfo** info);

// The DISPID of one member name of one of the module's interfaces, through
// the type information; names are remembered per interface, as scripts ask
// for the same few names over and over.
HRESULT GetInterfaceDispId(REFIID iid, LPOLESTR name, DISPID* id);

}  // namespace tessary::com
