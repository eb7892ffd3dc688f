// Choosing a contacts folder in the store library's folder picker, for the
// export's source and the import's target: the folder's path text and its
// identifiers, or the reason there is none, said to the user.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app_context.h"
#include "form.h"
#include "store.h"
#include "texts.h"

namespace pindrel {

// "You have selected <name>.", a line break and "Please select a Contacts
// folder.": the refusal of a folder that does not hold contacts.
std::wstring NotAContactsFolderText(const std::wstring& folder_name);

// Reads one folder property for a step whose failure is passed over: no
// value when the store refused.
std::optional<std::wstring> TryRead(const std::function<std::wstring()>& read);

// Whether the folder holds contacts; a folder whose class cannot be read
// does not.
bool IsContactsFolder(store::Folder& folder);

// A contacts folder the user picked, as its chooser keeps it.
struct ChosenFolder {
  std::wstring path;  // the folder's path text, empty when it cannot be read
  std::wstring store_id;
  std::wstring entry_id;
};

// The store library's picker, from creating the session to reading the
// picked folder's identifiers; `fourth` is the picker's fourth argument. The
// session and the folder stay in StoreSession and CurrentFolder. None when
// the user cancelled (the session is logged off), the store failed or the
// folder holds no contacts (each said to the user, owned by `owner`).
std::optional<ChosenFolder> PickContactsFolder(AppContext& app, ui::Form& owner, std::optional<std::int16_t> fourth);

}  // namespace pindrel
