// The contact schema's text properties that a card carries, in the
// schema's order: what a round trip must bring back, and what the
// benchmarks fill in.
#pragma once

#include <array>
#include <string_view>

#include "contact_schema.h"

namespace pindrel::testing {

inline constexpr auto kCardTexts = [] {
  constexpr std::size_t count = [] {
    std::size_t n = 0;
    for (const contact_schema::Property& p : contact_schema::kProperties) n += p.HasVCardForm() && !p.IsDate();
    return n;
  }();
  std::array<std::wstring_view, count> names{};
  std::size_t n = 0;
  for (const contact_schema::Property& p : contact_schema::kProperties)
    if (p.HasVCardForm() && !p.IsDate()) names[n++] = p.name;
  return names;
}();

}  // namespace pindrel::testing
