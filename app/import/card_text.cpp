#include "card_text.h"

#include <algorithm>

#include "text_helpers.h"

namespace pindrel::card_text {

namespace {
constexpr std::wstring_view kWhiteSpace = L" \t\r\n";
}  // namespace

bool IsSpace(wchar_t c) { return kWhiteSpace.find(c) != std::wstring_view::npos; }

std::wstring_view Trim(std::wstring_view v) { return ui::TrimChars(v, kWhiteSpace); }

std::wstring WindowsLines(std::wstring_view v) {
  std::wstring out;
  out.reserve(v.size());
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] == L'\r' || v[i] == L'\n') {
      if (v[i] == L'\r' && i + 1 < v.size() && v[i + 1] == L'\n') ++i;
      out.append(kCrLf);
    } else {
      out.push_back(v[i]);
    }
  }
  return out;
}

std::wstring OneLine(std::wstring_view v) {
  std::wstring out;
  v = Trim(v);
  out.reserve(v.size());
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] == L'\r' || v[i] == L'\n') {
      while (i + 1 < v.size() && IsSpace(v[i + 1])) ++i;
      out.append(kListJoin);
    } else {
      out.push_back(v[i]);
    }
  }
  return out;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
    auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

std::wstring Grouped(unsigned long long n) {
  std::wstring digits = std::to_wstring(n);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, L',');
  return digits;
}

bool HasType(const DecodedProperty& p, std::initializer_list<std::wstring_view> any) {
  for (const std::wstring& t : p.types)
    for (std::wstring_view want : any)
      if (t == want) return true;
  return false;
}

std::wstring_view Component(const DecodedProperty& p, std::size_t n) {
  return n < p.components.size() ? std::wstring_view(p.components[n]) : std::wstring_view();
}

}  // namespace pindrel::card_text
