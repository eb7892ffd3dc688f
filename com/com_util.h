// Small owners for the Win32 and COM resources our COM servers and their
// clients handle: BSTRs, VARIANTs, registry keys and a critical section. COM
// interface pointers use Microsoft::WRL::ComPtr.
//
// Beware: mingw-w64's ComPtr::Attach adds a reference (Microsoft's does not),
// so this code never calls it.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <new>
#include <string>
#include <string_view>
#include <utility>

namespace comsupport {

using Microsoft::WRL::ComPtr;

// Owns one BSTR; frees it with SysFreeString when replaced or destroyed.
class Bstr {
 public:
  Bstr() = default;
  // Copies `text`; an allocation failure leaves the Bstr null.
  explicit Bstr(std::wstring_view text)
      : bstr_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { Reset(); }
  Bstr(Bstr&& other) noexcept : bstr_(std::exchange(other.bstr_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.bstr_, nullptr));
    return *this;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR Get() const { return bstr_; }
  // For an out-parameter: frees the current string first.
  BSTR* Receive() {
    Reset();
    return &bstr_;
  }
  // Hands the string to a caller who will free it.
  BSTR Release() { return std::exchange(bstr_, nullptr); }
  void Reset(BSTR bstr = nullptr) {
    if (bstr_ != bstr) SysFreeString(bstr_);
    bstr_ = bstr;
  }
  // A null BSTR is the empty string to every automation client.
  std::wstring_view View() const {
    return bstr_ ? std::wstring_view(bstr_, SysStringLen(bstr_)) : std::wstring_view();
  }

 private:
  BSTR bstr_ = nullptr;
};

// Owns a VARIANT; VariantClear frees whatever it holds.
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  ~Variant() { VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  // A VARIANT may be moved bit for bit; the source is left empty.
  Variant(Variant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
  Variant& operator=(Variant&& other) noexcept {
    if (this != &other) {
      VariantClear(&v_);
      v_ = other.v_;
      VariantInit(&other.v_);
    }
    return *this;
  }

  VARIANT* Receive() {
    VariantClear(&v_);
    return &v_;
  }
  const VARIANT& Get() const { return v_; }
  // Takes ownership of `bstr`.
  void SetBstr(Bstr bstr) {
    VariantClear(&v_);
    V_VT(&v_) = VT_BSTR;
    V_BSTR(&v_) = bstr.Release();
  }
  VARIANT* Pointer() { return &v_; }

 private:
  VARIANT v_;
};

// Owns an open registry key.
class RegKey {
 public:
  RegKey() = default;
  ~RegKey() { Reset(); }
  RegKey(RegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  RegKey& operator=(RegKey&& other) noexcept {
    if (this != &other) {
      Reset();
      key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  HKEY Get() const { return key_; }
  HKEY* Receive() {
    Reset();
    return &key_;
  }
  void Reset() {
    if (key_) RegCloseKey(std::exchange(key_, nullptr));
  }

 private:
  HKEY key_ = nullptr;
};

// Holds a T that is never destroyed, for a server's module-wide caches of
// COM objects. When the process exits, the loader lock is held and the DLLs
// the cached objects belong to may be gone already, so nothing may release
// them then, not even the runtime's destructors of globals; when the module
// is unloaded by FreeLibrary, its DllMain releases them itself.
template <class T>
class Immortal {
 public:
  explicit Immortal(T (*make)()) { ::new (static_cast<void*>(storage_)) T(make()); }
  T& operator*() { return *std::launder(reinterpret_cast<T*>(storage_)); }
  T* operator->() { return &**this; }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};

class CriticalSection {
 public:
  CriticalSection() { InitializeCriticalSection(&cs_); }
  ~CriticalSection() { DeleteCriticalSection(&cs_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void Enter() { EnterCriticalSection(&cs_); }
  void Leave() { LeaveCriticalSection(&cs_); }

 private:
  CRITICAL_SECTION cs_;
};

class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
  ~CriticalSectionLock() { cs_.Leave(); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CriticalSection& cs_;
};

}  // namespace comsupport
