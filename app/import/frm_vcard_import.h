// The import window: the choice of the target contacts folder, and the
// import run's progress; the run itself is ImportRun.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app_context.h"
#include "form.h"
#include "import_run.h"

namespace pindrel {

class FrmvCardImport : public ui::FormLogic {
 public:
  explicit FrmvCardImport(AppContext& app) : app_(app), run_(app) {}

  // The number of files the opener's walk found: shown in LblTotalvCards at
  // the end of the load, before the window appears. None: the label stays
  // empty.
  void SetFileCount(std::optional<int> count) { file_count_ = count; }

  void Load(ui::Form& form) override;
  void Click(ui::Form& form, std::string_view control) override;
  // During a run, closing waits for the contact being stored.
  void CloseRequest(ui::Form& form) override;

 private:
  void ChooseTargetFolder(ui::Form& form);
  void RunImport(ui::Form& form);

  AppContext& app_;
  ImportRun run_;
  std::optional<int> file_count_;
};

}  // namespace pindrel
