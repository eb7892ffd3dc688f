// Shared pieces of the Tessary COM tests: the freshly built server loaded
// and registered, COM initialised per test, and temporary vCard files.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "com_util.h"
#include "tessary.h"

namespace tessary_test {

using comsupport::Bstr;
using comsupport::ComPtr;
using comsupport::Variant;

// The Tessary.dll next to the test program, loaded once for the whole run
// (so its exports can be called directly) and registered from there, so
// CoCreateInstance and the type library find this build, not an older one.
class Server {
 public:
  static Server& Get() {
    static Server server;
    return server;
  }
  HMODULE module() const { return module_; }
  HRESULT registration() const { return registration_; }

  HRESULT CanUnloadNow() const { return can_unload_now_(); }
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) const {
    return get_class_object_(clsid, iid, object);
  }

 private:
  Server() {
    module_ = LoadLibraryW(L"Tessary.dll");
    if (!module_) return;
    can_unload_now_ = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
    get_class_object_ = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    auto register_server = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllRegisterServer")));
    registration_ = register_server ? register_server() : E_NOTIMPL;
  }
  HMODULE module_ = nullptr;
  HRESULT registration_ = E_FAIL;
  HRESULT(WINAPI* can_unload_now_)() = nullptr;
  HRESULT(WINAPI* get_class_object_)(REFCLSID, REFIID, void**) = nullptr;
};

// Every test runs in a single-threaded apartment, as the program does.
class ComTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    initialised_ = true;
    ASSERT_NE(Server::Get().module(), nullptr) << "Tessary.dll not found next to the test";
    ASSERT_EQ(Server::Get().registration(), S_OK) << "DllRegisterServer failed";
  }
  void TearDown() override {
    if (initialised_) CoUninitialize();
  }

  template <class Interface>
  static ComPtr<Interface> Create(REFCLSID clsid) {
    ComPtr<Interface> object;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(Interface),
                                  reinterpret_cast<void**>(object.GetAddressOf()));
    EXPECT_EQ(hr, S_OK);
    return object;
  }

 private:
  bool initialised_ = false;
};

// A file in the prefix's temporary directory, written on construction and
// removed on destruction. `name` may hold any Unicode characters.
class TempFile {
 public:
  TempFile(std::string_view bytes, std::wstring_view name) {
    wchar_t dir[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, dir);
    // Unique per process and file, so parallel test runs do not collide.
    static int serial = 0;
    path_.assign(dir, length);
    path_ += L"tessary_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
             std::to_wstring(++serial) + L"_";
    path_ += name;
    std::FILE* file = _wfopen(path_.c_str(), L"wb");
    if (!file) return;
    written_ = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written_ = std::fclose(file) == 0 && written_;
  }
  ~TempFile() { _wremove(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool written() const { return written_; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  bool written_ = false;
};

inline std::wstring ToWide(BSTR value) {
  return value ? std::wstring(value, SysStringLen(value)) : std::wstring();
}

}  // namespace tessary_test
