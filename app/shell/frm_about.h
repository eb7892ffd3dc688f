// The About box: product picture, name and version, and OK.
#pragma once

#include "form.h"
#include "forms.h"

namespace pindrel {

class FrmAbout : public ui::FormLogic {
 public:
  void Click(ui::Form& form, std::string_view control) override {
    if (control == forms::frmAbout::CmdOK) form.Close();
  }
};

}  // namespace pindrel
