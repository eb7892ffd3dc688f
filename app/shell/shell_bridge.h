// The program's links to the folder walk and the shell's folder functions,
// which are built as parts of their own. Kept in one file so a build without
// them still links and says plainly what is missing when asked for it.
#pragma once

#include <windows.h>

#include <string>

#include "frm_main.h"

namespace pindrel::bridge {

std::wstring BrowseForFolder(HWND owner, const std::wstring& title);
std::wstring GetSpecialFolderPath(int folder, HWND owner);
FolderWalk MakeFolderWalk();

}  // namespace pindrel::bridge
