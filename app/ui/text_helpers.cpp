#include "text_helpers.h"

namespace pindrel::ui {

std::wstring_view TrimChars(std::wstring_view value, std::wstring_view chars) {
  std::size_t first = value.find_first_not_of(chars);
  if (first == std::wstring_view::npos) return {};
  return value.substr(first, value.find_last_not_of(chars) - first + 1);
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
    // A sequence cut short (by the end of the text or by a byte that does
    // not continue it) stands for one replacement character, and the text
    // goes on right after the bytes that did continue it.
    std::size_t k = 1;
    for (; k <= static_cast<std::size_t>(extra) && i + k < text.size(); ++k) {
      unsigned char d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) break;
      cp = (cp << 6) | (d & 0x3F);
    }
    bool overlong = extra > 0 && cp < (extra == 1 ? 0x80u : extra == 2 ? 0x800u : 0x10000u);
    if (k <= static_cast<std::size_t>(extra) || overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(L'\xFFFD');
      i += k;
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

std::string NarrowUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned cp = static_cast<unsigned>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<unsigned>(text[++i]) - 0xDC00);
      } else if (cp >= 0xD800 && cp <= 0xDFFF) {
        cp = 0xFFFD;  // half of a pair
      }
    }
    if (cp > 0x10FFFF) cp = 0xFFFD;
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace pindrel::ui
