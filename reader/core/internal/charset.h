// Text in other character sets, made UTF-8 for the modern reading. Code
// pages go by their Windows numbers. UTF-8, UTF-16 and Windows-1252 (which
// also reads Latin-1 and ASCII) are converted here on every platform; the
// rest by the system where it has them (Windows), and the ANSI code page is
// the system's there and Windows-1252 elsewhere.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tessary::internal {

inline constexpr unsigned kUtf8CodePage = 65001;
inline constexpr unsigned kUtf16LeCodePage = 1200;
inline constexpr unsigned kUtf16BeCodePage = 1201;
inline constexpr unsigned kWindows1252CodePage = 1252;

// The code page a CHARSET= parameter names (any case, quotes removed);
// nothing for a name it does not know.
std::optional<unsigned> CodePageOf(std::string_view charset);

// Whether `bytes` are valid UTF-8 (shortest forms, no surrogates).
bool IsUtf8(std::string_view bytes);

// Appends `bytes`, text in `code_page`, to `out` as UTF-8. False, with `out`
// as it was, when the bytes are not valid text in that code page or the
// system cannot convert it.
bool AppendAsUtf8(std::string_view bytes, unsigned code_page, std::string& out);

// Appends `bytes`, text in the ANSI code page, to `out` as UTF-8. Never
// fails: a byte the code page does not define comes out as the system makes
// it (Windows), or as the character of that number (elsewhere).
void AppendAnsiAsUtf8(std::string_view bytes, std::string& out);

// The two below are the shared codec's (text_codec.h), under its policy.
// Appends one character as UTF-8.
void AppendCodePoint(char32_t c, std::string& out);

// Appends UTF-16 `bytes` as UTF-8 and returns how many of them it used. Half
// a unit, or the first half of a surrogate pair, at the end waits for more
// unless `at_end`; an unpaired surrogate becomes U+FFFD.
std::size_t AppendUtf16AsUtf8(std::string_view bytes, bool big_endian, bool at_end, std::string& out);

// What the platform adds (charset_win32.cpp, charset_posix.cpp): `bytes` in
// `code_page` (0: the ANSI code page) to UTF-8; false, `out` unchanged, when
// it cannot. Called only for code pages the portable part does not convert.
bool SystemAppendAsUtf8(std::string_view bytes, unsigned code_page, std::string& out);

}  // namespace tessary::internal
