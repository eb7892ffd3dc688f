// Reads a file into a ContactStore in one pass through a window of bounded
// size: finds its lines, starts a contact at each BEGIN line and lists it at
// each END line, and tells whether the file is UTF-8. The keyword reader's
// fields are read from each contact's lines before they leave the window;
// the modern reading's cards are only noted where they lie.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "byte_source.h"
#include "internal/contact_store.h"
#include "internal/line_scan.h"
#include "vcard_stream.h"

namespace tessary::internal {

// The sizes a read works with; tests make them small.
struct ReadLimits {
  // The window the file is read through. It grows only for a line (the
  // keyword reader) or a card kept whole (a source that cannot be read
  // again) larger than itself.
  std::size_t window = std::size_t(4) << 20;
  // A card of the modern reading larger than this is passed over: listed,
  // but not decoded.
  std::uint64_t largest_card = kLargestCardBytes;
};

// The limits every read uses. For tests; not while a file is being read.
const ReadLimits& CurrentReadLimits();
void SetReadLimits(const ReadLimits& limits);

struct ReadOutcome {
  OpenResult result = OpenResult::Read;
  bool utf8 = false;
};

// `store` must be empty. `separator` is the one lines are classified by.
// Never throws: running out of memory ends the read with what was listed.
// The store's records hold the fields' pieces; `separator` or its UTF-8
// form joins them, as `utf8` says.
ReadOutcome ReadContacts(ByteSource& source, std::string_view separator, ContactStore& store);

// The modern reading's cards: one starts at each BEGIN:VCARD line and ends
// at its END:VCARD line, at the next BEGIN:VCARD or at the end of the file,
// and is listed once whichever way it ends. A 2.1 card's AGENT line followed
// by a BEGIN:VCARD opens a nested card, the AGENT's value: its END:VCARD
// ends the nested card, not the outer one. Cards are noted by their offset
// and size when the source can read them again (ByteSource::ReadAt), kept
// whole in the store otherwise. `store` must be empty. Never throws, like
// ReadContacts.
ReadOutcome ReadCards(ByteSource& source, ContactStore& store);

// Whether a line names BEGIN or END (as a normal line, not a base-name one).
enum class Delimiter { None, Begin, End };
Delimiter DelimiterOf(const Line& line, std::string_view separator);
// Whether a line is BEGIN:VCARD or END:VCARD, in any case, blanks after the
// value allowed.
Delimiter CardDelimiterOf(std::string_view line);
// Whether a line is an AGENT property (any group, any parameters) with
// nothing but blanks after its colon: a 2.1 AGENT whose value is the card
// that follows.
bool OpensAgentCard(std::string_view line);

}  // namespace tessary::internal
