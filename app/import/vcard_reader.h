// What the import asks of the vCard reader. The program creates the reader
// through COM by its class identifier (vcard_reader_com.h); portable tests use
// an adapter over the reader core in its place.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pindrel {

// One property of a card as the reader's decoded reading hands it out:
// unfolded, decoded to text, escapes resolved.
struct DecodedProperty {
  std::wstring group;               // "item1" for "item1.TEL", else empty
  std::wstring name;                // upper case, without the group: "TEL", "X-ABLABEL"
  std::vector<std::wstring> types;  // lower case, in file order; "pref" when preferred
  std::wstring value;               // the whole value
  std::vector<std::wstring> components;  // split at the unescaped ";"s; at least one
  friend bool operator==(const DecodedProperty&, const DecodedProperty&) = default;
};

// A card's properties in file order.
using DecodedCard = std::vector<DecodedProperty>;

// A binary value of a card (PHOTO, LOGO, SOUND, KEY) as the decoded reading
// hands it out: its bytes decoded from base64 or a data: URI.
struct DecodedBinary {
  std::wstring name;                // upper case: "PHOTO"
  std::vector<std::wstring> types;  // lower case; "pref" when preferred
  std::wstring media_type;          // "image/jpeg"; by the bytes' signature first
  std::string bytes;                // after a failure, the part still readable (or none)
  std::wstring failure;             // why it could not be read whole; empty when it could
};

// The reader's fields the import maps, by their names on the reader.
enum class VCardField {
  Name,
  FullName,
  NickName,
  Title,
  Org,
  WorkTelephoneVoice,
  WorkTelephoneFax,
  HomeTelephoneVoice,
  HomeTelephoneFax,
  TelephoneCellVoice,
  TelephonePagerVoice,
  Work_Address,
  HomeAddress,
  EmailPrefInternet,
  WorkUrl,
  Role,
  Note,
  BirthDay,
};

// One reader over one file: Open (or OpenDecoded), MoveFirst, ContactCount,
// the fields (or the decoded card) of the contact under the cursor,
// MoveNext, Close.
class VCardReader {
 public:
  virtual ~VCardReader() = default;
  // Whether this reader offers the decoded reading; an older reader has
  // only the fields below.
  virtual bool SupportsDecoded() const = 0;
  // Reads the whole file in the decoded reading; fails as Open does.
  virtual void OpenDecoded(const std::wstring& path) = 0;
  // The card under the cursor after OpenDecoded. `out` is replaced; its
  // storage is reused.
  virtual void CurrentCard(DecodedCard& out) = 0;
  // Its binary values, in file order; none from a reader that does not
  // hand them out.
  virtual void CurrentBinaries(std::vector<DecodedBinary>& out) { out.clear(); }
  // Reads the whole file. Throws std::runtime_error when the file cannot be
  // opened, or when a read fails part-way (the contacts read before the
  // failure then stay listed), so that neither passes for an empty file.
  virtual void Open(const std::wstring& path) = 0;
  virtual void MoveFirst() = 0;
  virtual std::int32_t ContactCount() = 0;
  // The raw value: text after the first colon, line feeds and the join
  // separator included.
  virtual std::wstring Field(VCardField field) = 0;
  virtual void MoveNext() = 0;
  virtual void Close() = 0;
  // The text the reader puts between the lines of a field that received
  // more than one.
  virtual std::wstring Separator() = 0;
};

// Creates a fresh reader; throws std::runtime_error when none can be created
// (for example the reader library is not registered).
using VCardReaderFactory = std::function<std::unique_ptr<VCardReader>()>;

}  // namespace pindrel
