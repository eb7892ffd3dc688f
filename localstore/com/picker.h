// The folder picker: a modal dialog with the stores and their folders in a
// tree, OK, Cancel and "New Folder...".
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "profile.h"

namespace localstore::com {

struct FolderChoice {
  std::string store_id;
  std::string folder_id;
};

// Shows the picker owned by `owner` and returns the folder chosen with OK,
// or nothing when the user cancels. `start` is selected and shown expanded.
std::optional<FolderChoice> ShowFolderPicker(HWND owner, Profile& profile, const std::wstring& caption,
                                             const std::optional<FolderChoice>& start);

}  // namespace localstore::com
