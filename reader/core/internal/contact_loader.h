// Reads one contact's fields out of its text: each line is classified and
// the keyword table says which field it fills, and how.
#pragma once

#include <string_view>

#include "contact_record.h"

namespace tessary::internal {

// `text` is a contact as the store keeps it: its BEGIN line and every line
// after it up to the next BEGIN line or the end of the file. `separator`
// classifies lines; `join` goes between the pieces of a field. Replaces
// everything in `out`. Throws std::bad_alloc.
void LoadContact(std::string_view text, std::string_view separator, std::string_view join, ContactRecord& out);

}  // namespace tessary::internal
