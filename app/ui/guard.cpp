#include "guard.h"

#include <exception>

namespace pindrel::ui {

std::wstring UnexpectedErrorText(const std::wstring& what) {
  return L"An unexpected error stopped this action:\r\n\r\n" + what +
         L"\r\n\r\nPindrel goes on; please try again or choose another way.";
}

bool RunGuarded(Desktop& desktop, const Form* owner, const std::function<void()>& handler) {
  std::wstring what;
  try {
    handler();
    return true;
  } catch (const std::exception& e) {
    what = WidenUtf8(e.what());
    if (what.empty()) what = L"(no description)";
  } catch (...) {
    what = L"(an error of unknown kind)";
  }
  // Reporting must not throw out of an event handler either: a message box
  // that fails leaves nothing else to tell the user with.
  try {
    desktop.ShowMessage(owner, UnexpectedErrorText(what), std::wstring(kUnexpectedErrorTitle));
  } catch (...) {
  }
  return false;
}

}  // namespace pindrel::ui
