// Tessary.dll's module: the object table, class objects, the lock count, the
// type information cache and the four exports.
#include "module.h"

#include <windows.h>
#include <oleauto.h>

#include <array>
#include <map>
#include <memory>
#include <new>
#include <string>

#include "class_factory.h"
#include "classes.h"
#include "com_util.h"
#include "registrar.h"
#include "resource.h"
#include "tessary.h"

namespace tessary::com {
namespace {

// One class of the module. The order of the table is the order of
// registration and of the class-object search.
struct ClassEntry {
  const CLSID& clsid;
  const IID& iid;  // the default interface
  UINT registry_script;
  CreateFunction create;
  // Filled on first use, kept until unload.
  ComPtr<IClassFactory> class_object;
  ComPtr<ITypeInfo> type_info;
  // Names scripts have asked for, exactly as spelt, and their DISPIDs.
  std::map<std::wstring, DISPID, std::less<>> dispids;
};

using ClassTable = std::array<ClassEntry, 3>;

ClassTable MakeClassTable() {
  return {{
      {CLSID_BusinessContact, IID_IBusinessContact, IDR_BUSINESSCONTACT, CreateBusinessContact, {}, {}, {}},
      {CLSID_VCardStream, IID_IVCardStream3, IDR_VCARDSTREAM, CreateVCardStream, {}, {}, {}},
      {CLSID_VCardContact, IID_IVCardContact, IDR_VCARDCONTACT, CreateVCardContact, {}, {}, {}},
  }};
}

// Never destroyed by the runtime; DllMain releases what it caches when the
// module is unloaded (see Immortal).
Immortal<ClassTable> g_classes(MakeClassTable);

HMODULE g_module = nullptr;
// Guards the class-object slots and the type information of the table.
CriticalSection g_module_lock;

// The class object of one table entry. The module's cached reference is its
// first; a client holding it beyond that keeps the module loaded.
using ClassFactory = comsupport::ClassFactory<LockModule, UnlockModule>;

HRESULT ClassObjectOf(ClassEntry& entry, ComPtr<IClassFactory>& out) {
  CriticalSectionLock hold(g_module_lock);
  if (!entry.class_object) {
    try {
      // The slot is empty, so its address can take the new reference as is.
      // (Not Attach: mingw-w64's ComPtr::Attach adds a reference of its own.)
      *entry.class_object.GetAddressOf() =
          std::make_unique<ClassFactory>(entry.create).release();
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
  out = entry.class_object;
  return S_OK;
}

// Releases what the table caches. Called when the module is unloaded.
void ReleaseTable() {
  CriticalSectionLock hold(g_module_lock);
  for (ClassEntry& entry : *g_classes) {
    entry.class_object.Reset();
    entry.type_info.Reset();
    entry.dispids.clear();
  }
}

}  // namespace

namespace {

// Call with the module lock held.
HRESULT LoadTypeInfo(ClassEntry& entry) {
  if (entry.type_info) return S_OK;
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadRegTypeLib(LIBID_TESSARYLib, 1, 0, LOCALE_NEUTRAL, &library);
  if (FAILED(hr)) return hr;
  return library->GetTypeInfoOfGuid(entry.iid, &entry.type_info);
}

ClassEntry* EntryOf(REFIID iid) {
  for (ClassEntry& entry : *g_classes)
    if (IsEqualIID(entry.iid, iid)) return &entry;
  return nullptr;
}

}  // namespace

}  // namespace tessary::com

using namespace tessary::com;

// The two look-ups the shared dispatch base asks the module for.
HRESULT comsupport::GetInterfaceTypeInfo(REFIID iid, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  CriticalSectionLock hold(g_module_lock);
  ClassEntry* entry = EntryOf(iid);
  if (!entry) return TYPE_E_ELEMENTNOTFOUND;
  HRESULT hr = LoadTypeInfo(*entry);
  if (FAILED(hr)) return hr;
  return entry->type_info.CopyTo(info);
}

HRESULT comsupport::GetInterfaceDispId(REFIID iid, LPOLESTR name, DISPID* id) {
  if (!name || !id) return E_POINTER;
  CriticalSectionLock hold(g_module_lock);
  ClassEntry* entry = EntryOf(iid);
  if (!entry) return TYPE_E_ELEMENTNOTFOUND;
  auto cached = entry->dispids.find(std::wstring_view(name));
  if (cached != entry->dispids.end()) {
    *id = cached->second;
    return S_OK;
  }
  HRESULT hr = LoadTypeInfo(*entry);
  if (FAILED(hr)) return hr;
  hr = DispGetIDsOfNames(entry->type_info.Get(), &name, 1, id);
  if (FAILED(hr)) return hr;
  try {
    entry->dispids.emplace(name, *id);
  } catch (const std::bad_alloc&) {
    // Not remembering a name costs only a later look-up.
  }
  return S_OK;
}

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  // Thread notifications stay on: the statically linked C runtime uses them.
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
  } else if (reason == DLL_PROCESS_DETACH && !reserved) {
    // Unloaded by FreeLibrary: the DLLs the caches point into are still
    // loaded. At process exit (`reserved` set) they may not be, and the
    // loader lock is held; the caches then go with the process.
    ReleaseTable();
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() { return ModuleUnused() ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  for (ClassEntry& entry : *g_classes) {
    if (!IsEqualCLSID(entry.clsid, clsid)) continue;
    ComPtr<IClassFactory> class_object;
    HRESULT hr = ClassObjectOf(entry, class_object);
    if (FAILED(hr)) return hr;
    return class_object->QueryInterface(iid, object);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllRegisterServer() try {
  for (const ClassEntry& entry : *g_classes) {
    HRESULT hr = RunRegistryScript(g_module, entry.registry_script, RegistryAction::Register);
    if (FAILED(hr)) return hr;
  }
  // Registering the embedded library also registers its dual interfaces.
  std::wstring path = ModulePath(g_module);
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  ComPtr<ITypeLib> library;
  return LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, &library);
} catch (const std::bad_alloc&) {
  return E_OUTOFMEMORY;
}

STDAPI DllUnregisterServer() try {
  for (const ClassEntry& entry : *g_classes)
    RunRegistryScript(g_module, entry.registry_script, RegistryAction::Unregister);
  std::wstring path = ModulePath(g_module);
  ComPtr<ITypeLib> library;
  if (!path.empty() && SUCCEEDED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library))) {
    TLIBATTR* attributes = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&attributes))) {
      UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                        attributes->lcid, attributes->syskind);
      library->ReleaseTLibAttr(attributes);
    }
  }
  return S_OK;
} catch (const std::bad_alloc&) {
  return S_OK;  // unregistration is best effort by contract
}

}  // extern "C"
