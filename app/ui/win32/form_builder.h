// The one place that turns a layout table into a real window: the window
// and its controls, fonts, colours, images, menus, tab order and size.
#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

#include "desktop.h"
#include "form.h"
#include "form_lifetime.h"
#include "layout.h"
#include "win32_form.h"

namespace pindrel::ui::win32 {

class FormBuilder {
 public:
  // `resources` holds the bitmaps and icons the layouts name; `desktop`
  // reports errors that escape a handler.
  FormBuilder(HINSTANCE resources, Desktop& desktop);
  ~FormBuilder();
  FormBuilder(const FormBuilder&) = delete;
  FormBuilder& operator=(const FormBuilder&) = delete;

  // Creates the window and its controls (hidden), then runs the logic's
  // Create and Load events. The window may already be closed on return if
  // the logic closed it while loading.
  std::unique_ptr<Win32Form> Build(const FormLayout& layout, FormLogic& logic, HWND owner);

  int dpi_x() const { return dpi_x_; }
  int dpi_y() const { return dpi_y_; }
  HFONT font(bool bold) const { return bold ? bold_font_ : font_; }

 private:
  void CreateChildren(Win32Form& form, HWND parent, std::string_view container);
  HWND CreateControl(Win32Form& form, HWND parent, const ControlEntry& entry, int id);
  void SetImage(Win32Form& form, HWND control, const ControlEntry& entry);

  HINSTANCE resources_;
  // Windows and their classes belong to the program's own module.
  HINSTANCE module_;
  Desktop& desktop_;
  int dpi_x_ = 96;
  int dpi_y_ = 96;
  // Shared by every window built here; freed with the builder.
  HFONT font_ = nullptr;
  HFONT bold_font_ = nullptr;
};

}  // namespace pindrel::ui::win32
