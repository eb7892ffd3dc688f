#include "form_lifetime.h"

#include <algorithm>
#include <vector>

#include "win32_form.h"

namespace pindrel::ui::win32 {

namespace {

// Every window of ours that is alive, in creation order.
std::vector<Win32Form*>& LiveForms() {
  static std::vector<Win32Form*> forms;
  return forms;
}
bool g_ending = false;

// Keyboard navigation (Tab, arrows, Enter, Esc) for our own windows.
bool IsOurDialogMessage(MSG& msg) {
  if (msg.hwnd == nullptr) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  for (Win32Form* f : LiveForms())
    if (f->window() == root) return IsDialogMessageW(root, &msg) != FALSE;
  return false;
}

}  // namespace

void RegisterForm(Win32Form& form) { LiveForms().push_back(&form); }

void UnregisterForm(Win32Form& form) {
  auto& forms = LiveForms();
  forms.erase(std::remove(forms.begin(), forms.end(), &form), forms.end());
}

bool ProgramEnding() { return g_ending; }

int RunMessageLoop() {
  MSG msg;
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
    if (got == -1) return 1;
    if (IsOurDialogMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void RunModalLoop(Win32Form& form) {
  MSG msg;
  while (form.IsOpen()) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The program is ending: let the outer loop see the quit as well.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got == -1) break;
    if (IsOurDialogMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void EndAllForms() {
  g_ending = true;
  // Newest first: owned windows go before their owners.
  std::vector<Win32Form*> forms = LiveForms();
  for (auto it = forms.rbegin(); it != forms.rend(); ++it) (*it)->Close();
  PostQuitMessage(0);
}

void ResetLifetimeForTests() { g_ending = false; }

}  // namespace pindrel::ui::win32
