// Reads one contact's fields out of its text: each line is classified and
// the keyword table says which field it fills, and how.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "internal/contact_store.h"
#include "internal/line_scan.h"

namespace tessary::internal {

struct Keyword;

// Takes a contact's text a piece at a time, as the read passes over it: its
// BEGIN line and every line after it up to the next BEGIN line or the end of
// the file. Each line that fills a field becomes an operation of the
// store's open contact. `separator` classifies lines.
class ContactLoader {
 public:
  ContactLoader(std::string_view separator, ContactStore& store) : separator_(separator), store_(store) {}
  // A new contact.
  void Start() { previous_ = nullptr; }
  // The next whole lines, each with its line feed; the last piece of a file
  // may end without one. Throws std::bad_alloc.
  void Add(std::string_view lines);

 private:
  std::string_view separator_;
  ContactStore& store_;
  // The keyword the last non-empty property name named, or null: a line
  // without a name continues that property.
  const Keyword* previous_ = nullptr;
  // The keyword of names met before, exactly as written: a file writes the
  // same few names in every contact, and a look-up here costs less than a
  // fold and a hash of the table.
  const Keyword* Find(std::string_view name);
  LineKind ClassifyLine(const Line& line) const;
  struct Known {
    std::uint64_t head = 0;  // the first eight bytes, zeros after a shorter name
    char name[40];
    unsigned char size = 0;
    const Keyword* keyword = nullptr;
  };
  static constexpr std::size_t kWays = 4;
  Known known_[16 * kWays];      // 16 sets of four
  unsigned char turn_[16] = {};  // each set's next place to fill
};

}  // namespace tessary::internal
