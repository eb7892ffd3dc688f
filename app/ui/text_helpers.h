// The program's small text helpers, written once: trimming, and UTF-8 to
// and from its wide text.
#pragma once

#include <string>
#include <string_view>

namespace pindrel::ui {

// `value` without any of `chars` at its ends.
std::wstring_view TrimChars(std::wstring_view value, std::wstring_view chars);
// `value` without the spaces (code 32 only) at its ends, as a path or a
// name typed with blanks around it carries.
inline std::wstring_view TrimSpaces(std::wstring_view value) { return TrimChars(value, L" "); }

// UTF-8 (as exception messages and the reader's values are) to the
// program's wide text, and back, by the shared codec (text_codec.h, whose
// policy they follow): what is not valid UTF-8 becomes U+FFFD, one per
// maximal subpart, and half of a surrogate pair becomes U+FFFD in UTF-8.
std::wstring WidenUtf8(std::string_view text);
std::string NarrowUtf8(std::wstring_view text);

}  // namespace pindrel::ui
