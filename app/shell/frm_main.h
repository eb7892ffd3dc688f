// The main window's behaviour: export or import mode, the path boxes, the
// vCard folder walk and the menu. It owns the logic of the windows it opens.
#pragma once

#include <string>
#include <string_view>

#include "app_context.h"
#include "form.h"
#include "frm_about.h"
#include "frm_vcard_export.h"
#include "frm_vcard_import.h"

namespace pindrel {

inline constexpr int kDesktopDirectory = 16;  // shell special folder

class FrmMain : public ui::FormLogic {
 public:
  explicit FrmMain(AppContext& app);

  void Create(ui::Form& form) override;
  void Load(ui::Form& form) override;
  void Click(ui::Form& form, std::string_view control) override;
  void Change(ui::Form& form, std::string_view control) override;
  void CloseRequest(ui::Form& form) override;

  // The text of the "vCard File(s) Info" message after a walk.
  static std::wstring FoundFilesMessage(const std::wstring& folder, int count);

 private:
  void ChangeRule(ui::Form& form);
  void ExportModeSwitch(ui::Form& form);
  void ImportModeSwitch(ui::Form& form);
  void ChooseExportDirectory(ui::Form& form);
  // "Select..." of the export frame: the picked folder's path text goes into
  // txtPSTfile and its identifiers into ExportStoreID and ExportFolderID.
  void ChooseExportContactsFolder(ui::Form& form);
  void ChooseVCardFolder(ui::Form& form);
  void ShowImportWindow(ui::Form& form);
  void Proceed(ui::Form& form);
  void Exit(ui::Form& form);

  AppContext& app_;
  FrmAbout about_;
  FrmvCardExport export_;
  FrmvCardImport import_;
};

}  // namespace pindrel
