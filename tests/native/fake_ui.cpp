#include "fake_ui.h"

#include "guard.h"

namespace fakes {

FakeForm::FakeForm(const pindrel::ui::FormLayout& layout, pindrel::ui::FormLogic& logic,
                   pindrel::ui::Desktop& desktop)
    : layout_(layout), logic_(logic), desktop_(desktop), title_(layout.title) {
  using namespace pindrel::ui;
  for (const ControlEntry& c : layout.controls) {
    Control state{c.kind, std::string(c.container), std::wstring(c.caption)};
    state.enabled = !(c.flags & kDisabled);
    state.visible = !(c.flags & kHidden);
    state.checked = (c.flags & kChecked) != 0;
    controls_.emplace(std::string(c.name), std::move(state));
  }
  for (const MenuEntry& m : layout.menus)
    controls_.emplace(std::string(m.name), Control{ControlKind::Button, std::string(m.parent), std::wstring(m.caption)});
}

void FakeForm::Dispatch(const std::function<void()>& handler) {
  if (closed_) return;
  pindrel::ui::RunGuarded(desktop_, this, handler);
}

void FakeForm::Open() {
  Dispatch([&] { logic_.Create(*this); });
  Dispatch([&] { logic_.Load(*this); });
}

void FakeForm::Click(std::string_view control) {
  Control& c = At(control);
  if (closed_) throw std::logic_error("test clicked into a closed window: " + std::string(control));
  if (!c.enabled) throw std::logic_error("test clicked a disabled control: " + std::string(control));
  if (c.kind == ControlKind::OptionButton) SetChecked(control, true);
  Dispatch([&] { logic_.Click(*this, control); });
}

void FakeForm::RequestClose() {
  Dispatch([&] { logic_.CloseRequest(*this); });
}

FakeForm::Control& FakeForm::At(std::string_view control) {
  auto it = controls_.find(control);
  if (it == controls_.end()) throw std::out_of_range("no control named " + std::string(control));
  return it->second;
}

const FakeForm::Control& FakeForm::At(std::string_view control) const {
  auto it = controls_.find(control);
  if (it == controls_.end()) throw std::out_of_range("no control named " + std::string(control));
  return it->second;
}

// A closed window answers like the real one: empty text, false, no change.
std::wstring FakeForm::Text(std::string_view control) const {
  if (control == layout_.name) return closed_ ? std::wstring() : title_;
  const Control& c = At(control);
  return closed_ ? std::wstring() : c.text;
}

void FakeForm::SetText(std::string_view control, const std::wstring& text) {
  if (closed_) {
    if (control != layout_.name) At(control);  // a wrong name is still a fault
    return;
  }
  if (control == layout_.name) {
    title_ = text;
    return;
  }
  Control& c = At(control);
  if (c.text == text) return;
  c.text = text;
  // Like the window system: a text box raises its change event on every
  // real change, also one made by code.
  if (c.kind == ControlKind::TextBox) Dispatch([&] { logic_.Change(*this, control); });
}

bool FakeForm::Enabled(std::string_view control) const { return At(control).enabled && !closed_; }
void FakeForm::SetEnabled(std::string_view control, bool enabled) {
  Control& c = At(control);
  if (!closed_) c.enabled = enabled;
}
bool FakeForm::Visible(std::string_view control) const { return At(control).visible && !closed_; }
void FakeForm::SetVisible(std::string_view control, bool visible) {
  Control& c = At(control);
  if (!closed_) c.visible = visible;
}
bool FakeForm::Checked(std::string_view control) const { return At(control).checked && !closed_; }

void FakeForm::SetChecked(std::string_view control, bool checked) {
  Control& c = At(control);
  if (closed_) return;
  if (checked && c.kind == ControlKind::OptionButton) {
    for (auto& [name, other] : controls_)
      if (other.kind == ControlKind::OptionButton && other.container == c.container) other.checked = false;
  }
  c.checked = checked;
}

void FakeDesktop::ShowMessage(const pindrel::ui::Form* owner, const std::wstring& text, const std::wstring& title) {
  log.push_back("ShowMessage");
  messages.push_back({owner, text, title});
  if (on_message) on_message(text);
}

std::wstring FakeDesktop::ChooseFolder(const pindrel::ui::Form* owner, const std::wstring& title) {
  log.push_back("ChooseFolder");
  folder_requests.push_back({owner, title});
  if (on_choose_folder) on_choose_folder();
  if (folder_answers.empty()) return {};
  std::wstring answer = folder_answers.front();
  folder_answers.pop_front();
  return answer;
}

std::wstring FakeDesktop::SpecialFolderPath(int folder, const pindrel::ui::Form*) {
  log.push_back("SpecialFolderPath");
  special_folders.push_back(folder);
  return folder == 16 ? desktop_directory : std::wstring();
}

void FakeDesktop::DoEvents() {
  log.push_back("DoEvents");
  ++yields;
  if (on_yield) on_yield();
}

void FakeDesktop::ShowHelp(const pindrel::ui::Form& owner) {
  log.push_back("ShowHelp");
  help_owners.push_back(&owner);
}

void FakeDesktop::ShowModal(const pindrel::ui::FormLayout& layout, pindrel::ui::FormLogic& logic,
                            pindrel::ui::Form& owner) {
  log.push_back("ShowModal " + std::string(layout.name));
  modal_windows.emplace_back(std::string(layout.name), &owner);
  opened.push_back(std::make_unique<FakeForm>(layout, logic, *this));
  FakeForm& window = *opened.back();
  window.Open();
  if (!window.IsOpen()) return;
  auto user = on_modal.find(layout.name);
  if (user != on_modal.end()) user->second(window);
  if (window.IsOpen()) window.RequestClose();
  window.Close();
}

void FakeDesktop::EndApplication() {
  log.push_back("EndApplication");
  ended = true;
}

}  // namespace fakes
