#include "contacts_folder_choice.h"

namespace pindrel {

std::wstring NotAContactsFolderText(const std::wstring& folder_name) {
  return L"You have selected " + folder_name + L".\r\nPlease select a Contacts folder.";
}

std::optional<std::wstring> TryRead(const std::function<std::wstring()>& read) {
  try {
    return read();
  } catch (const store::StoreError&) {
    return std::nullopt;
  }
}

bool IsContactsFolder(store::Folder& folder) {
  return TryRead([&] { return folder.DefaultMessageClass(); }) == store::kContactClass;
}

std::optional<ChosenFolder> PickContactsFolder(AppContext& app, ui::Form& owner,
                                               std::optional<std::int16_t> fourth) {
  Module1& state = app.state;
  bool logged_on = false;
  auto log_off = [&] {
    // A session that cannot log off is let go all the same.
    try {
      if (logged_on) state.StoreSession->Logoff();
    } catch (const store::StoreError&) {
    }
    logged_on = false;
  };
  auto store_failure = [&] {
    state.CurrentFolder.reset();
    // A session that got as far as logging on is logged off before it goes,
    // as after a cancel: the profile is not left open behind the user.
    log_off();
    state.StoreSession.reset();
    app.desktop.ShowMessage(&owner, std::wstring(kStoreErrorText), std::wstring(kStoreErrorTitle));
    return std::nullopt;
  };

  std::unique_ptr<store::Folder> default_folder;
  try {
    state.StoreSession = app.open_session();
    state.StoreSession->Logon();
    logged_on = true;
    default_folder = state.StoreSession->GetDefaultFolder(store::kContactsFolderKind);
    state.CurrentFolder.reset();
    state.CurrentFolder =
        state.StoreSession->PickFolder(*default_folder, std::wstring(kPickFolderCaption), fourth, 2);
  } catch (const store::StoreError&) {
    return store_failure();
  }

  if (!state.CurrentFolder) {  // cancelled
    default_folder.reset();
    log_off();
    state.StoreSession.reset();
    return std::nullopt;
  }

  store::Folder& folder = *state.CurrentFolder;
  if (!IsContactsFolder(folder)) {
    std::wstring name = TryRead([&] { return folder.Name(); }).value_or(L"");
    app.desktop.ShowMessage(&owner, NotAContactsFolderText(name), std::wstring(kNotContactsTitle));
    state.CurrentFolder.reset();
    state.StoreSession.reset();  // no log off on this path
    return std::nullopt;
  }

  // The folder is opened again later from its two identifiers; a pair of
  // which only one could be read would point at the wrong folder, so such
  // a folder is not accepted.
  std::optional<std::wstring> store_id = TryRead([&] { return folder.StoreID(); });
  std::optional<std::wstring> entry_id = TryRead([&] { return folder.EntryID(); });
  if (!store_id || !entry_id) return store_failure();
  return ChosenFolder{TryRead([&] { return folder.FolderPath(); }).value_or(L""), *store_id, *entry_id};
}

}  // namespace pindrel
