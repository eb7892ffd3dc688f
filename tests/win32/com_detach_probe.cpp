// Loads a COM server (Tessary.dll unless named), makes it cache the type
// information of the object its class makes, then lets the module go the
// way the command line says and reports, by its exit code, whether the
// cache still holds its reference:
//
//   com_detach_probe unload [DLL CLSID]   FreeLibrary: the cache is released
//                                         (exit 0)
//   com_detach_probe exit [DLL CLSID]     the notification a process exit
//                                         sends, with its non-null reserved
//                                         argument: nothing is released
//                                         (exit 0)
//
// Tessary is registered first, since it reads its type library from the
// registry; a server named on the command line must read its own without.
// Exit 1 means the wrong answer, 2 a failure to set up. The exit case runs
// the module's entry point by hand and then ends the process at once, so it
// has to be a process of its own.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>

#include "tessary.h"

namespace {

// The reference count of `object`, read without changing it.
ULONG References(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

int Fail(const char* what) {
  std::printf("setup failed: %s\n", what);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 && argc != 4) return Fail("usage");
  const bool process_exit = std::wcscmp(argv[1], L"exit") == 0;
  const bool tessary = argc == 2;
  CLSID clsid = CLSID_VCardStream;
  if (!tessary && FAILED(CLSIDFromString(argv[3], &clsid))) return Fail("usage: CLSID");
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return Fail("CoInitializeEx");
  // The type information lives in oleaut32, which only Tessary brings in:
  // held here, it stays loaded when Tessary goes.
  if (!LoadLibraryW(L"oleaut32.dll")) return Fail("LoadLibrary oleaut32");
  HMODULE module = LoadLibraryW(tessary ? L"Tessary.dll" : argv[2]);
  if (!module) return Fail("LoadLibrary");
  using Register = HRESULT(WINAPI*)();
  using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  auto register_server = reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
  auto get_class_object =
      reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  if (!register_server || !get_class_object || (tessary && FAILED(register_server()))) return Fail("registration");

  // Raw pointers on purpose: the module goes away under them below, and the
  // order of every release matters.
  IClassFactory* factory = nullptr;
  if (FAILED(get_class_object(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
    return Fail("class object");
  IDispatch* object = nullptr;
  if (FAILED(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object))))
    return Fail("CreateInstance");
  factory->Release();
  ITypeInfo* info = nullptr;
  if (FAILED(object->GetTypeInfo(0, LOCALE_NEUTRAL, &info)) || !info) return Fail("GetTypeInfo");
  object->Release();
  ITypeLib* library = nullptr;
  UINT index = 0;
  if (FAILED(info->GetContainingTypeLib(&library, &index))) return Fail("GetContainingTypeLib");
  // Ours and the module's cache, which holds the type information (Tessary)
  // or the whole library.
  auto references = [&] { return References(info) + References(library); };
  const ULONG before = references();

  if (process_exit) {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const BYTE*>(module) + dos->e_lfanew);
    using EntryPoint = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);
    auto entry = reinterpret_cast<EntryPoint>(
        reinterpret_cast<void*>(reinterpret_cast<BYTE*>(module) + nt->OptionalHeader.AddressOfEntryPoint));
    entry(module, DLL_PROCESS_DETACH, reinterpret_cast<LPVOID>(1));
    const ULONG after = references();
    std::printf("process exit: %lu references before, %lu after\n", before, after);
    std::fflush(stdout);
    // The module's runtime has shut down: end here, running nothing more.
    TerminateProcess(GetCurrentProcess(), after == before ? 0 : 1);
  }

  FreeLibrary(module);
  const ULONG after = references();
  std::printf("unload: %lu references before, %lu after\n", before, after);
  library->Release();
  info->Release();
  CoUninitialize();
  return after + 1 == before ? 0 : 1;
}
