// What a window's logic sees of its window: controls addressed by name. The
// Win32 form builder implements it over real windows; tests use a fake.
#pragma once

#include <string>
#include <string_view>

namespace pindrel::ui {

// A window that has been closed keeps its Form object until its opener
// lets go of it. On a closed window every member is a no-op: getters answer
// the empty text or false, setters change nothing and raise no event. A
// handler that yields to the window system (Desktop::DoEvents) checks
// IsOpen() afterwards and stops when the user has closed the window.
class Form {
 public:
  virtual ~Form() = default;

  // False once the window has been closed (by its logic, the user, or the
  // program ending).
  virtual bool IsOpen() const = 0;

  // Text of a text box, caption of any other control or menu item; the
  // window's title for the form's own name.
  virtual std::wstring Text(std::string_view control) const = 0;
  // Setting a text box to a different text raises its change event; setting
  // it to the text it already holds raises nothing.
  virtual void SetText(std::string_view control, const std::wstring& text) = 0;
  std::wstring Caption(std::string_view control) const { return Text(control); }
  void SetCaption(std::string_view control, const std::wstring& text) { SetText(control, text); }

  virtual bool Enabled(std::string_view control) const = 0;
  virtual void SetEnabled(std::string_view control, bool enabled) = 0;
  virtual bool Visible(std::string_view control) const = 0;
  virtual void SetVisible(std::string_view control, bool visible) = 0;
  // Option buttons: selecting one clears the others of its group.
  virtual bool Checked(std::string_view control) const = 0;
  virtual void SetChecked(std::string_view control, bool checked) = 0;

  // Unload: the window and its controls go away; its logic gets no further
  // events.
  virtual void Close() = 0;
};

// A window's behaviour: its event handlers. Unknown controls are ignored so a
// logic class only writes the handlers it has.
class FormLogic {
 public:
  virtual ~FormLogic() = default;
  // The window and its controls exist; nothing is shown yet.
  virtual void Create(Form&) {}
  virtual void Load(Form&) {}
  // A button, option button or menu item was clicked.
  virtual void Click(Form&, std::string_view /*control*/) {}
  // The text of a text box changed.
  virtual void Change(Form&, std::string_view /*control*/) {}
  // The user asked to close the window (close box, system menu).
  virtual void CloseRequest(Form& form) { form.Close(); }
};

}  // namespace pindrel::ui
