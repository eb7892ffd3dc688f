// Test doubles for the window layer: a form that keeps control state in
// memory (starting from its layout table's design state) and raises change
// events the way the real window system does, and a desktop that records
// every request, answers from scripted values, and runs the windows it is
// asked to open on fake forms.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "desktop.h"
#include "form.h"
#include "layout.h"

namespace fakes {

using pindrel::ui::ControlKind;

class FakeForm : public pindrel::ui::Form {
 public:
  struct Control {
    ControlKind kind;
    std::string container;
    std::wstring text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
  };

  FakeForm(const pindrel::ui::FormLayout& layout, pindrel::ui::FormLogic& logic, pindrel::ui::Desktop& desktop);

  // What the window system does: create, load; user clicks and close box.
  // Each event runs behind the same guard the real form builder uses.
  void Open();
  void Click(std::string_view control);
  void RequestClose();

  bool IsOpen() const override { return !closed_; }
  std::wstring Text(std::string_view control) const override;
  void SetText(std::string_view control, const std::wstring& text) override;
  bool Enabled(std::string_view control) const override;
  void SetEnabled(std::string_view control, bool enabled) override;
  bool Visible(std::string_view control) const override;
  void SetVisible(std::string_view control, bool visible) override;
  bool Checked(std::string_view control) const override;
  void SetChecked(std::string_view control, bool checked) override;
  void Close() override { closed_ = true; }

  bool closed() const { return closed_; }
  // The state a control was left in, also after the window closed.
  const Control& Peek(std::string_view control) const { return At(control); }
  const pindrel::ui::FormLayout& layout() const { return layout_; }

 private:
  // Unknown names are a fault of the logic: fail loudly.
  Control& At(std::string_view control);
  const Control& At(std::string_view control) const;
  void Dispatch(const std::function<void()>& handler);

  const pindrel::ui::FormLayout& layout_;
  pindrel::ui::FormLogic& logic_;
  pindrel::ui::Desktop& desktop_;
  std::map<std::string, Control, std::less<>> controls_;
  std::wstring title_;
  bool closed_ = false;
};

class FakeDesktop : public pindrel::ui::Desktop {
 public:
  struct Message {
    const pindrel::ui::Form* owner;
    std::wstring text;
    std::wstring title;
  };
  struct FolderRequest {
    const pindrel::ui::Form* owner;
    std::wstring title;
  };

  void ShowMessage(const pindrel::ui::Form* owner, const std::wstring& text, const std::wstring& title) override;
  std::wstring ChooseFolder(const pindrel::ui::Form* owner, const std::wstring& title) override;
  std::wstring SpecialFolderPath(int folder, const pindrel::ui::Form* owner) override;
  void DoEvents() override;
  void ShowHelp(const pindrel::ui::Form& owner) override;
  // Opens the window on a FakeForm (its Create and Load run), lets
  // `on_modal` act as the user while it is open, then closes it with its
  // close box if it is still open (and for good if the logic refuses).
  void ShowModal(const pindrel::ui::FormLayout& layout, pindrel::ui::FormLogic& logic,
                 pindrel::ui::Form& owner) override;
  void EndApplication() override;

  // Scripted answers. An empty queue answers the folder dialog as a cancel.
  std::deque<std::wstring> folder_answers;
  std::wstring desktop_directory = L"C:\\users\\tester\\Desktop\\";
  std::function<void()> on_choose_folder;  // may throw, to fake a failing shell
  std::function<void()> on_yield;
  std::function<void(const std::wstring& text)> on_message;
  // The user's doings in a modal window, by the window's name.
  std::map<std::string, std::function<void(FakeForm&)>, std::less<>> on_modal;

  // Records, in order.
  std::vector<std::string> log;
  std::vector<Message> messages;
  std::vector<FolderRequest> folder_requests;
  std::vector<int> special_folders;
  std::vector<const pindrel::ui::Form*> help_owners;
  std::vector<std::pair<std::string, const pindrel::ui::Form*>> modal_windows;
  // Every window ShowModal opened, kept for inspection after it closed.
  std::vector<std::unique_ptr<FakeForm>> opened;
  int yields = 0;
  bool ended = false;
};

}  // namespace fakes
