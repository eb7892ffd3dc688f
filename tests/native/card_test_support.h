// Decoded cards written compactly for the mapping's tests, and the property
// sets of a mapping as a map to compare.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "contact_mapping.h"
#include "vcard_reader.h"

namespace pindrel::testing {

// One property as the decoded reading hands it out, written
// "group.NAME;type,type:value": the name is upper-cased, the types
// lower-cased, and the components are the value split at every ";".
inline DecodedProperty Property(std::wstring_view line) {
  DecodedProperty p;
  const std::size_t colon = line.find(L':');
  std::wstring_view head = line.substr(0, colon);
  p.value = std::wstring(colon == std::wstring_view::npos ? std::wstring_view() : line.substr(colon + 1));
  const std::size_t semicolon = head.find(L';');
  std::wstring_view name = head.substr(0, semicolon);
  if (std::size_t dot = name.find(L'.'); dot != std::wstring_view::npos) {
    p.group = std::wstring(name.substr(0, dot));
    name.remove_prefix(dot + 1);
  }
  for (wchar_t c : name) p.name.push_back(c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c);
  if (semicolon != std::wstring_view::npos) {
    std::wstring type;
    for (wchar_t c : head.substr(semicolon + 1)) {
      if (c == L',' || c == L';') {
        if (!type.empty()) p.types.push_back(std::move(type));
        type.clear();
      } else {
        type.push_back(c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c);
      }
    }
    if (!type.empty()) p.types.push_back(std::move(type));
  }
  for (std::wstring_view rest = p.value;;) {
    const std::size_t at = rest.find(L';');
    p.components.emplace_back(rest.substr(0, at));
    if (at == std::wstring_view::npos) break;
    rest.remove_prefix(at + 1);
  }
  return p;
}

inline DecodedCard Card(std::initializer_list<std::wstring_view> lines) {
  DecodedCard card;
  for (std::wstring_view line : lines) card.push_back(Property(line));
  return card;
}

// Property name to the value set, a date as YYYY-MM-DD; each property must
// be set once.
inline std::map<std::wstring, std::wstring> SetsOf(const std::vector<PropertySet>& sets) {
  std::map<std::wstring, std::wstring> out;
  for (const PropertySet& s : sets) {
    std::wstring value = s.text;
    if (s.date) {
      wchar_t text[16];
      std::swprintf(text, 16, L"%04d-%02d-%02d", s.date->year, s.date->month, s.date->day);
      value = text;
    }
    EXPECT_TRUE(out.emplace(std::wstring(s.property), value).second)
        << "set twice: " << std::string(s.property.begin(), s.property.end());
  }
  return out;
}

}  // namespace pindrel::testing
