// The shared codec against its error policy (text_codec.h): each row one
// text in UTF-8 and as characters and UTF-16, converted in the directions
// the row holds for; the UTF-16 side also as file bytes of either order,
// handed over in two blocks cut at every place.
#include "text_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace textcodec;

// Which way a row converts: both ways (well-formed text), only from UTF-8
// (damaged UTF-8), only to UTF-8 (damaged UTF-16 or UTF-32).
enum class Way { Both, FromUtf8, ToUtf8 };

struct Case {
  const char* what;
  std::string utf8;
  std::u32string chars;  // the characters; for Way::ToUtf8, UTF-32 input
  std::u16string utf16;
  Way way = Way::Both;
};

std::string Bytes(std::u16string_view text, ByteOrder order) {
  std::string out;
  for (char16_t u : text) {
    const char high = char(u >> 8), low = char(u & 0xFF);
    out += order == ByteOrder::BigEndian ? high : low;
    out += order == ByteOrder::BigEndian ? low : high;
  }
  return out;
}

std::wstring Wide(const Case& c) {
  if constexpr (sizeof(wchar_t) == 2) return std::wstring(c.utf16.begin(), c.utf16.end());
  else return std::wstring(c.chars.begin(), c.chars.end());
}

TEST(TextCodec, ConvertsUnderOnePolicy) {
  const std::u32string r(1, kReplacement);
  const std::u16string r16(1, char16_t(kReplacement));
  const Case cases[] = {
      {"empty", "", U"", u""},
      {"ASCII", "plain", U"plain", u"plain"},
      {"two bytes", "M\xC3\xBCller", U"M\u00FCller", u"M\u00FCller"},
      {"three bytes", "\xE2\x82\xAC", U"\u20AC", u"\u20AC"},
      {"four bytes, a pair", "\xF0\x9F\x98\x80 x", U"\U0001F600 x", u"\U0001F600 x"},
      {"edges", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF",
       U"\u007F\u0080\u07FF\u0800\uD7FF\uE000\uFFFF", u"\u007F\u0080\u07FF\u0800\uD7FF\uE000\uFFFF"},
      {"four-byte edges", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", U"\U00010000\U0010FFFF", u"\U00010000\U0010FFFF"},
      {"U+FFFD itself", "\xEF\xBF\xBD", r, r16},
      // Damaged UTF-8: one U+FFFD per maximal subpart.
      {"continuation alone", "a\x80" "b", U"a" + r + U"b", u"a" + r16 + u"b", Way::FromUtf8},
      {"bytes that never lead", "\xC0\xC1\xF5\xFF", r + r + r + r, r16 + r16 + r16 + r16, Way::FromUtf8},
      {"overlong two", "\xC0\xAF", r + r, r16 + r16, Way::FromUtf8},
      {"overlong three", "\xE0\x80\xAF", r + r + r, r16 + r16 + r16, Way::FromUtf8},
      {"overlong four", "\xF0\x8F\xBF\xBF", r + r + r + r, r16 + r16 + r16 + r16, Way::FromUtf8},
      {"cut by the end", "cut \xE2\x82", U"cut " + r, u"cut " + r16, Way::FromUtf8},
      {"cut by a byte", "\xF0\x9F\x98x", r + U"x", r16 + u"x", Way::FromUtf8},
      {"lead at the end", "a\xC3", U"a" + r, u"a" + r16, Way::FromUtf8},
      {"two leads", "\xC3\xC3\xA9", r + U"\u00E9", r16 + u"\u00E9", Way::FromUtf8},
      {"surrogate encoded", "\xED\xA0\x80\xED\xBF\xBF", r + r + r + r + r + r,
       r16 + r16 + r16 + r16 + r16 + r16, Way::FromUtf8},
      {"above U+10FFFF", "\xF4\x90\x80\x80", r + r + r + r, r16 + r16 + r16 + r16, Way::FromUtf8},
      {"above U+10FFFF, three bytes", "\xF5\x80\x80", r + r + r, r16 + r16 + r16, Way::FromUtf8},
      {"the standard's own example", "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
       U"a" + r + r + r + U"b" + r + U"c" + r + r + U"d", u"a" + r16 + r16 + r16 + u"b" + r16 + u"c" + r16 + r16 + u"d",
       Way::FromUtf8},
      // Damaged UTF-16 (and, where wchar_t is 32 bits, UTF-32).
      {"lone high at the end", "a\xEF\xBF\xBD", U"a\xD800", u"a\xD800", Way::ToUtf8},
      {"lone low", "\xEF\xBF\xBD" "b", U"\xDC00" "b", u"\xDC00" "b", Way::ToUtf8},
      {"pair reversed", "\xEF\xBF\xBD\xEF\xBF\xBD", U"\xDC00\xD800", u"\xDC00\xD800", Way::ToUtf8},
      {"high then no low", "\xEF\xBF\xBDx", U"\xD800x", u"\xD800x", Way::ToUtf8},
      {"past the last code point", "\xEF\xBF\xBD", U"\x110000", u"\xFFFD", Way::ToUtf8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.way != Way::ToUtf8) {
      EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
      EXPECT_EQ(Utf8ToWide(c.utf8), Wide(c));
      std::u32string decoded;
      for (std::size_t i = 0; i < c.utf8.size(); i += DecodeUtf8(std::string_view(c.utf8).substr(i)).length)
        decoded += DecodeUtf8(std::string_view(c.utf8).substr(i)).character;
      EXPECT_EQ(decoded, c.chars);
    }
    if (c.way == Way::FromUtf8) continue;
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
    EXPECT_EQ(WideToUtf8(Wide(c)), c.utf8);
    std::string encoded;
    for (char32_t ch : c.chars) AppendUtf8(ch, encoded);
    EXPECT_EQ(encoded, c.utf8);
    for (ByteOrder order : {ByteOrder::LittleEndian, ByteOrder::BigEndian}) {
      const std::string bytes = Bytes(c.utf16, order);
      for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        std::string out;
        const std::size_t used = AppendUtf16BytesAsUtf8(std::string_view(bytes).substr(0, cut), order, false, out);
        ASSERT_LE(used, cut);
        EXPECT_EQ(AppendUtf16BytesAsUtf8(std::string_view(bytes).substr(used), order, true, out), bytes.size() - used);
        EXPECT_EQ(out, c.utf8) << "cut at " << cut;
      }
    }
  }
  // Half a code unit at the end of a file is a character too.
  std::string out;
  EXPECT_EQ(AppendUtf16BytesAsUtf8(std::string("a\0b", 3), ByteOrder::LittleEndian, true, out), 3u);
  EXPECT_EQ(out, "a\xEF\xBF\xBD");
}

}  // namespace
