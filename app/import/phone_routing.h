// Where a telephone number of a card goes, by its types: the fall-through
// of the contact schema it belongs to.
#pragma once

#include "contact_schema.h"
#include "vcard_reader.h"

namespace pindrel {

// A number's kind (fax, mobile, pager, ...) decides before its place (work,
// home); "voice", "msg" and the like say nothing about where it belongs.
// A number that says neither is an "other" one (contact_schema::kOtherPhone).
const contact_schema::FallThrough& PhoneHomes(const DecodedProperty& p);

}  // namespace pindrel
