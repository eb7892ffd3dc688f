// What the import asks of the vCard reader. The program creates the reader
// through COM by its class identifier (vcard_reader_com.h); portable tests use
// an adapter over the reader core in its place.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pindrel {

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

// One reader over one file: Open, MoveFirst, ContactCount, the fields of
// the contact under the cursor, MoveNext, Close.
class VCardReader {
 public:
  virtual ~VCardReader() = default;
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
