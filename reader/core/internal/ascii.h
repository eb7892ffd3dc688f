// Case of ASCII letters only: vCard names, parameters and charset names
// compare this way, whatever the locale.
#pragma once

#include <cstddef>
#include <string_view>

namespace tessary::internal {

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - ('a' - 'A')) : c; }
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c; }

// Whether `a` and `b` are the same but for the case of ASCII letters.
inline bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

}  // namespace tessary::internal
