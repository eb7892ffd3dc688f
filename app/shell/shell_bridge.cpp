#include "shell_bridge.h"

#include <memory>
#include <stdexcept>

#if PINDREL_HAVE_SHELL_FOLDERS
#include "shell_folders.h"
#endif
#if PINDREL_HAVE_WALK
#include "folder_listing.h"
#if __has_include("win32_directory_lister.h")
#include "win32_directory_lister.h"
#elif __has_include("win32/win32_directory_lister.h")
#include "win32/win32_directory_lister.h"
#elif __has_include("folder_listing_win32.h")
#include "folder_listing_win32.h"
#endif
#endif

// Outside the program's namespaces on purpose: the calls below must find the
// shell functions' own names, not the wrappers declared here.
namespace {

#if PINDREL_HAVE_SHELL_FOLDERS
std::wstring CallBrowse(HWND owner, const std::wstring& title) {
  using namespace pindrel;
  return BrowseForFolder(owner, title);
}
std::wstring CallSpecialFolder(int folder, HWND owner) {
  using namespace pindrel;
  return GetSpecialFolderPath(folder, owner);
}
#endif

}  // namespace

namespace pindrel::bridge {

std::wstring BrowseForFolder(HWND owner, const std::wstring& title) {
#if PINDREL_HAVE_SHELL_FOLDERS
  return CallBrowse(owner, title);
#else
  (void)owner;
  (void)title;
  throw std::runtime_error("The folder dialog is not part of this build of Pindrel.");
#endif
}

std::wstring GetSpecialFolderPath(int folder, HWND owner) {
#if PINDREL_HAVE_SHELL_FOLDERS
  return CallSpecialFolder(folder, owner);
#else
  // As when the shell cannot give the folder: no directory.
  (void)folder;
  (void)owner;
  return {};
#endif
}

FolderWalk MakeFolderWalk() {
#if PINDREL_HAVE_WALK
  auto lister = std::make_shared<pindrel::Win32DirectoryLister>();
  return [lister](std::wstring& root, std::vector<std::wstring>& found) {
    return pindrel::ListFiles(root, found, *lister);
  };
#else
  return [](std::wstring&, std::vector<std::wstring>&) -> int {
    throw std::runtime_error("The folder walk is not part of this build of Pindrel.");
  };
#endif
}

}  // namespace pindrel::bridge
