// The About box: product picture, name and version, and OK.
#pragma once

#include "form.h"

namespace pindrel {

class FrmAbout : public ui::FormLogic {
 public:
  void Click(ui::Form& form, std::string_view control) override {
    if (control == "CmdOK") form.Close();
  }
};

}  // namespace pindrel
