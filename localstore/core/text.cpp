#include "text.h"

#include "text_codec.h"

namespace localstore {

std::string ToUtf8(std::u16string_view text) { return textcodec::Utf16ToUtf8(text); }

std::u16string FromUtf8(std::string_view text) { return textcodec::Utf8ToUtf16(text); }

std::string ToHex(const unsigned char* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

bool IsHex(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

}  // namespace localstore
