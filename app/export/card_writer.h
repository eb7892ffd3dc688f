// A contact as a vCard 3.0 (RFC 2426) or 4.0 (RFC 6350) card, for the
// export to one file that phones, webmail and address books read. The
// other direction of the import: every row of the contact schema with a
// vCard form is written in the form the import reads it back from, and
// what a version has no property for goes under the X- names the import
// knows. Portable: no store, no window, no file.
#pragma once

#include "base64.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "contact_schema.h"
#include "store.h"

namespace pindrel::card_writer {

enum class Version { k30, k40 };

// What a card is written from: the text of each schema row (empty for
// none) and the dates, both by the row's Id; the item's entry identifier
// (its card's UID is made of it); its picture's bytes and media type
// ("image/jpeg"), no picture when the bytes are empty.
struct ContactCard {
  std::array<std::wstring, contact_schema::kCount> text;
  std::array<std::optional<store::Date>, contact_schema::kCount> dates;
  std::wstring entry_id;
  std::string picture;
  std::string picture_type = "image/jpeg";

  std::wstring& Text(contact_schema::Id id) { return text[static_cast<std::size_t>(id)]; }
  const std::wstring& Text(contact_schema::Id id) const { return text[static_cast<std::size_t>(id)]; }
  std::optional<store::Date>& DateOf(contact_schema::Id id) { return dates[static_cast<std::size_t>(id)]; }
  const std::optional<store::Date>& DateOf(contact_schema::Id id) const {
    return dates[static_cast<std::size_t>(id)];
  }
  // Every value emptied, the storage kept for the next contact.
  void Clear();
};

// Appends the card, BEGIN to END, each line ending in CR LF, UTF-8 without
// a byte order mark, lines longer than 75 octets folded.
void AppendCard(const ContactCard& contact, Version version, std::string& out);

// The picture's PHOTO line, folded: 3.0 "PHOTO;ENCODING=b;TYPE=JPEG:" and
// the base64 bytes, 4.0 "PHOTO:data:image/jpeg;base64," and the same.
// Nothing for no bytes.
void AppendPhoto(std::string_view bytes, std::string_view media_type, Version version, std::string& out);

// One logical line folded at 75 octets (each continuation a CR LF and a
// blank), never inside a UTF-8 character; the line's own CR LF appended.
void AppendFolded(std::string_view line, std::string& out);

// Standard base64 with padding (the one of the text codec's library).
using textcodec::Base64;

// The SHA-1 digest of the bytes.
std::array<std::uint8_t, 20> Sha1(std::string_view bytes);

// A name-based UUID (version 5, SHA-1) of `name` in the program's own
// namespace for entry identifiers, in its lower-case text form: the same
// identifier always gives the same UUID.
std::string NameBasedUuid(std::string_view name);

}  // namespace pindrel::card_writer
