// UTF-16 (the automation side's strings) and UTF-8 (files, native paths)
// conversions. Lossless for well-formed text; an unpaired surrogate becomes
// U+FFFD in UTF-8, since UTF-8 cannot carry it.
#pragma once

#include <string>
#include <string_view>

namespace localstore {

std::string ToUtf8(std::u16string_view text);
// Invalid UTF-8 sequences become U+FFFD.
std::u16string FromUtf8(std::string_view text);

// Upper-case hexadecimal of `bytes`; and back (either case), empty on any
// character that is not a hex digit or an odd length.
std::string ToHex(const unsigned char* bytes, std::size_t size);
bool IsHex(std::string_view text);

}  // namespace localstore
