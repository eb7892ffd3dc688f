// The main window's "Select..." of the export frame: the user picks a
// contacts folder in the store library's folder picker; its path text goes
// into txtPSTfile and its identifiers into ExportStoreID and ExportFolderID.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app_context.h"
#include "form.h"
#include "store.h"

namespace pindrel {

inline constexpr std::wstring_view kStoreErrorText = L"Outlook NOT Installed or Configured Properly.";
inline constexpr std::wstring_view kStoreErrorTitle = L"Outlook Error";
inline constexpr std::wstring_view kPickFolderCaption = L"Please select a Contacts folder";
inline constexpr std::wstring_view kNotContactsTitle = L"Select Contacts Folder";

// "You have selected <name>.", a line break and "Please select a Contacts
// folder.": the refusal of a folder that does not hold contacts.
std::wstring NotAContactsFolderText(const std::wstring& folder_name);

// Reads one folder property for a step whose failure is passed over: no
// value when the store refused.
std::optional<std::wstring> TryRead(const std::function<std::wstring()>& read);

// Whether the folder holds contacts; a folder whose class cannot be read
// does not.
bool IsContactsFolder(store::Folder& folder);

void ChooseExportContactsFolder(AppContext& app, ui::Form& main);

}  // namespace pindrel
