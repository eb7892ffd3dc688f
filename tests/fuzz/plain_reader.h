// A second vCard reader, as plain as it can be, written from the reading
// rules rather than from the fast one: split the text into lines, classify
// each, apply the keyword table. The differential fuzzer and the regression
// test compare the two.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessary_test {

struct PlainContact {
  std::array<std::string, 32> fields;  // in record order
};

struct PlainResult {
  // The list: the same contact stands in it once per END line that listed
  // it, and shows its final state each time.
  std::vector<std::shared_ptr<PlainContact>> list;
  bool utf8 = false;
};

// `join` is what goes between the pieces of a field: `separator`, or the
// UTF-8 form of it when the file is UTF-8.
PlainResult PlainRead(std::string_view file, std::string_view separator, std::string_view join_utf8);

}  // namespace tessary_test
