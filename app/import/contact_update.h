// "Update it": a card read again into the contact it already is. Every
// property the card gives replaces the contact's value; what the card does
// not give stays. The card's notes are appended after a blank line unless
// the contact's notes already hold them, and categories are joined without
// repeats. Nothing is removed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "contact_mapping.h"
#include "store.h"

namespace pindrel {

// Sets the card's values on `item` (the caller saves it). A value the store
// refuses leaves that one property as it was.
void UpdateContact(store::Item& item, const std::vector<PropertySet>& sets);

// The pieces, exposed for their tests.
std::wstring MergedNotes(std::wstring_view contact, std::wstring_view card);
std::wstring MergedCategories(std::wstring_view contact, std::wstring_view card);

}  // namespace pindrel
