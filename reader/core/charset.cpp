#include "internal/charset.h"

#include <array>
#include <cstdint>

#include "internal/ascii.h"
#include "internal/utf8_check.h"
#include "text_codec.h"

namespace tessary::internal {
namespace {

struct NamedCodePage {
  std::string_view name;
  unsigned code_page;
};

// The names exporters write. Latin-1 and ASCII read as Windows-1252, their
// superset: files labelled ISO-8859-1 often hold the euro sign and the
// typographic quotes of 1252, and no contact holds C1 control characters.
constexpr NamedCodePage kNames[] = {
    {"utf-8", kUtf8CodePage}, {"utf8", kUtf8CodePage},
    {"utf-16", kUtf16LeCodePage}, {"utf-16le", kUtf16LeCodePage}, {"utf-16be", kUtf16BeCodePage},
    {"us-ascii", 1252}, {"ascii", 1252},
    {"iso-8859-1", 1252}, {"iso8859-1", 1252}, {"iso_8859-1", 1252}, {"latin1", 1252}, {"l1", 1252},
    {"windows-1250", 1250}, {"windows-1251", 1251}, {"windows-1252", 1252}, {"windows-1253", 1253},
    {"windows-1254", 1254}, {"windows-1255", 1255}, {"windows-1256", 1256}, {"windows-1257", 1257},
    {"windows-1258", 1258},
    {"cp1250", 1250}, {"cp1251", 1251}, {"cp1252", 1252}, {"cp1253", 1253}, {"cp1254", 1254},
    {"cp1255", 1255}, {"cp1256", 1256}, {"cp1257", 1257}, {"cp1258", 1258},
    {"iso-8859-2", 28592}, {"iso-8859-3", 28593}, {"iso-8859-4", 28594}, {"iso-8859-5", 28595},
    {"iso-8859-6", 28596}, {"iso-8859-7", 28597}, {"iso-8859-8", 28598}, {"iso-8859-9", 28599},
    {"iso-8859-13", 28603}, {"iso-8859-15", 28605},
    {"shift_jis", 932}, {"shift-jis", 932}, {"sjis", 932}, {"x-sjis", 932}, {"cp932", 932},
    {"windows-31j", 932}, {"euc-jp", 20932}, {"iso-2022-jp", 50220},
    {"koi8-r", 20866}, {"koi8-u", 21866},
    {"big5", 950}, {"gb2312", 936}, {"gbk", 936}, {"cp936", 936}, {"gb18030", 54936},
    {"euc-kr", 949}, {"ks_c_5601-1987", 949}, {"cp949", 949},
    {"windows-874", 874}, {"tis-620", 874},
};

// Windows-1252's characters for 0x80 to 0x9F; the five bytes it leaves
// undefined stand for the characters of their own number.
constexpr std::array<char16_t, 32> k1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void Append1252(std::string_view bytes, std::string& out) {
  for (unsigned char b : bytes) {
    if (b < 0x80) out += char(b);
    else AppendCodePoint(b < 0xA0 ? k1252High[b - 0x80] : b, out);
  }
}

}  // namespace

std::optional<unsigned> CodePageOf(std::string_view charset) {
  if (charset.size() >= 2 && charset.front() == '"' && charset.back() == '"')
    charset = charset.substr(1, charset.size() - 2);
  for (const NamedCodePage& n : kNames)
    if (SameIgnoringCase(charset, n.name)) return n.code_page;
  return std::nullopt;
}

bool IsUtf8(std::string_view bytes) {
  Utf8Check check;
  check.Add(bytes.data(), bytes.size());
  check.Finish();
  return check.valid();
}

void AppendCodePoint(char32_t c, std::string& out) { textcodec::AppendUtf8(c, out); }

std::size_t AppendUtf16AsUtf8(std::string_view bytes, bool big_endian, bool at_end, std::string& out) {
  return textcodec::AppendUtf16BytesAsUtf8(
      bytes, big_endian ? textcodec::ByteOrder::BigEndian : textcodec::ByteOrder::LittleEndian, at_end, out);
}

bool AppendAsUtf8(std::string_view bytes, unsigned code_page, std::string& out) {
  switch (code_page) {
    case kUtf8CodePage:
      if (!IsUtf8(bytes)) return false;
      out.append(bytes);
      return true;
    case kUtf16LeCodePage:
    case kUtf16BeCodePage:
      AppendUtf16AsUtf8(bytes, code_page == kUtf16BeCodePage, true, out);
      return true;
    case kWindows1252CodePage:
      Append1252(bytes, out);
      return true;
    default:
      return code_page != 0 && SystemAppendAsUtf8(bytes, code_page, out);
  }
}

void AppendAnsiAsUtf8(std::string_view bytes, std::string& out) {
  if (!SystemAppendAsUtf8(bytes, 0, out)) Append1252(bytes, out);
}

}  // namespace tessary::internal
