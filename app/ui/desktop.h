// What window logic asks of the platform. The Win32 program implements it
// over the shell and the window system; tests use a fake that records calls.
#pragma once

#include <string>

#include "form.h"
#include "layout.h"

namespace pindrel::ui {

class Desktop {
 public:
  virtual ~Desktop() = default;

  // A modal message with the information icon and an OK button only.
  virtual void ShowMessage(const Form* owner, const std::wstring& text, const std::wstring& title) = 0;
  // The shell's folder dialog: the chosen directory, or the empty text when
  // the user cancels or the choice has no file-system path. No owner (null)
  // leaves every other window usable while the dialog is open.
  virtual std::wstring ChooseFolder(const Form* owner, const std::wstring& title) = 0;
  // A shell special folder (16: the user's desktop directory) with a
  // trailing backslash, or the empty text.
  virtual std::wstring SpecialFolderPath(int folder, const Form* owner) = 0;
  // Let pending window messages run, so a changed control repaints now.
  virtual void DoEvents() = 0;
  // Open the help file that ships next to the program.
  virtual void ShowHelp(const Form& owner) = 0;
  // Builds the window of `layout` with `logic` as its behaviour (its Create
  // and Load run first), shows it modally, owned by and centred as its
  // layout says on `owner`, and returns when it has closed.
  virtual void ShowModal(const FormLayout& layout, FormLogic& logic, Form& owner) = 0;
  // End the program now: every window closes without further events.
  virtual void EndApplication() = 0;
};

}  // namespace pindrel::ui
