// The system's code pages: whatever Windows can convert, and the ANSI code
// page the reader's other values are in.
#include <windows.h>

#include "internal/charset.h"

namespace tessary::internal {

bool SystemAppendAsUtf8(std::string_view bytes, unsigned code_page, std::string& out) {
  if (bytes.empty()) return true;
  const UINT from = code_page == 0 ? CP_ACP : code_page;
  const int size = static_cast<int>(bytes.size());
  // The ANSI code page is the fallback and must not fail; any other code
  // page must hold the bytes exactly, or the value falls back to ANSI.
  DWORD flags = code_page == 0 ? 0 : MB_ERR_INVALID_CHARS;
  int wide = MultiByteToWideChar(from, flags, bytes.data(), size, nullptr, 0);
  if (wide == 0 && flags && GetLastError() == ERROR_INVALID_FLAGS) {
    // Some code pages (the ISO-2022 family among them) take no flags.
    flags = 0;
    wide = MultiByteToWideChar(from, flags, bytes.data(), size, nullptr, 0);
  }
  if (wide <= 0) return false;
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(from, flags, bytes.data(), size, text.data(), wide);
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return false;
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(length));
  WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, out.data() + at, length, nullptr, nullptr);
  return true;
}

}  // namespace tessary::internal
