// Reads one contact's fields out of its text: each line is classified and
// the keyword table says which field it fills, and how.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "contact_record.h"

namespace tessary::internal {

struct Keyword;

// A contact's fields as the lines give them, with where the separator will
// go between their pieces: the file is known to be UTF-8 or not only at its
// end, and that decides which separator joins them.
struct ContactFields {
  struct Value {
    std::string bytes;
    std::vector<std::size_t> joins;  // offsets in bytes, ascending
  };
  std::array<Value, kFieldCount> values;
  void Clear() {
    for (Value& v : values) {
      v.bytes.clear();
      v.joins.clear();
    }
  }
};

// Takes a contact's text a piece at a time, as the read passes over it: its
// BEGIN line and every line after it up to the next BEGIN line or the end of
// the file. `separator` classifies lines.
class ContactLoader {
 public:
  explicit ContactLoader(std::string_view separator) : separator_(separator) {}
  // A new contact: every field empty.
  void Start();
  // The next whole lines, each with its line feed; the last piece of a file
  // may end without one. Throws std::bad_alloc.
  void Add(std::string_view lines);
  const ContactFields& fields() const { return fields_; }

 private:
  std::string_view separator_;
  // The keyword the last non-empty property name named, or null: a line
  // without a name continues that property.
  const Keyword* previous_ = nullptr;
  ContactFields fields_;
};

}  // namespace tessary::internal
