// An item as a vCard 2.1 file, in the property forms the program's reader
// reads back, so that an exported contact imports back with the same
// values. See vcard_writer.cpp for the values that cannot come back exactly.
#pragma once

#include <string>

#include "item.h"

namespace localstore {

// The file's bytes: UTF-8 text, CR LF line ends, one line per property.
std::string WriteVCard(const Item& item);

}  // namespace localstore
