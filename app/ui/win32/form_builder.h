// The one place that turns a layout table into a real window: controls,
// fonts, colours, menus, tab order, centring, and the routing of clicks,
// text changes, load and close to the window's logic by control name.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "desktop.h"
#include "form.h"
#include "layout.h"

namespace pindrel::ui::win32 {

class Win32Form : public Form {
 public:
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  bool IsOpen() const override { return window_ != nullptr; }
  std::wstring Text(std::string_view control) const override;
  void SetText(std::string_view control, const std::wstring& text) override;
  bool Enabled(std::string_view control) const override;
  void SetEnabled(std::string_view control, bool enabled) override;
  bool Visible(std::string_view control) const override;
  void SetVisible(std::string_view control, bool visible) override;
  bool Checked(std::string_view control) const override;
  void SetChecked(std::string_view control, bool checked) override;
  void Close() override;

  // Shows the window where its layout says (centred on screen or owner).
  void Show();
  // Shows it modally: the owner takes no input until this window closes.
  void ShowModal();
  bool alive() const { return window_ != nullptr; }
  HWND window() const { return window_; }
  HWND owner() const { return owner_; }
  HWND ControlWindow(std::string_view control) const;
  UINT MenuId(std::string_view menu) const;
  const FormLayout& layout() const { return layout_; }
  // The main window ends the message loop when it goes.
  void EndLoopOnClose() { ends_loop_ = true; }

 private:
  friend class FormBuilder;
  friend LRESULT CALLBACK FormWindowProc(HWND, UINT, WPARAM, LPARAM);
  Win32Form(const FormLayout& layout, FormLogic& logic, Desktop& desktop, HWND owner);

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void Dispatch(void (*event)(Win32Form&, std::string_view), std::string_view control);
  void OnCommand(WPARAM wparam, LPARAM lparam);
  HBRUSH ControlColour(HDC dc, HWND control);
  void PaintBackground(HDC dc);
  const ControlEntry* EntryOf(HWND control) const;
  HWND Required(std::string_view control) const;

  const FormLayout& layout_;
  FormLogic& logic_;
  Desktop& desktop_;
  HWND owner_ = nullptr;
  HWND window_ = nullptr;
  HMENU menu_ = nullptr;
  HBRUSH background_ = nullptr;
  HBITMAP picture_ = nullptr;
  HICON icon_big_ = nullptr;
  HICON icon_small_ = nullptr;
  bool ends_loop_ = false;
  bool modal_ = false;
  std::map<std::string, HWND, std::less<>> controls_;
  std::unordered_map<HWND, const ControlEntry*> entries_;
  std::map<std::string, UINT, std::less<>> menu_ids_;
  std::unordered_map<UINT, std::string> menu_names_;
  // Last text each text box reported, so a change event fires only for a
  // real change.
  std::map<std::string, std::wstring, std::less<>> texts_;
};

class FormBuilder {
 public:
  // `resources` holds the bitmaps and icons the layouts name; `desktop`
  // reports errors that escape a handler.
  FormBuilder(HINSTANCE resources, Desktop& desktop);

  // Creates the window and its controls (hidden), then runs the logic's
  // Create and Load events. The window may already be closed on return if
  // the logic closed it while loading.
  std::unique_ptr<Win32Form> Build(const FormLayout& layout, FormLogic& logic, HWND owner);

  int dpi_x() const { return dpi_x_; }
  int dpi_y() const { return dpi_y_; }

 private:
  void CreateChildren(Win32Form& form, HWND parent, std::string_view container);
  HWND CreateControl(Win32Form& form, HWND parent, const ControlEntry& entry, int id);

  HINSTANCE resources_;
  Desktop& desktop_;
  int dpi_x_ = 96;
  int dpi_y_ = 96;
  HFONT font_ = nullptr;
  HFONT bold_font_ = nullptr;
};

// Runs the program's message loop until the main window ends it; returns
// the exit code.
int RunMessageLoop();

// Ends the program now: every window of ours goes without raising events.
void EndAllForms();

}  // namespace pindrel::ui::win32
