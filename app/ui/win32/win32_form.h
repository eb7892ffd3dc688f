// A live window of ours: the Form that window logic talks to, over a real
// top-level window and the controls the form builder made for it. It keeps
// the window's state, routes its events to the logic by control name and
// paints what the layout table asks for (background, banner, colours).
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "desktop.h"
#include "form.h"
#include "layout.h"

namespace pindrel::ui::win32 {

// The subclass procedure of frames and picture boxes: they pass their
// controls' notifications to the form and take its background.
LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR);

class Win32Form : public Form {
 public:
  Win32Form(const FormLayout& layout, FormLogic& logic, Desktop& desktop, HWND owner);
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
  HWND window() const { return window_; }
  HWND owner() const { return owner_; }
  // Null for an unknown name, and for every name once the window is closed.
  HWND ControlWindow(std::string_view control) const;
  UINT MenuId(std::string_view menu) const;
  const FormLayout& layout() const { return layout_; }
  // The main window ends the message loop when it goes.
  void EndLoopOnClose() { ends_loop_ = true; }

  // ---- Used by the form builder while it assembles the window.
  void AddControl(const ControlEntry& entry, HWND control);
  void AddMenuItem(const MenuEntry& item, UINT id);
  void SetMenu(HMENU menu) { menu_ = menu; }
  void SetBackground(HBRUSH brush, bool owned);
  void SetPicture(HBITMAP picture) { picture_ = picture; }
  // A bitmap or icon the window's controls show; freed with the window.
  void OwnImage(HANDLE image, UINT type);
  // The window and its controls exist: raises the logic's Create and Load.
  void Created();

  // The window procedure of every form.
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // Paints the form's background (and banner) into `dc`, which draws on
  // `area`: the form itself or one of its containers.
  void PaintBackground(HDC dc, HWND area) const;

 private:
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  // Runs one of the logic's events behind the handler guard, unless the
  // window is closed or the program is ending.
  void Dispatch(void (*event)(Win32Form&, std::string_view), std::string_view control);
  void OnCommand(WPARAM wparam, LPARAM lparam);
  HBRUSH ControlColour(HDC dc, HWND control) const;
  void DrawLine(const DRAWITEMSTRUCT& item) const;
  void Forget();
  const ControlEntry* EntryOf(HWND control) const;
  HWND Required(std::string_view control) const;

  const FormLayout& layout_;
  FormLogic& logic_;
  Desktop& desktop_;
  HWND owner_ = nullptr;
  HWND window_ = nullptr;
  HMENU menu_ = nullptr;
  HBRUSH background_ = nullptr;
  bool owns_background_ = false;
  HBITMAP picture_ = nullptr;
  std::vector<std::pair<HANDLE, UINT>> images_;
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

}  // namespace pindrel::ui::win32
