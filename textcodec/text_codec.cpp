#include "text_codec.h"

namespace textcodec {
namespace {

// Appends `c` (a scalar value, or U+FFFD) as code units of `Unit`: UTF-16
// for 16-bit units, UTF-32 for 32-bit ones.
template <class Unit>
void AppendUnits(char32_t c, std::basic_string<Unit>& out) {
  if constexpr (sizeof(Unit) == 2) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out += Unit(0xD800 + (c >> 10));
      out += Unit(0xDC00 + (c & 0x3FF));
      return;
    }
  }
  out += Unit(c);
}

template <class Unit>
std::basic_string<Unit> FromUtf8(std::string_view text) {
  std::basic_string<Unit> out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    // Most text is ASCII: copied unit by unit without decoding.
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      out += Unit(byte);
      ++i;
      continue;
    }
    const Decoded d = DecodeUtf8(text.substr(i));
    AppendUnits(d.character, out);
    i += d.length;
  }
  return out;
}

// The character at `i` of UTF-16 `unit(0..size-1)` and how many units it
// took; a lone surrogate is U+FFFD, one unit long.
template <class UnitAt>
Decoded NextUtf16(UnitAt unit, std::size_t i, std::size_t size) {
  const char32_t u = unit(i);
  if (!IsSurrogate(u)) return {u, 1};
  if (IsHighSurrogate(u) && i + 1 < size) {
    const char32_t low = unit(i + 1);
    if (IsLowSurrogate(low)) return {0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00), 2};
  }
  return {kReplacement, 1};
}

template <class Unit>
std::string ToUtf8(std::basic_string_view<Unit> text) {
  std::string out;
  out.reserve(text.size());
  auto unit = [&](std::size_t i) { return char32_t(text[i]); };
  for (std::size_t i = 0; i < text.size();) {
    if constexpr (sizeof(Unit) == 2) {
      const Decoded d = NextUtf16(unit, i, text.size());
      AppendUtf8(d.character, out);
      i += d.length;
    } else {
      AppendUtf8(unit(i), out);  // UTF-32: every unit stands alone
      ++i;
    }
  }
  return out;
}

}  // namespace

Decoded DecodeUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const Utf8Lead lead = Utf8LeadOf(p[0]);
  if (lead.length == 1) return {p[0], 1};
  if (lead.length == 0) return {kReplacement, 1};
  // The lead's own bits: 5 of a two-byte sequence, 4 of three, 3 of four.
  char32_t c = p[0] & (0x7F >> lead.length);
  unsigned char low = lead.low, high = lead.high;
  for (std::size_t k = 1; k < lead.length; ++k) {
    if (k == bytes.size() || p[k] < low || p[k] > high) return {kReplacement, k};
    c = (c << 6) | (p[k] & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  return {c, lead.length};
}

std::u16string Utf8ToUtf16(std::string_view text) { return FromUtf8<char16_t>(text); }
std::wstring Utf8ToWide(std::string_view text) { return FromUtf8<wchar_t>(text); }
std::string Utf16ToUtf8(std::u16string_view text) { return ToUtf8(text); }
std::string WideToUtf8(std::wstring_view text) { return ToUtf8(text); }

std::size_t AppendUtf16BytesAsUtf8(std::string_view bytes, ByteOrder order, bool at_end, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t i) -> char32_t {
    const unsigned first = p[2 * i], second = p[2 * i + 1];
    return order == ByteOrder::BigEndian ? first << 8 | second : second << 8 | first;
  };
  std::size_t i = 0;
  while (i < units) {
    const char32_t u = unit(i);
    if (u < 0x80) {
      out += char(u);
      ++i;
      continue;
    }
    // The high half of a pair in the last unit waits for its low half.
    if (IsHighSurrogate(u) && i + 1 == units && !at_end) break;
    const Decoded d = NextUtf16(unit, i, units);
    AppendUtf8(d.character, out);
    i += d.length;
  }
  if (at_end && bytes.size() % 2) {
    AppendUtf8(kReplacement, out);  // half a unit at the very end
    return bytes.size();
  }
  return 2 * i;
}

}  // namespace textcodec
