// One file's contacts as the import run takes them: each card made into the
// property sets of one new contact. The registered reader may offer the
// decoded reading or only the older keyword fields; which one it is, and
// which mapping goes with it, is this file's business alone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "card_mapping.h"
#include "vcard_reader.h"

namespace pindrel {

class ContactSource {
 public:
  virtual ~ContactSource() = default;
  // Reads the file. Throws std::runtime_error when it cannot be opened or
  // a read fails part-way; the contacts read before the fault stay listed.
  virtual void Open(const std::wstring& path) = 0;
  // The cursor to the first contact; how many the file lists.
  virtual std::int32_t Start() = 0;
  // The contact under the cursor, mapped; throws when the reader fails
  // handing it out. Valid until the next call.
  virtual const CardMapping& Current() = 0;
  virtual void MoveNext() = 0;
  virtual void Close() = 0;
};

// The source over `reader`, in the best reading it offers.
std::unique_ptr<ContactSource> MakeContactSource(std::unique_ptr<VCardReader> reader);

}  // namespace pindrel
