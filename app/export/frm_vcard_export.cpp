#include "frm_vcard_export.h"

#include "forms.h"

namespace pindrel {

namespace window = forms::frmvCardExport;

void FrmvCardExport::Load(ui::Form& form) {
  form.SetVisible(window::sLblProcessing, false);
  form.SetVisible(window::LblCurrent, false);
}

void FrmvCardExport::Click(ui::Form&, std::string_view) {}

}  // namespace pindrel
