// The program's vCard reader: Tessary's VCardStream, created through COM by
// its class identifier for every file and called through its vtable. The
// program never links the reader; it must be registered.
#pragma once

#include "vcard_reader.h"

namespace pindrel {

// Each call creates a new VCardStream; throws std::runtime_error when the
// class cannot be created (for example it is not registered). COM must be
// initialised on the calling thread. The factory keeps the reader's class
// object once it has used it: let the factory (and its copies) go before
// the thread leaves COM.
VCardReaderFactory ComVCardReaderFactory();

}  // namespace pindrel
