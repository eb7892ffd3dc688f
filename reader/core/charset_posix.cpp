// Elsewhere than on Windows there are no system code pages to ask: the
// portable conversions are all there is, and the ANSI code page reads as
// Windows-1252.
#include "internal/charset.h"

namespace tessary::internal {

bool SystemAppendAsUtf8(std::string_view, unsigned, std::string&) { return false; }

}  // namespace tessary::internal
