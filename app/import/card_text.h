// The text of a decoded card's values as the contact's properties take it:
// trimmed, line breaks made what the store shows, and the small questions
// asked of a decoded property (its types, its parts).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "vcard_reader.h"

namespace pindrel::card_text {

inline constexpr std::wstring_view kCrLf = L"\r\n";
// Between the items of a list property, and the lines of a one-line one.
inline constexpr std::wstring_view kListJoin = L", ";

bool IsSpace(wchar_t c);
std::wstring_view Trim(std::wstring_view v);
// Line breaks of every kind (CR LF, LF, CR) as CR LF, the form Windows text
// and the store's notes use.
std::wstring WindowsLines(std::wstring_view v);
// A value for a one-line property: trimmed, a line break inside it (a
// decoded "\n") written as ", ".
std::wstring OneLine(std::wstring_view v);
// ASCII letters compared without regard to case.
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

// A count with its thousands grouped: 12,345.
std::wstring Grouped(unsigned long long n);

// Whether the property has any of the types.
bool HasType(const DecodedProperty& p, std::initializer_list<std::wstring_view> any);
// Part `n` of a structured value; empty when the value has fewer.
std::wstring_view Component(const DecodedProperty& p, std::size_t n);

}  // namespace pindrel::card_text
