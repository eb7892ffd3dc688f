// The main window's behaviour: export or import mode, the path boxes, the
// vCard folder walk and the menu.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop.h"
#include "form.h"
#include "frm_about.h"
#include "module1.h"

namespace pindrel {

// Lists every file below `root` into `found` and returns how many it added.
// A root without a trailing backslash gets one, in the caller's variable.
using FolderWalk = std::function<int(std::wstring& root, std::vector<std::wstring>& found)>;

// The contacts folder choice (the contact store's part of this window).
using ContactsFolderChoice = std::function<void(ui::Form& main)>;

inline constexpr int kDesktopDirectory = 16;  // shell special folder

class FrmMain : public ui::FormLogic {
 public:
  FrmMain(Module1& module, ui::Desktop& desktop, FolderWalk walk, ContactsFolderChoice choose_contacts);

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
  void ChooseVCardFolder(ui::Form& form);
  void Proceed(ui::Form& form);
  void Exit(ui::Form& form);

  Module1& module_;
  ui::Desktop& desktop_;
  FolderWalk walk_;
  ContactsFolderChoice choose_contacts_;
  FrmAbout about_;
};

}  // namespace pindrel
