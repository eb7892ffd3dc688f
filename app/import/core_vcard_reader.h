// A VCardReader over the reader core, linked in: what the import's portable
// tests use where the program creates the reader through COM. It hands
// values out as the COM object does: UTF-8 files decoded as UTF-8, other
// files byte for byte (Latin-1, the stand-in for the ANSI code page here).
#pragma once

#include "vcard_reader.h"

namespace pindrel {

VCardReaderFactory CoreVCardReaderFactory();

}  // namespace pindrel
