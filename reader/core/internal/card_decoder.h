// The modern reading of one card: unfolds its lines, reads every property's
// group, name and parameters, and decodes its value to UTF-8 the way vCard
// 2.1, 3.0 (RFC 2426) and 4.0 (RFC 6350) mean it.
#pragma once

#include <string>
#include <string_view>

#include "binary_value.h"
#include "contact_record.h"
#include "decoded_card.h"

namespace tessary::internal {

// What a file's own bytes are: UTF-8 (a UTF-8 file, or a UTF-16 one the
// reading made UTF-8) or text in the ANSI code page.
enum class FileText { Utf8, Ansi };

// DecodeCard's working text, kept from one card to the next so that a card
// like the one before needs no new memory.
struct DecodeScratch {
  std::string bytes, decoded, line;
  // A binary value's decoder and its bytes until they move to the card.
  BinaryDecoder binary;
  std::string binary_bytes;
};

// `text` is a card as the store keeps it: its BEGIN:VCARD line and what
// follows, up to its END:VCARD line, the next BEGIN:VCARD or the end of the
// file. Replaces everything in `out`. Never fails on any input; throws only
// std::bad_alloc.
void DecodeCard(std::string_view text, FileText file, DecodedCard& out, DecodeScratch& scratch);

// The 32 fields of the keyword reader, filled from a decoded card: each
// field holds the decoded values of the properties it stands for (TEL for
// Telephone, TEL with the types work and fax for WorkTelephoneFax...), joined
// by `join`, without line feeds of their own. Replaces everything in `out`.
// Throws std::bad_alloc.
void FieldsOfCard(const DecodedCard& card, std::string_view join, ContactRecord& out);

}  // namespace tessary::internal
