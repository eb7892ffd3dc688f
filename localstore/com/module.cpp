// LocalStore.dll's module: the session's class object, the lock count, the
// type library embedded as a resource, and the four exports. Registration
// writes the session's own class and ProgID only; the script register.sh
// adds the store library's ProgID in the project's own Wine prefixes.
#include <windows.h>
#include <oleauto.h>

#include <new>
#include <string>

#include "class_factory.h"
#include "com_util.h"
#include "module_lock.h"
#include "dispatch.h"
#include "localstore.h"
#include "objects.h"
#include "registrar.h"
#include "localstore_resource.h"

namespace localstore::com {
namespace {

HMODULE g_module = nullptr;
comsupport::CriticalSection g_module_lock;
// Filled on first use; guarded by the module lock. Released by DllMain when
// the module is unloaded, never at process exit.
struct Caches {
  ComPtr<IClassFactory> class_object;
  ComPtr<ITypeLib> type_library;
};
comsupport::Immortal<Caches> g_caches([] { return Caches{}; });

}  // namespace

HMODULE ModuleHandle() { return g_module; }

}  // namespace localstore::com

// The type information of a dispatch interface, from the library embedded
// in this module: no registration needed to read it.
HRESULT comsupport::GetInterfaceTypeInfo(REFIID iid, ITypeInfo** info) {
  using namespace localstore::com;
  comsupport::CriticalSectionLock hold(g_module_lock);
  if (!g_caches->type_library) {
    std::wstring path = comsupport::ModulePath(g_module);
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &g_caches->type_library);
    if (FAILED(hr)) return hr;
  }
  return g_caches->type_library->GetTypeInfoOfGuid(iid, info);
}

namespace localstore::com {
namespace {

using ClassFactory = comsupport::ClassFactory<LockModule, UnlockModule>;

HRESULT SessionClassObject(ComPtr<IClassFactory>& out) {
  comsupport::CriticalSectionLock hold(g_module_lock);
  ComPtr<IClassFactory>& class_object = g_caches->class_object;
  if (!class_object) {
    try {
      // An empty slot takes the new reference as is (not Attach, which
      // adds one in mingw-w64's ComPtr).
      *class_object.GetAddressOf() = std::make_unique<ClassFactory>(CreateSession).release();
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
  out = class_object;
  return S_OK;
}

}  // namespace
}  // namespace localstore::com

using namespace localstore::com;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
  } else if (reason == DLL_PROCESS_DETACH && !reserved) {
    // Unloaded by FreeLibrary: oleaut32, where the type library lives, is
    // still loaded. At process exit (`reserved` set) it may not be, and the
    // loader lock is held; the caches then go with the process.
    comsupport::CriticalSectionLock hold(g_module_lock);
    g_caches->class_object.Reset();
    g_caches->type_library.Reset();
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() { return comsupport::ModuleUnused() ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_LocalSession)) return CLASS_E_CLASSNOTAVAILABLE;
  ComPtr<IClassFactory> class_object;
  HRESULT hr = SessionClassObject(class_object);
  if (FAILED(hr)) return hr;
  return class_object->QueryInterface(iid, object);
}

STDAPI DllRegisterServer() try {
  HRESULT hr = comsupport::RunRegistryScript(g_module, IDR_LOCALSESSION, comsupport::RegistryAction::Register);
  if (FAILED(hr)) return hr;
  std::wstring path = comsupport::ModulePath(g_module);
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  ComPtr<ITypeLib> library;
  return LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, &library);
} catch (const std::bad_alloc&) {
  return E_OUTOFMEMORY;
} catch (...) {
  return E_UNEXPECTED;  // nothing may cross the module's boundary
}

STDAPI DllUnregisterServer() try {
  comsupport::RunRegistryScript(g_module, IDR_LOCALSESSION, comsupport::RegistryAction::Unregister);
  UnRegisterTypeLib(LIBID_LocalStoreLib, 1, 0, LOCALE_NEUTRAL, SYS_WIN32);
  return S_OK;
} catch (...) {
  return S_OK;  // unregistration is best effort by contract
}

}  // extern "C"
