// UTF-8 and UTF-16, converted one way for all three deliverables: the
// reader, the program and the local store each hand their text through
// here, so a damaged byte reads the same wherever it turns up.
//
// Error policy. Well-formed text converts losslessly. Anything else becomes
// U+FFFD REPLACEMENT CHARACTER and the conversion goes on; nothing is ever
// dropped silently and nothing makes a conversion fail:
//
// - UTF-8 in: a byte that cannot begin a sequence (a continuation byte,
//   C0, C1, F5 to FF), a sequence cut short by the end of the text or by a
//   byte that does not continue it, an overlong form, a surrogate code point
//   (ED A0 to ED BF) and anything above U+10FFFF each give one U+FFFD per
//   maximal subpart, as the Unicode Standard recommends (chapter 3, "U+FFFD
//   Substitution of Maximal Subparts"): the longest run of bytes that begins
//   a well-formed sequence is one U+FFFD, and a byte that begins none is
//   one U+FFFD of its own. So "\xE2\x82" is one U+FFFD, "\xC0\xAF" two, and
//   "\xED\xA0\x80" three. Decoding resumes at the byte that broke the
//   sequence.
// - UTF-16 in: a lone surrogate (a high one not followed by a low one, a
//   low one not preceded by a high one) is one U+FFFD; so is half a code
//   unit at the end of UTF-16 read as bytes.
// - UTF-32 in (wchar_t where it is 32 bits wide): a surrogate code point or
//   a value above U+10FFFF is one U+FFFD.
// - A code point handed to an encoder that no encoding form may carry (a
//   surrogate, above U+10FFFF) is written as U+FFFD.
//
// wchar_t is UTF-16 on Windows and UTF-32 with the host compiler; the wide
// forms follow whichever it is. Portable: no platform headers.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace textcodec {

inline constexpr char32_t kReplacement = 0xFFFD;

// What a UTF-8 byte says as the first of a sequence: the sequence's length
// (0 when the byte cannot begin one) and the bounds of the byte that must
// follow it; every later byte of the sequence lies in 80..BF. This is the
// Unicode Standard's table of well-formed UTF-8 byte sequences, which rules
// out overlong forms, surrogates and values above U+10FFFF by the second
// byte alone.
struct Utf8Lead {
  unsigned char length;
  unsigned char low;
  unsigned char high;
};

namespace detail {
constexpr Utf8Lead ComputeUtf8Lead(unsigned char byte) {
  if (byte < 0x80) return {1, 0, 0};
  if (byte < 0xC2) return {0, 0, 0};  // a continuation byte, or an overlong lead
  if (byte < 0xE0) return {2, 0x80, 0xBF};
  if (byte == 0xE0) return {3, 0xA0, 0xBF};
  if (byte == 0xED) return {3, 0x80, 0x9F};
  if (byte < 0xF0) return {3, 0x80, 0xBF};
  if (byte == 0xF0) return {4, 0x90, 0xBF};
  if (byte < 0xF4) return {4, 0x80, 0xBF};
  if (byte == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

// Looked up rather than worked out: the reader's check of whole files asks
// this for every byte beyond ASCII.
inline constexpr auto kUtf8Leads = [] {
  std::array<Utf8Lead, 256> table{};
  for (unsigned b = 0; b < 256; ++b) table[b] = ComputeUtf8Lead(static_cast<unsigned char>(b));
  return table;
}();
}  // namespace detail

constexpr Utf8Lead Utf8LeadOf(unsigned char byte) { return detail::kUtf8Leads[byte]; }

constexpr bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
constexpr bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
// Whether `c` is a Unicode scalar value, what every encoding form carries.
constexpr bool IsScalarValue(char32_t c) { return c <= 0x10FFFF && !IsSurrogate(c); }

// One character and how many bytes or code units it took.
struct Decoded {
  char32_t character;
  std::size_t length;
};

// The character at the start of `bytes` (not empty); for an invalid
// sequence U+FFFD and the length of its maximal subpart (at least 1).
Decoded DecodeUtf8(std::string_view bytes);

// Appends `c` as UTF-8 (U+FFFD for what is not a scalar value).
inline void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += char(c);
    return;
  }
  if (!IsScalarValue(c)) c = kReplacement;
  if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
  }
  out += char(0x80 | (c & 0x3F));
}

// Whole texts, under the policy above.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

enum class ByteOrder { LittleEndian, BigEndian };

// Appends UTF-16 held as bytes in `order` (a file's text) to `out` as UTF-8
// and returns how many bytes it used, so that a file can be converted block
// by block. Unless `at_end`, half a code unit or the high half of a
// surrogate pair at the end is left for the next block; at the end each is
// U+FFFD.
std::size_t AppendUtf16BytesAsUtf8(std::string_view bytes, ByteOrder order, bool at_end, std::string& out);

}  // namespace textcodec
