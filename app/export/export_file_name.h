// The name and path of the vCard file an exported contact is written to:
// the contact's display name made safe for a file name, its position in the
// folder, and the target directory. Pure text work, so every rule can be
// checked without a store or a window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pindrel {

// The longest full path the export writes, in UTF-16 units: the Windows
// path limit less its terminator. The store library and the file system
// behind it refuse anything longer.
inline constexpr std::size_t kMaxExportPathLength = 259;
// The longest file name (the last part of the path) a Windows file system
// takes, in UTF-16 units. In a short directory, a drive's root above all,
// it is the tighter of the two limits.
inline constexpr std::size_t kMaxExportFileNameLength = 255;

// What the user sees of a contact while it is written, and what its file
// is named after: first name, one space, last name.
std::wstring ContactDisplayName(const std::wstring& first_name, const std::wstring& last_name);

// The display name with everything a file name cannot hold left out: the
// characters : ? \ / * " < > |, every control character (code below 32, so
// line breaks and tabs too, and 127), and spaces at either end. Without
// \ / and : no name can reach another directory or drive. Dots stay, at the
// end too ("Smith Jr."): the file name always goes on with " (position)",
// so Windows never sees them at the end of a name, and "." or ".." with
// that behind them are ordinary names.
std::wstring CleanContactName(std::wstring_view display_name);

// The full path of the contact's file in `target_directory` (taken as the
// user entered it; a backslash is put between it and the name unless it
// already ends in one, spaces around it aside). The file's base name is the
// cleaned name, " (", the position and ")", or the position alone when
// nothing of the name is left: the position always comes with the name, so
// two contacts of one name never share a file. When the file name would be
// longer than kMaxExportFileNameLength, or the path longer than
// kMaxExportPathLength, the name is shortened, never the " (position)";
// none when even the position alone does not fit, or when there is no
// directory at all.
std::optional<std::wstring> ExportFilePath(const std::wstring& target_directory, std::wstring_view display_name,
                                           std::int32_t position);

// The path of the one file an export of all contacts writes: the folder's
// name cleaned as a contact's is (CleanContactName; "Contacts" when nothing
// is left of it) and ".vcf" in `target_directory` (joined as above). The
// first file is "Contacts.vcf"; `number` 2 and up name the ones tried when
// it is taken: "Contacts (2).vcf". The name is shortened to the same limits,
// never the " (number)"; none when nothing fits or there is no directory.
std::optional<std::wstring> OneFileExportPath(const std::wstring& target_directory, std::wstring_view folder_name,
                                              std::int32_t number);

// The length of a text in UTF-16 units, the unit of Windows path limits,
// whatever the width of wchar_t where this runs.
std::size_t Utf16Length(std::wstring_view text);

}  // namespace pindrel
