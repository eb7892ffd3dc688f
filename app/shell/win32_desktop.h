// The desktop the program runs on: message boxes, the shell's folder dialog
// and special folders, help, and modal windows built from layout tables.
#pragma once

#include <windows.h>

#include "desktop.h"
#include "form_builder.h"

namespace pindrel {

class Win32Desktop : public ui::Desktop {
 public:
  void SetBuilder(ui::win32::FormBuilder* builder) { builder_ = builder; }

  void ShowMessage(const ui::Form* owner, const std::wstring& text, const std::wstring& title) override;
  std::wstring ChooseFolder(const ui::Form* owner, const std::wstring& title) override;
  std::wstring SpecialFolderPath(int folder, const ui::Form* owner) override;
  void DoEvents() override;
  void ShowHelp(const ui::Form& owner) override;
  void ShowModal(const ui::FormLayout& layout, ui::FormLogic& logic, ui::Form& owner) override;
  void EndApplication() override;

  static HWND WindowOf(const ui::Form* form);

 private:
  ui::win32::FormBuilder* builder_ = nullptr;
};

}  // namespace pindrel
