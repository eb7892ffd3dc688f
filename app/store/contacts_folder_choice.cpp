#include "contacts_folder_choice.h"

#include "forms.h"

namespace pindrel {

namespace main_window = forms::frmMain;

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

void ChooseExportContactsFolder(AppContext& app, ui::Form& main) {
  Module1& state = app.state;
  main.SetText(main_window::txtPSTfile, L"");

  std::unique_ptr<store::Folder> default_folder;
  try {
    state.StoreSession = app.open_session();
    state.StoreSession->Logon();
    default_folder = state.StoreSession->GetDefaultFolder(store::kContactsFolderKind);
    state.CurrentFolder = state.StoreSession->PickFolder(*default_folder, std::wstring(kPickFolderCaption),
                                                         std::int16_t{1}, 2);
  } catch (const store::StoreError&) {
    state.CurrentFolder.reset();
    state.StoreSession.reset();
    app.desktop.ShowMessage(&main, std::wstring(kStoreErrorText), std::wstring(kStoreErrorTitle));
    return;
  }

  if (!state.CurrentFolder) {  // cancelled
    default_folder.reset();
    try {
      state.StoreSession->Logoff();
    } catch (const store::StoreError&) {
    }
    state.StoreSession.reset();
    return;
  }

  store::Folder& folder = *state.CurrentFolder;
  if (!IsContactsFolder(folder)) {
    std::wstring name = TryRead([&] { return folder.Name(); }).value_or(L"");
    app.desktop.ShowMessage(&main, NotAContactsFolderText(name), std::wstring(kNotContactsTitle));
    main.SetText(main_window::txtPSTfile, L"");
    state.CurrentFolder.reset();
    state.StoreSession.reset();
    return;
  }

  // The export opens the folder again from its two identifiers; a pair of
  // which only one could be read would point it at the wrong folder, so
  // such a folder is not accepted.
  std::optional<std::wstring> store_id = TryRead([&] { return folder.StoreID(); });
  std::optional<std::wstring> entry_id = TryRead([&] { return folder.EntryID(); });
  if (!store_id || !entry_id) {
    state.CurrentFolder.reset();
    state.StoreSession.reset();
    app.desktop.ShowMessage(&main, std::wstring(kStoreErrorText), std::wstring(kStoreErrorTitle));
    return;
  }
  main.SetText(main_window::txtPSTfile, TryRead([&] { return folder.FolderPath(); }).value_or(L""));
  if (!main.Text(main_window::txtPSTfile).empty() && !main.Text(main_window::txtExportSavePath).empty())
    main.SetEnabled(main_window::CmdProcess, true);
  state.ExportStoreID = *store_id;
  state.ExportFolderID = *entry_id;
}

}  // namespace pindrel
