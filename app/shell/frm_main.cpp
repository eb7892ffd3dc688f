#include "frm_main.h"

#include "contacts_folder_choice.h"
#include "forms.h"
#include "texts.h"

namespace pindrel {

namespace {

using namespace forms::frmMain;

bool HasText(const ui::Form& form, std::string_view control) { return !form.Text(control).empty(); }

void SetEnabled(ui::Form& form, std::initializer_list<std::string_view> controls, bool enabled) {
  for (std::string_view c : controls) form.SetEnabled(c, enabled);
}

}  // namespace

FrmMain::FrmMain(AppContext& app) : app_(app), export_(app), import_(app) {}

void FrmMain::Create(ui::Form& form) {
  // Proceed is only offered once both a contacts folder and a vCard folder
  // are known; at creation neither is.
  form.SetEnabled(CmdProcess, HasText(form, txtPSTfile) && HasText(form, txtVCFfolder));
}

void FrmMain::Load(ui::Form& form) { ExportModeSwitch(form); }

void FrmMain::Click(ui::Form& form, std::string_view control) {
  if (control == OptvCardExport) ExportModeSwitch(form);
  else if (control == OptvCardImport) ImportModeSwitch(form);
  else if (control == CmdBrowseExport) ChooseExportDirectory(form);
  else if (control == CmdPSTSelect) ChooseExportContactsFolder(form);
  else if (control == CmdSelectFolder) ChooseVCardFolder(form);
  else if (control == CmdProcess) Proceed(form);
  else if (control == mnuExit) Exit(form);
  else if (control == mnuContents) app_.desktop.ShowHelp(form);
  else if (control == mnuAbout) app_.desktop.ShowModal(forms::frmAbout::Layout(), about_, form);
}

void FrmMain::Change(ui::Form& form, std::string_view control) {
  if (control == txtExportSavePath || control == txtPSTfile) ChangeRule(form);
}

void FrmMain::CloseRequest(ui::Form& form) { form.Close(); }

void FrmMain::ChangeRule(ui::Form& form) {
  form.SetEnabled(CmdProcess, HasText(form, txtPSTfile) && HasText(form, txtExportSavePath));
}

void FrmMain::ExportModeSwitch(ui::Form& form) {
  SetEnabled(form, {FramevCardExport, txtPSTfile, CmdPSTSelect, CmdBrowseExport, txtExportSavePath}, true);
  // Entering export mode always starts from the desktop directory, replacing
  // a directory chosen before.
  form.SetText(txtExportSavePath, app_.desktop.SpecialFolderPath(kDesktopDirectory, &form));
  form.SetCaption(CmdProcess, std::wstring(kExportCaption));
  SetEnabled(form, {FramevCardImport, txtVCFfolder, CmdSelectFolder}, false);
  if (HasText(form, txtExportSavePath) && HasText(form, txtPSTfile)) form.SetEnabled(CmdProcess, true);
}

void FrmMain::ImportModeSwitch(ui::Form& form) {
  SetEnabled(form, {FramevCardExport, txtPSTfile, CmdPSTSelect, CmdBrowseExport, txtExportSavePath}, false);
  form.SetText(txtExportSavePath, L"");
  SetEnabled(form, {FramevCardImport, txtVCFfolder, CmdSelectFolder}, true);
  form.SetCaption(CmdProcess, std::wstring(kImportCaption));
  if (HasText(form, txtPSTfile) && HasText(form, txtVCFfolder)) form.SetEnabled(CmdProcess, true);
}

void FrmMain::ChooseExportDirectory(ui::Form& form) {
  ChangeRule(form);
  // No owner: the main window stays usable while the dialog is open.
  std::wstring chosen = app_.desktop.ChooseFolder(nullptr, std::wstring(kChooseExportDirectoryTitle));
  if (!chosen.empty()) {
    form.SetText(txtExportSavePath, std::wstring(ui::TrimSpaces(chosen)));
    form.SetCaption(CmdProcess, std::wstring(kExportCaption));
    form.SetEnabled(CmdProcess, true);
  } else {
    form.SetEnabled(CmdProcess, false);
    form.SetCaption(CmdProcess, std::wstring(kNoExportDirectoryCaption));
  }
}

void FrmMain::ChooseExportContactsFolder(ui::Form& form) {
  form.SetText(txtPSTfile, L"");
  std::optional<ChosenFolder> chosen = PickContactsFolder(app_, form, std::int16_t{1});
  if (!chosen) return;
  form.SetText(txtPSTfile, chosen->path);
  if (HasText(form, txtPSTfile) && HasText(form, txtExportSavePath)) form.SetEnabled(CmdProcess, true);
  app_.state.ExportStoreID = chosen->store_id;
  app_.state.ExportFolderID = chosen->entry_id;
}

void FrmMain::ChooseVCardFolder(ui::Form& form) {
  Module1& state = app_.state;
  std::wstring chosen = app_.desktop.ChooseFolder(&form, std::wstring(kChooseVCardFolderTitle));
  // A cancelled dialog changes nothing: the source folder chosen before stays
  // what a later Proceed imports from, matching the path box. Emptying it
  // would make the import walk the root of the whole drive.
  if (chosen.empty()) return;
  state.ImportSourceFolder = chosen;
  state.FoundFiles.clear();
  form.SetText(txtVCFfolder, chosen);
  app_.desktop.DoEvents();  // let the path box repaint before the walk blocks
  if (!form.IsOpen()) return;
  std::wstring folder = chosen;
  int count = app_.walk(folder, state.FoundFiles);
  state.FoundFileCount = count;
  app_.desktop.ShowMessage(&form, FoundFilesMessage(folder, count), std::wstring(kFoundFilesTitle));
  ShowImportWindow(form);
}

std::wstring FrmMain::FoundFilesMessage(const std::wstring& folder, int count) {
  return L"Selected Folder: " + folder + L"\r\n\r\nFound " + std::to_wstring(count) +
         L" vCard files in the selected folder";
}

void FrmMain::ShowImportWindow(ui::Form& form) {
  // The count of the latest walk, also when Proceed opens the window again:
  // the user sees how many files the import is about to read.
  import_.SetFileCount(app_.state.FoundFileCount);
  app_.desktop.ShowModal(forms::frmvCardImport::Layout(), import_, form);
}

void FrmMain::Proceed(ui::Form& form) {
  if (form.Checked(OptvCardExport)) {
    export_.SetChoices(form.Text(txtPSTfile), form.Text(txtExportSavePath));
    app_.desktop.ShowModal(forms::frmvCardExport::Layout(), export_, form);
  }
  if (form.Checked(OptvCardImport)) ShowImportWindow(form);
}

void FrmMain::Exit(ui::Form& form) {
  form.Close();
  app_.desktop.EndApplication();
}

}  // namespace pindrel
