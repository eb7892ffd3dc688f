// The shell's folder dialog and special-folder lookup, turned into directory
// paths. Both return the empty text when there is no directory to give.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace pindrel {

// Shows the shell's folder dialog, modal to `owner` (null: no owner), with
// `title` above the folder tree; only file-system folders can be confirmed.
// Returns the chosen folder's path as the shell gives it (a trailing
// backslash only for a drive root), or the empty text when the user
// cancels or anything fails, except COM refusing to start on this thread:
// that throws std::runtime_error saying so.
std::wstring BrowseForFolder(HWND owner, const std::wstring& title);

// Runs once the dialog is up, with the dialog's window. The dialog runs its
// own message loop, so this is the only place from which a test can answer
// the real dialog (select a folder, then confirm or cancel).
using BrowseDialogHook = std::function<void(HWND dialog)>;
std::wstring BrowseForFolder(HWND owner, const std::wstring& title,
                             const BrowseDialogHook& on_shown);

// The path of shell special folder `folder` (16: the user's desktop
// directory) ending in exactly one backslash, or the empty text for an
// unknown folder or one that is not in the file system.
std::wstring GetSpecialFolderPath(int folder, HWND owner);

}  // namespace pindrel
