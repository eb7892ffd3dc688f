// The texts the program shows in its messages and dialogs, in one place so
// they read alike and the manual's list of messages can be checked against
// them. (Window captions are in the layout tables, forms.cpp; the closing
// messages that count what a run did are built beside the runs.)
#pragma once

#include <string_view>

namespace pindrel {

// The store library cannot be reached.
inline constexpr std::wstring_view kStoreErrorText = L"Outlook NOT Installed or Configured Properly.";
inline constexpr std::wstring_view kStoreErrorTitle = L"Outlook Error";

// Choosing a contacts folder.
inline constexpr std::wstring_view kPickFolderCaption = L"Please select a Contacts folder";
inline constexpr std::wstring_view kNotContactsTitle = L"Select Contacts Folder";

// The main window.
inline constexpr std::wstring_view kExportCaption = L"Export Outlook Contacts >>";
inline constexpr std::wstring_view kImportCaption = L"Process vCard Files >>";
inline constexpr std::wstring_view kNoExportDirectoryCaption = L"Process >>";
inline constexpr std::wstring_view kChooseExportDirectoryTitle = L"Select folder to save vCard files";
inline constexpr std::wstring_view kChooseVCardFolderTitle = L"Select Folder...";
inline constexpr std::wstring_view kFoundFilesTitle = L"vCard File(s) Info";

// The export.
inline constexpr std::wstring_view kExportFinishedTitle = L"Export Finished";

// The import.
inline constexpr std::wstring_view kImportCompleteText = L"Import Complete !";
inline constexpr std::wstring_view kImportCompleteTitle = L"Completed...";
inline constexpr std::wstring_view kReadingFolderText = L"Reading the contacts already in the folder: ";
inline constexpr std::wstring_view kNoSourceFolderText =
    L"No vCard folder has been chosen, so there is nothing to import.\r\n"
    L"Choose the folder that holds your vCard files in the main window first.";
inline constexpr std::wstring_view kNoSourceFolderTitle = kFoundFilesTitle;
// The run refused because the window shows no target folder (none chosen
// yet, or the last choice was cancelled or refused).
inline constexpr std::wstring_view kNoTargetFolderText =
    L"No contacts folder has been chosen to import into.\r\nPlease select a Contacts folder.";

}  // namespace pindrel
