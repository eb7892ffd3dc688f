// The import window: the choice of the target contacts folder and the
// import run.
#pragma once

#include <optional>
#include <string_view>

#include "app_context.h"
#include "form.h"

namespace pindrel {

class FrmvCardImport : public ui::FormLogic {
 public:
  explicit FrmvCardImport(AppContext& app) : app_(app) {}

  // The number of files the opener's walk found: shown in LblTotalvCards at
  // the end of the load, before the window appears. None: the label stays
  // empty.
  void SetFileCount(std::optional<int> count) { file_count_ = count; }

  void Load(ui::Form& form) override;
  void Click(ui::Form& form, std::string_view control) override;

 private:
  AppContext& app_;
  std::optional<int> file_count_;
};

}  // namespace pindrel
