// The visual-style control: a small child window whose creation brings up
// the common controls (version 6 through the program's manifest) and keeps
// shell32 loaded for as long as the window that carries it lives.
#pragma once

#include <windows.h>

namespace pindrel::ui::win32 {

inline constexpr wchar_t kXPStyleClass[] = L"PindrelXPStyle";
// Fixed size, whatever size it is given: 810 x 810 twips.
inline constexpr int kXPStyleTwips = 810;
// Answers the handle the control keeps in its ShellModule member (for tests
// and diagnostics).
inline constexpr UINT kXPStyleGetShellModule = WM_USER + 0x100;

// Registers the window class once per process, under `module`, the module
// whose handle windows of the class are created with. A window's creation
// parameter is the bitmap resource of `resources` shown as its face (0: none).
void RegisterXPStyleClass(HINSTANCE module, HINSTANCE resources);

}  // namespace pindrel::ui::win32
