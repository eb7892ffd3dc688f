// A VCardReader over the reader core, linked in: what the import's portable
// tests use where the program creates the reader through COM. It hands
// values out as the COM object does: in the older reading UTF-8 files
// decoded as UTF-8, other files byte for byte (Latin-1, the stand-in for the
// ANSI code page here); the decoded reading is UTF-8 throughout.
#pragma once

#include "vcard_reader.h"

namespace pindrel {

// Which of the core's readings the readers offer: the decoded one (as a
// current Tessary does), or only the older one (as an older Tessary).
enum class CoreReading { Decoded, KeywordsOnly };

VCardReaderFactory CoreVCardReaderFactory(CoreReading reading = CoreReading::Decoded);

}  // namespace pindrel
