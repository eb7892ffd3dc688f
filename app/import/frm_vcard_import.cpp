#include "frm_vcard_import.h"

#include <string>

#include "forms.h"

namespace pindrel {

namespace window = forms::frmvCardImport;

void FrmvCardImport::Load(ui::Form& form) {
  // The run walks the source folder again; it never relies on the list the
  // main window's walk left.
  app_.state.FoundFiles.clear();
  form.SetCaption(window::LblCurrentPSTName, L"");
  form.SetCaption(window::LblCurrentPSTFolder, L"");
  app_.desktop.DoEvents();
  if (file_count_) form.SetCaption(window::LblTotalvCards, std::to_wstring(*file_count_));
}

void FrmvCardImport::Click(ui::Form&, std::string_view) {}

}  // namespace pindrel
