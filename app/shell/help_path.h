// Where the help file lives: next to the program.
#pragma once

#include <string>

namespace pindrel {

inline constexpr wchar_t kHelpFileName[] = L"Manual.chm";

// The help file's path for a program at `program_path` (a full path with the
// file name): the program's directory, one backslash, "Manual.chm".
std::wstring HelpFilePath(const std::wstring& program_path);

}  // namespace pindrel
