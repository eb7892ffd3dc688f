#include "frm_main.h"

#include <utility>

#include "forms.h"

namespace pindrel {

namespace {

constexpr std::wstring_view kExportCaption = L"Export Outlook Contacts >>";
constexpr std::wstring_view kImportCaption = L"Process vCard Files >>";
constexpr std::wstring_view kNoExportDirectoryCaption = L"Process >>";

bool HasText(const ui::Form& form, std::string_view control) { return !form.Text(control).empty(); }

void SetEnabled(ui::Form& form, std::initializer_list<std::string_view> controls, bool enabled) {
  for (std::string_view c : controls) form.SetEnabled(c, enabled);
}

// Blanks only, as a path typed with spaces around it would carry.
std::wstring TrimBlanks(const std::wstring& s) {
  std::size_t first = s.find_first_not_of(L' ');
  if (first == std::wstring::npos) return {};
  std::size_t last = s.find_last_not_of(L' ');
  return s.substr(first, last - first + 1);
}

}  // namespace

FrmMain::FrmMain(Module1& module, ui::Desktop& desktop, FolderWalk walk, ContactsFolderChoice choose_contacts)
    : module_(module), desktop_(desktop), walk_(std::move(walk)), choose_contacts_(std::move(choose_contacts)) {}

void FrmMain::Create(ui::Form& form) {
  // Proceed is only offered once both a contacts folder and a vCard folder
  // are known; at creation neither is.
  form.SetEnabled("CmdProcess", HasText(form, "txtPSTfile") && HasText(form, "txtVCFfolder"));
}

void FrmMain::Load(ui::Form& form) { ExportModeSwitch(form); }

void FrmMain::Click(ui::Form& form, std::string_view control) {
  if (control == "OptvCardExport") ExportModeSwitch(form);
  else if (control == "OptvCardImport") ImportModeSwitch(form);
  else if (control == "CmdBrowseExport") ChooseExportDirectory(form);
  else if (control == "CmdPSTSelect") choose_contacts_(form);
  else if (control == "CmdSelectFolder") ChooseVCardFolder(form);
  else if (control == "CmdProcess") Proceed(form);
  else if (control == "mnuExit") Exit(form);
  else if (control == "mnuContents") desktop_.ShowHelp(form);
  else if (control == "mnuAbout") desktop_.ShowModal(forms::frmAbout(), about_, form);
}

void FrmMain::Change(ui::Form& form, std::string_view control) {
  if (control == "txtExportSavePath" || control == "txtPSTfile") ChangeRule(form);
}

void FrmMain::CloseRequest(ui::Form& form) { form.Close(); }

void FrmMain::ChangeRule(ui::Form& form) {
  form.SetEnabled("CmdProcess", HasText(form, "txtPSTfile") && HasText(form, "txtExportSavePath"));
}

void FrmMain::ExportModeSwitch(ui::Form& form) {
  SetEnabled(form, {"FramevCardExport", "txtPSTfile", "CmdPSTSelect", "CmdBrowseExport", "txtExportSavePath"}, true);
  // Entering export mode always starts from the desktop directory, replacing
  // a directory chosen before.
  form.SetText("txtExportSavePath", desktop_.SpecialFolderPath(kDesktopDirectory, &form));
  form.SetCaption("CmdProcess", std::wstring(kExportCaption));
  SetEnabled(form, {"FramevCardImport", "txtVCFfolder", "CmdSelectFolder"}, false);
  if (HasText(form, "txtExportSavePath") && HasText(form, "txtPSTfile")) form.SetEnabled("CmdProcess", true);
}

void FrmMain::ImportModeSwitch(ui::Form& form) {
  SetEnabled(form, {"FramevCardExport", "txtPSTfile", "CmdPSTSelect", "CmdBrowseExport", "txtExportSavePath"}, false);
  form.SetText("txtExportSavePath", L"");
  SetEnabled(form, {"FramevCardImport", "txtVCFfolder", "CmdSelectFolder"}, true);
  form.SetCaption("CmdProcess", std::wstring(kImportCaption));
  if (HasText(form, "txtPSTfile") && HasText(form, "txtVCFfolder")) form.SetEnabled("CmdProcess", true);
}

void FrmMain::ChooseExportDirectory(ui::Form& form) {
  ChangeRule(form);
  // No owner: the main window stays usable while the dialog is open.
  std::wstring chosen = desktop_.ChooseFolder(nullptr, L"Select folder to save vCard files");
  if (!chosen.empty()) {
    form.SetText("txtExportSavePath", TrimBlanks(chosen));
    form.SetCaption("CmdProcess", std::wstring(kExportCaption));
    form.SetEnabled("CmdProcess", true);
  } else {
    form.SetEnabled("CmdProcess", false);
    form.SetCaption("CmdProcess", std::wstring(kNoExportDirectoryCaption));
  }
}

void FrmMain::ChooseVCardFolder(ui::Form& form) {
  std::wstring chosen = desktop_.ChooseFolder(&form, L"Select Folder...");
  // A cancelled dialog changes nothing: the source folder chosen before stays
  // what a later Proceed imports from, matching the path box. Emptying it
  // would make the import walk the root of the whole drive.
  if (chosen.empty()) return;
  module_.ImportSourceFolder = chosen;
  module_.FoundFiles.clear();
  form.SetText("txtVCFfolder", chosen);
  desktop_.DoEvents();  // let the path box repaint before the walk blocks
  std::wstring folder = chosen;
  int count = walk_(folder, module_.FoundFiles);
  desktop_.ShowMessage(&form, FoundFilesMessage(folder, count), L"vCard File(s) Info");
  desktop_.ShowImportWindow(form, count);
}

std::wstring FrmMain::FoundFilesMessage(const std::wstring& folder, int count) {
  return L"Selected Folder: " + folder + L"\r\n\r\nFound " + std::to_wstring(count) +
         L" vCard files in the selected folder";
}

void FrmMain::Proceed(ui::Form& form) {
  if (form.Checked("OptvCardExport")) desktop_.ShowExportWindow(form);
  if (form.Checked("OptvCardImport")) desktop_.ShowImportWindow(form, std::nullopt);
}

void FrmMain::Exit(ui::Form& form) {
  form.Close();
  desktop_.EndApplication();
}

}  // namespace pindrel
