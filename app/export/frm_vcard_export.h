// The export window: writes every contact of the chosen folder to a vCard
// file of its own in the target directory.
#pragma once

#include <string_view>

#include "app_context.h"
#include "form.h"

namespace pindrel {

class FrmvCardExport : public ui::FormLogic {
 public:
  explicit FrmvCardExport(AppContext& app) : app_(app) {}

  void Load(ui::Form& form) override;
  void Click(ui::Form& form, std::string_view control) override;

 private:
  AppContext& app_;
};

}  // namespace pindrel
