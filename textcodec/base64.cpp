#include "base64.h"

#include <cstdint>

namespace textcodec {

void AppendBase64(std::string_view bytes, std::string& out) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  out.reserve(out.size() + (bytes.size() + 2) / 3 * 4);
  auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])); };
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t v = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
    out += kDigits[v >> 18];
    out += kDigits[(v >> 12) & 63];
    out += kDigits[(v >> 6) & 63];
    out += kDigits[v & 63];
  }
  if (const std::size_t left = bytes.size() - i; left > 0) {
    const std::uint32_t v = byte(i) << 16 | (left == 2 ? byte(i + 1) << 8 : 0);
    out += kDigits[v >> 18];
    out += kDigits[(v >> 12) & 63];
    out += left == 2 ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
  }
}

}  // namespace textcodec
