#include "shell_folders.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>

#include "../com_apartment.h"

namespace pindrel {
namespace {

struct IdListFree {
  void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};
using IdList = std::unique_ptr<ITEMIDLIST, IdListFree>;


// The file-system path of an item, read through a buffer of the platform's
// maximum path length and cut at its first NUL. False when the item has no
// file-system path.
bool PathOf(const ITEMIDLIST* list, std::wstring& path) {
  std::array<wchar_t, MAX_PATH> buffer{};
  if (!SHGetPathFromIDListW(list, buffer.data())) return false;
  path.assign(buffer.begin(), std::find(buffer.begin(), buffer.end(), L'\0'));
  return true;
}

// A named function: on i686 a lambda does not convert to a stdcall callback.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0) {
    // Nothing may unwind through the shell's frames.
    try {
      (*reinterpret_cast<const BrowseDialogHook*>(data))(dialog);
    } catch (...) {
    }
  }
  return 0;
}

}  // namespace

std::wstring BrowseForFolder(HWND owner, const std::wstring& title) {
  return BrowseForFolder(owner, title, nullptr);
}

std::wstring BrowseForFolder(HWND owner, const std::wstring& title,
                             const BrowseDialogHook& on_shown) {
  ComApartment com;  // the folder dialog needs COM on this thread
  // Said, not passed off as a cancel: the user would never learn why the
  // dialog does not appear.
  if (!com.usable()) throw std::runtime_error(com.FailureText("The folder dialog cannot be shown"));
  // Any other failure, a cancel included, means "no directory".
  try {
    BROWSEINFOW info{};  // no root: the dialog starts at the top of the shell
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    if (on_shown) {
      info.lpfn = BrowseCallback;
      info.lParam = reinterpret_cast<LPARAM>(&on_shown);
    }
    IdList chosen(SHBrowseForFolderW(&info));
    if (!chosen) return {};
    std::wstring path;
    if (!PathOf(chosen.get(), path)) return {};
    return path;
  } catch (...) {
    return {};
  }
}

std::wstring GetSpecialFolderPath(int folder, HWND owner) {
  try {
    ITEMIDLIST* raw = nullptr;
    const HRESULT found = SHGetSpecialFolderLocation(owner, folder, &raw);
    IdList list(raw);
    if (found != S_OK || !list) return {};
    std::wstring path;
    // An empty path is no directory: with a backslash added it would name
    // the root of the current drive.
    if (!PathOf(list.get(), path) || path.empty()) return {};
    // Exactly one: a folder redirected to a drive root already has it.
    if (path.back() != L'\\') path += L'\\';
    return path;
  } catch (...) {
    return {};
  }
}

}  // namespace pindrel
