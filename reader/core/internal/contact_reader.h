// Reads a file into a ContactStore: finds its lines, starts a contact at
// each BEGIN line and lists it at each END line, and tells whether the file
// is UTF-8. The fields themselves are read later, contact by contact.
#pragma once

#include <string_view>

#include "byte_source.h"
#include "internal/contact_store.h"
#include "internal/line_scan.h"
#include "vcard_stream.h"

namespace tessary::internal {

struct ReadOutcome {
  OpenResult result = OpenResult::Read;
  bool utf8 = false;
};

// `store` must be empty. `separator` is the one lines are classified by.
// Never throws: running out of memory ends the read with what was listed.
ReadOutcome ReadContacts(ByteSource& source, std::string_view separator, ContactStore& store);

// The modern reading's cards: one starts at each BEGIN:VCARD line and ends
// at its END:VCARD line, at the next BEGIN:VCARD or at the end of the file,
// and is listed once whichever way it ends. `store` must be empty. Never
// throws, like ReadContacts.
ReadOutcome ReadCards(ByteSource& source, ContactStore& store);

// Whether a line names BEGIN or END (as a normal line, not a base-name one).
enum class Delimiter { None, Begin, End };
Delimiter DelimiterOf(const Line& line, std::string_view separator);
// Whether a line is BEGIN:VCARD or END:VCARD, in any case, blanks after the
// value allowed.
Delimiter CardDelimiterOf(std::string_view line);

}  // namespace tessary::internal
