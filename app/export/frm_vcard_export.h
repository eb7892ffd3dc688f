// The export window: shows where the contacts come from and go, and the
// export run's progress; the run itself is ExportRun.
#pragma once

#include <string>
#include <string_view>

#include "app_context.h"
#include "export_run.h"
#include "form.h"

namespace pindrel {

class FrmvCardExport : public ui::FormLogic {
 public:
  explicit FrmvCardExport(AppContext& app) : app_(app), run_(app) {}

  // What the main window shows when it opens this one: the path text of the
  // chosen contacts folder (empty when none is chosen now) and the target
  // directory as entered. The main window cannot change while this one is
  // open, so the load and the export see the same choice.
  void SetChoices(std::wstring contacts_folder, std::wstring target_directory) {
    run_.SetChoices(std::move(contacts_folder), std::move(target_directory));
  }

  void Load(ui::Form& form) override;
  void Click(ui::Form& form, std::string_view control) override;
  // During an export a close request stops it after the contact being
  // written; the closing message then tells how many were written.
  void CloseRequest(ui::Form& form) override;

 private:
  // The store could not be reached: say so and offer no export.
  void ReportStoreFailure(ui::Form& form);
  void Export(ui::Form& form);

  AppContext& app_;
  ExportRun run_;
};

}  // namespace pindrel
