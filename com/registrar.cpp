#include "registrar.h"

#include <new>
#include <string>

#include "com_util.h"
#include "registry_script.h"

namespace comsupport {
std::wstring ModulePath(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);  // truncated: try a larger buffer
  }
}

namespace {

// The script's bytes, which are plain ASCII text, as UTF-16.
HRESULT LoadScriptText(HMODULE module, UINT resource_id, std::wstring& text) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resource_id), L"REGISTRY");
  if (!found) return HRESULT_FROM_WIN32(GetLastError());
  HGLOBAL loaded = LoadResource(module, found);
  DWORD size = SizeofResource(module, found);
  const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (!bytes) return HRESULT_FROM_WIN32(GetLastError());
  if (size == 0) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  int wide = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), nullptr, 0);
  text.assign(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), text.data(), wide);
  return S_OK;
}

HRESULT SetString(HKEY key, const wchar_t* name, const std::wstring& data) {
  LSTATUS status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                  static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  return HRESULT_FROM_WIN32(status);
}

HRESULT DeleteWhole(HKEY parent, const std::wstring& name) {
  LSTATUS status = RegDeleteTreeW(parent, name.c_str());
  if (status == ERROR_FILE_NOT_FOUND) return S_OK;
  return HRESULT_FROM_WIN32(status);
}

HRESULT RegisterKey(HKEY parent, const ScriptKey& key) {
  if (key.force_remove) {
    HRESULT hr = DeleteWhole(parent, key.name);
    if (FAILED(hr)) return hr;
  }
  RegKey opened;
  LSTATUS status = RegCreateKeyExW(parent, key.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_READ | KEY_WRITE, nullptr, opened.Receive(), nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  if (key.default_value) {
    HRESULT hr = SetString(opened.Get(), nullptr, *key.default_value);
    if (FAILED(hr)) return hr;
  }
  for (const ScriptValue& value : key.values) {
    HRESULT hr = SetString(opened.Get(), value.name.c_str(), value.data);
    if (FAILED(hr)) return hr;
  }
  for (const ScriptKey& subkey : key.subkeys) {
    HRESULT hr = RegisterKey(opened.Get(), subkey);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

// Best effort: a key that cannot be removed does not stop the others.
void UnregisterKey(HKEY parent, const ScriptKey& key) {
  if (!key.no_remove) {
    DeleteWhole(parent, key.name);
    return;
  }
  RegKey opened;
  if (RegOpenKeyExW(parent, key.name.c_str(), 0, KEY_READ | KEY_WRITE, opened.Receive()) !=
      ERROR_SUCCESS)
    return;
  for (const ScriptValue& value : key.values) RegDeleteValueW(opened.Get(), value.name.c_str());
  for (const ScriptKey& subkey : key.subkeys) UnregisterKey(opened.Get(), subkey);
}

}  // namespace

HRESULT RunRegistryScript(HMODULE module, UINT resource_id, RegistryAction action) {
  try {
    std::wstring text;
    HRESULT hr = LoadScriptText(module, resource_id, text);
    if (FAILED(hr)) return hr;
    std::wstring path = ModulePath(module);
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    ScriptParse parsed = ParseRegistryScript(text, path);
    if (!parsed.script) {
      // Only a broken build gets here; say why for whoever debugs it.
      std::wstring message = L"registry script " + std::to_wstring(resource_id) +
                             L", " + parsed.error + L"\n";
      OutputDebugStringW(message.c_str());
      return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    }
    for (const ScriptKey& key : parsed.script->classes_root) {
      if (action == RegistryAction::Unregister) {
        UnregisterKey(HKEY_CLASSES_ROOT, key);
        continue;
      }
      hr = RegisterKey(HKEY_CLASSES_ROOT, key);
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace comsupport
