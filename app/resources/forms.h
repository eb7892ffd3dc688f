// Layout tables of the program's windows.
#pragma once

#include "layout.h"

namespace pindrel::forms {

const ui::FormLayout& frmMain();
const ui::FormLayout& frmAbout();

}  // namespace pindrel::forms
