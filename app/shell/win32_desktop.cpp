#include "win32_desktop.h"

#include <stdexcept>
#include <vector>

#include "help_path.h"
#include "shell_folders.h"

namespace pindrel {

namespace {

using HtmlHelpWFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
constexpr UINT kDisplayTopic = 0;  // HH_DISPLAY_TOPIC
// The display-topic command reads its data as a topic; the viewer falls back
// to the file's default topic. It must outlive the call: the viewer may read
// it after HtmlHelpW returns.
const DWORD kDefaultTopic = 1;

std::wstring ProgramPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD got = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got == 0) throw std::runtime_error("cannot find where the program is installed");
    if (got < buffer.size()) return std::wstring(buffer.data(), got);
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

HWND Win32Desktop::WindowOf(const ui::Form* form) {
  auto* window = dynamic_cast<const ui::win32::Win32Form*>(form);
  return window ? window->window() : nullptr;
}

void Win32Desktop::ShowMessage(const ui::Form* owner, const std::wstring& text, const std::wstring& title) {
  HWND parent = owner ? WindowOf(owner) : GetActiveWindow();
  ::MessageBoxW(parent, text.c_str(), title.c_str(), MB_OK | MB_ICONINFORMATION);
}

std::wstring Win32Desktop::ChooseFolder(const ui::Form* owner, const std::wstring& title) {
  return pindrel::BrowseForFolder(owner ? WindowOf(owner) : nullptr, title);
}

std::wstring Win32Desktop::SpecialFolderPath(int folder, const ui::Form* owner) {
  return pindrel::GetSpecialFolderPath(folder, owner ? WindowOf(owner) : nullptr);
}

void Win32Desktop::DoEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that owns it
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Win32Desktop::ShowHelp(const ui::Form& owner) {
  // Loaded once and kept: the help window lives on after the call returns.
  static HMODULE viewer = LoadLibraryA("hhctrl.ocx");
  if (viewer == nullptr) throw std::runtime_error("The help viewer (hhctrl.ocx) is not installed.");
  // The wide entry point: a program folder whose name the ANSI code page
  // cannot hold still finds its manual.
  auto html_help = reinterpret_cast<HtmlHelpWFunction>(reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpW")));
  if (html_help == nullptr) throw std::runtime_error("The help viewer (hhctrl.ocx) cannot open help files.");
  std::wstring path = HelpFilePath(ProgramPath());
  html_help(WindowOf(&owner), path.c_str(), kDisplayTopic, reinterpret_cast<DWORD_PTR>(&kDefaultTopic));
}

void Win32Desktop::ShowModal(const ui::FormLayout& layout, ui::FormLogic& logic, ui::Form& owner) {
  if (builder_ == nullptr) throw std::logic_error("no form builder");
  // The owner takes no input from before the window is built, not only once
  // it is shown: a Load may yield to pending messages or show a message, and
  // a click on the owner meanwhile would open a second window over the same
  // state. It gets its input back however the window ends.
  class OwnerDisabled {
   public:
    explicit OwnerDisabled(HWND owner) : owner_(owner), was_enabled_(owner && !EnableWindow(owner, FALSE)) {}
    ~OwnerDisabled() {
      if (was_enabled_) EnableWindow(owner_, TRUE);
    }
    OwnerDisabled(const OwnerDisabled&) = delete;
    OwnerDisabled& operator=(const OwnerDisabled&) = delete;

   private:
    HWND owner_;
    bool was_enabled_;
  } disabled(WindowOf(&owner));
  auto form = builder_->Build(layout, logic, WindowOf(&owner));
  form->ShowModal();
}

void Win32Desktop::EndApplication() { ui::win32::EndAllForms(); }

}  // namespace pindrel
