#include "text_helpers.h"

#include "text_codec.h"

namespace pindrel::ui {

std::wstring_view TrimChars(std::wstring_view value, std::wstring_view chars) {
  std::size_t first = value.find_first_not_of(chars);
  if (first == std::wstring_view::npos) return {};
  return value.substr(first, value.find_last_not_of(chars) - first + 1);
}

std::wstring WidenUtf8(std::string_view text) { return textcodec::Utf8ToWide(text); }

std::string NarrowUtf8(std::wstring_view text) { return textcodec::WideToUtf8(text); }

}  // namespace pindrel::ui
