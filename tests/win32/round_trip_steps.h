// A round trip as a user runs it, through the real window logic on the
// real store and reader: the pieces the round-trip test and its benchmark
// share. Each step leaves its checks to the caller.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string_view>
#include <vector>

#include "app_context.h"
#include "fake_ui.h"
#include "folder_listing.h"
#include "forms.h"
#include "frm_vcard_export.h"
#include "frm_vcard_import.h"
#include "store.h"
#include "store_dispatch.h"
#include "vcard_reader_com.h"
#include "win32_directory_lister.h"
#include "win32_export_file.h"

namespace pindrel::testing {

// The program's context over the store library and Tessary, as registered
// in the prefix; messages go to the fake desktop.
struct RoundTripContext {
  Module1 state;
  fakes::FakeDesktop desktop;
  Win32DirectoryLister lister;
  Win32ExportFiles export_files;
  AppContext app{state, desktop,
                 [this](std::wstring& root, std::vector<std::wstring>& found) { return ListFiles(root, found, lister); },
                 store::DispatchSessionFactory(), ComVCardReaderFactory()};
  RoundTripContext() { app.export_files = &export_files; }
};

// An empty directory of that name in the temporary folder.
inline std::filesystem::path FreshTempDirectory(std::wstring_view name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::filesystem::path dir = std::filesystem::path(temp) / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// Presses "Export to vCard" on the export window for `folder` into `dir`,
// after choosing `format` (one of the window's options) when one is given.
// Returns whether the window closed itself afterwards.
inline bool ExportThroughWindow(RoundTripContext& c, store::Folder& folder, const std::filesystem::path& dir,
                                std::string_view format = {}) {
  c.state.ExportStoreID = folder.StoreID();
  c.state.ExportFolderID = folder.EntryID();
  FrmvCardExport exporter(c.app);
  exporter.SetChoices(folder.FolderPath(), dir.wstring());
  fakes::FakeForm window(forms::frmvCardExport::Layout(), exporter, c.desktop);
  window.Open();
  if (!format.empty()) window.Click(format);
  window.Click(forms::frmvCardExport::CmdExport);
  return window.closed();
}

// Presses "Import vCard to Outlook" on the import window for the files of
// `dir` into `folder`, with `choice` for the cards of people already there
// (a round trip into the folder it came from adds them again).
inline void ImportThroughWindow(RoundTripContext& c, store::Folder& folder, const std::filesystem::path& dir,
                                std::string_view choice = forms::frmvCardImport::OptDuplicateAdd) {
  c.state.ImportSourceFolder = dir.wstring();
  c.state.ImportStoreID = folder.StoreID();
  c.state.ImportFolderID = folder.EntryID();
  FrmvCardImport importer(c.app);
  fakes::FakeForm window(forms::frmvCardImport::Layout(), importer, c.desktop);
  window.Open();
  // As a chosen target leaves the window.
  window.SetText(forms::frmvCardImport::txtvCardImportDefault, folder.FolderPath());
  window.SetEnabled(forms::frmvCardImport::CmdImportvCard, true);
  window.Click(choice);
  window.Click(forms::frmvCardImport::CmdImportvCard);
}

}  // namespace pindrel::testing
