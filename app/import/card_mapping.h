// From a card of the reader's decoded reading to the property sets of one
// new contact item. Pure and portable, so every rule is tested natively.
//
// The decoded reading hands out every property of the card with its types
// and its value already unfolded and decoded, so here the only question is
// where each value goes. Every value with a home among the contact's
// properties lands there; one whose homes are all taken (a fourth e-mail
// address, a third mobile number) or that has none (a date without a year,
// a second organisation) is appended to the notes under a short label, so
// an import loses nothing it read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contact_mapping.h"
#include "vcard_reader.h"

namespace pindrel {

// The full name of a card with neither a full name nor any name part.
inline constexpr std::wstring_view kNoName = L"(no name)";

// The picture a contact gets from its card.
struct CardPicture {
  std::wstring media_type;
  std::string bytes;
};

struct CardMapping {
  // The property sets, in the order the store receives them.
  std::vector<PropertySet> sets;
  // How many values went into the notes for want of a free property.
  int noted = 0;
  // The contact's picture: the card's preferred photo, else its first.
  std::optional<CardPicture> picture;
  // Why the card's photo could not be read, when no part of it could.
  std::wstring picture_failure;
};

// `out` is emptied first; its storage is reused. The binary values are
// taken from (a picture's bytes move into the mapping).
void MapCard(const DecodedCard& card, std::vector<DecodedBinary>& binaries, CardMapping& out);
inline void MapCard(const DecodedCard& card, CardMapping& out) {
  std::vector<DecodedBinary> none;
  MapCard(card, none, out);
}

}  // namespace pindrel
