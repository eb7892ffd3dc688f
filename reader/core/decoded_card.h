// A card as the modern reading decodes it (VCardStream::OpenDecoded): every
// property of the card with its group, name, types and value, unfolded and
// decoded to UTF-8, in file order. Nothing is mapped or dropped here beyond
// the card's frame: what a property means is the caller's business.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// One property of a card as the modern reading decodes it. All text UTF-8.
struct DecodedProperty {
  // "item1" for "item1.TEL", else empty.
  std::string group;
  // Upper case, group removed: "TEL", "ADR", "X-ABLABEL".
  std::string name;
  // Lower case, in file order, no duplicates: from bare 2.1 parameters
  // (TEL;WORK;VOICE), TYPE= (comma lists, repeated TYPE=, quoted 4.0
  // lists); "pref" when the value is preferred (TYPE=pref, a bare PREF, or
  // the lowest PREF=n among the card's properties of that name).
  std::vector<std::string> types;
  // The whole value decoded: unfolded, quoted-printable and CHARSET decoded
  // to UTF-8, escapes resolved (\n and \N a line feed, \, \; \\ \: \"), line
  // breaks as a lone "\n"; a tel: URI made plain ("tel:+1-555-0100;ext=12"
  // gives "+1-555-0100 ext. 12").
  std::string value;
  // The value split at unescaped ';', then each part decoded as above;
  // always at least one element. A tel: URI is one component.
  std::vector<std::string> components;
};

// Why a binary value could not be read whole.
enum class BinaryFailure {
  None,
  Empty,      // no base64 at all
  CutShort,   // the base64 stops part-way, or the picture lacks its end
  NotBase64,  // a character that is not base64 (the value is read up to it)
  DataUriNotBase64,  // a PHOTO or LOGO data: URI without ";base64"
};

// The failure as a phrase a message can name ("the value is cut short");
// empty for None.
std::string_view BinaryFailureText(BinaryFailure failure);

// A property whose value is binary: ENCODING=b or BASE64 (2.1's
// ENCODING=BASE64 and bare BASE64, 3.0's ENCODING=b), a data: URI in
// base64, or a PHOTO or LOGO data: URI of any kind. A URL (VALUE=uri, or a
// value with a scheme such as http:) is text and stays among the card's
// properties.
struct DecodedBinary {
  std::string group;  // as DecodedProperty's
  std::string name;   // "PHOTO", "LOGO", "SOUND", "KEY"
  // As DecodedProperty's, "pref" included (ranked among the card's binary
  // values of the same name); 2.1's TYPE=JPEG or bare JPEG stays here too.
  std::vector<std::string> types;
  // Lower case: the bytes' own signature when they are a JPEG, PNG, GIF or
  // BMP picture (whatever TYPE= says); otherwise what the data: URI or
  // TYPE= says ("image/jpeg" for TYPE=JPEG); otherwise
  // "application/octet-stream".
  std::string media_type;
  // The decoded bytes, whitespace and folds of the base64 ignored. After a
  // failure, the part that could be read when it still is a picture by its
  // signature (a picture cut short mostly still shows), else nothing.
  std::string bytes;
  BinaryFailure failure = BinaryFailure::None;
};

// "image/jpeg" for the bytes of a JPEG picture, and so for PNG, GIF and
// BMP; empty for anything else.
std::string_view ImageTypeOf(std::string_view bytes);
// The usual file name extension of a media type: ".jpg", ".png", ".gif",
// ".bmp", ".tif"; ".bin" for any other.
std::string_view FileExtensionOf(std::string_view media_type);

struct DecodedCard {
  // File order. BEGIN, END and VERSION are left out, and so are binary
  // values (they are in `binaries`); everything else, X- and unknown
  // properties included, is here.
  std::vector<DecodedProperty> properties;
  // The binary values, in file order. The stream keeps them only while
  // their card is the current one.
  std::vector<DecodedBinary> binaries;
  // The card's VERSION ("2.1", "3.0", "4.0"), empty when it has none.
  std::string version;
};

}  // namespace tessary
