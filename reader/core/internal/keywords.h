// The fixed table of property names the reader recognises.
#pragma once

#include <cstddef>
#include <string_view>

#include "contact_record.h"

namespace tessary::internal {

enum class Action { Begin, End, Replace, Append };

struct Keyword {
  std::string_view name;
  Action action;
  Field field;  // meaningless for Begin and End
  // Base-name lines know only seven names (EMAIL, TEL, ADR, LABEL, NOTE,
  // TITLE, URL), each appended to the same field as its ordinary line.
  bool base_name = false;
};

// All 42 keywords in table order; the first whole, case-folded match wins.
const Keyword* Keywords(std::size_t* count);

// Looks a property name up: whole-string comparison folding only ASCII A-Z.
const Keyword* FindKeyword(std::string_view name);

}  // namespace tessary::internal
