// UTF-16 (the automation side's strings) and UTF-8 (files, native paths)
// conversions, by the shared codec (text_codec.h, whose policy they follow).
// Lossless for well-formed text; an unpaired surrogate becomes U+FFFD in
// UTF-8, since UTF-8 cannot carry it, and invalid UTF-8 becomes U+FFFD, one
// per maximal subpart.
#pragma once

#include <string>
#include <string_view>

namespace localstore {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// Upper-case hexadecimal of `bytes`; and back (either case), empty on any
// character that is not a hex digit or an odd length.
std::string ToHex(const unsigned char* bytes, std::size_t size);
bool IsHex(std::string_view text);

}  // namespace localstore
