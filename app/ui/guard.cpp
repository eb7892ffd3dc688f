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

std::wstring WidenUtf8(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    unsigned cp = 0;
    int extra = 0;
    if (c < 0x80) { cp = c; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
    else { out.push_back(L'\xFFFD'); ++i; continue; }
    if (i + extra >= text.size()) {  // sequence cut short at the end
      out.push_back(L'\xFFFD');
      break;
    }
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) { ok = false; break; }
      cp = (cp << 6) | (d & 0x3F);
    }
    if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(L'\xFFFD');
      ++i;
      continue;
    }
    i += extra + 1;
    if constexpr (sizeof(wchar_t) == 2) {
      if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
        continue;
      }
    }
    out.push_back(static_cast<wchar_t>(cp));
  }
  return out;
}

}  // namespace pindrel::ui
