// A card as the modern reading decodes it (VCardStream::OpenDecoded): every
// property of the card with its group, name, types and value, unfolded and
// decoded to UTF-8, in file order. Nothing is mapped or dropped here beyond
// the card's frame: what a property means is the caller's business.
#pragma once

#include <string>
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

struct DecodedCard {
  // File order. BEGIN, END and VERSION are left out; properties whose value
  // is binary (ENCODING=b or BASE64, a data: URI in base64) are left out
  // whole; everything else, X- and unknown properties included, is here.
  std::vector<DecodedProperty> properties;
  // The card's VERSION ("2.1", "3.0", "4.0"), empty when it has none.
  std::string version;
};

}  // namespace tessary
