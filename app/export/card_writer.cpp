// How each value is written, and why (the import reads every card back
// through the decoded reading and the card mapping, so those decide):
//
//  - Every value escapes "\", ",", ";" and line breaks (as "\n"), as both
//    versions say for text: URLs, IMPP and telephone numbers too, since
//    the decoded reading and the libraries that read these files unescape
//    them as well (an unescaped "," there is read as the end of the value).
//    The picture's base64 holds none of them.
//  - A line break inside a one-line value is written as "\n" and comes
//    back as ", " (the import keeps such values on one line); a street
//    keeps its lines.
//  - N is always written with its five parts, ADR with its seven, ORG up to
//    its last part with a value. FN is always written: the full name, or
//    one made of the name's parts as the import would make it.
//  - Types are 3.0's "TYPE=WORK,VOICE" and 4.0's "TYPE="work,voice"";
//    4.0 says "preferred" with PREF=1 and has no "internet" or "postal"
//    type (an address without "work" or "home" is the other one). A type
//    the version does not define is written under the X- name the import
//    reads (X-ASSISTANT, X-TELEX, and in 4.0 x-car and x-isdn).
//  - A 4.0 telephone number is a tel: URI when it is one already (digits
//    and the URI's visual separators); a number written as people write
//    them ("+49 30 1234", "555 1234 ext. 5") is 4.0's text value, since a
//    URI cannot hold its blanks and a changed number would not come back
//    as it was.
//  - BDAY and ANNIVERSARY are dates: 3.0 "1980-01-25" (3.0 has no
//    anniversary: X-ANNIVERSARY), 4.0 "19800125".
//  - 4.0 names the spouse and the children with RELATED (its types
//    "spouse" and "child", VALUE=text); 4.0 has no type for a manager or
//    an assistant, so those and everything 3.0 has no property for keep
//    the schema's X- names.
//  - UID is a name-based UUID of the item's entry identifier, so a contact
//    exported again keeps its UID and an address book updates it.
#include "card_writer.h"

#include "base64.h"

#include <algorithm>
#include <cstdio>
#include <span>

#include "text_codec.h"
#include "text_helpers.h"

namespace pindrel::card_writer {
namespace {

namespace schema = contact_schema;
using schema::Form;
using schema::Property;

// The schema's rows that a card carries, in the order their lines are
// written (the schema's line order); rows of one structured value are
// neighbours.
constexpr auto kRows = [] {
  constexpr std::size_t count = [] {
    std::size_t n = 0;
    for (const Property& p : schema::kProperties) n += p.HasVCardForm();
    return n;
  }();
  std::array<const Property*, count> rows{};
  std::size_t n = 0;
  for (const Property& p : schema::kProperties)
    if (p.HasVCardForm()) rows[n++] = &p;
  std::sort(rows.begin(), rows.end(), [](const Property* a, const Property* b) {
    return a->line != b->line ? a->line < b->line : a->id < b->id;
  });
  return rows;
}();

bool SameValue(const Property& a, const Property& b) {
  return a.part >= 0 && b.part >= 0 && a.vcard == b.vcard && a.types == b.types;
}

// `text` as UTF-8, escaped, onto `out`; every line break (CR LF, LF, CR)
// one "\n". Converted here character by character rather than through a
// UTF-8 copy of the whole value: a card has some sixty values. Half of a
// surrogate pair is U+FFFD, as the shared codec makes it.
void AppendEscaped(std::wstring_view text, std::string& out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c < 0x80) {
      if (c == L'\r' || c == L'\n') {
        if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        out += "\\n";
        continue;
      }
      if (c == L'\\' || c == L',' || c == L';') out += '\\';
      out += static_cast<char>(c);
      continue;
    }
    char32_t code = static_cast<char32_t>(c);
    if constexpr (sizeof(wchar_t) == 2) {
      if (textcodec::IsHighSurrogate(code) && i + 1 < text.size() &&
          textcodec::IsLowSurrogate(static_cast<char32_t>(text[i + 1]))) {
        code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
        ++i;
      }
    }
    textcodec::AppendUtf8(code, out);
  }
}

// The store's "a, b" as vCard's "a,b", each category escaped.
void AppendCategories(std::wstring_view value, std::string& out) {
  bool first = true;
  for (;;) {
    const std::size_t comma = value.find(L',');
    std::wstring_view item = ui::TrimChars(value.substr(0, comma), L" \t");
    if (!item.empty()) {
      if (!first) out += ',';
      first = false;
      AppendEscaped(item, out);
    }
    if (comma == std::wstring_view::npos) return;
    value.remove_prefix(comma + 1);
  }
}

void AppendDate(const store::Date& d, Version version, std::string& out) {
  char text[16];
  std::snprintf(text, sizeof text, version == Version::k30 ? "%04d-%02d-%02d" : "%04d%02d%02d", d.year, d.month,
                d.day);
  out += text;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// A schema type word as the version writes it; empty when the version says
// it otherwise (4.0's "pref") or not at all.
std::string_view TypeWord(std::string_view vcard, std::string_view word, Version version) {
  const bool v4 = version == Version::k40;
  if (word == "pref") return v4 ? "" : "pref";
  if (vcard == "EMAIL" && word == "internet" && v4) return "";
  if (vcard == "ADR" && word == "postal" && v4) return "";
  if (vcard != "TEL") return word;
  // RFC 2426 knows home, work, voice, fax, cell, pager, car, isdn (and a
  // few more); RFC 6350 adds textphone and drops car and isdn, which are
  // x- words there.
  struct Word {
    std::string_view schema, written;
  };
  static constexpr Word kOwn[] = {{"assistant", "x-assistant"}, {"callback", "x-callback"}, {"main", "x-company"},
                                  {"radio", "x-radio"},         {"tlx", "x-telex"}};
  for (const Word& w : kOwn)
    if (w.schema == word) return w.written;
  if (word == "textphone" && !v4) return "x-ttytdd";
  if (word == "car" && v4) return "x-car";
  if (word == "isdn" && v4) return "x-isdn";
  return word;
}

// ";TYPE=WORK,VOICE" (3.0) or ";TYPE="work,voice"" (4.0), and 4.0's
// ";PREF=1", for the schema's types.
void AppendTypes(std::string_view vcard, std::string_view types, Version version, std::string& out) {
  std::string words;
  bool preferred = false;
  for (std::string_view rest = types; !rest.empty();) {
    const std::size_t comma = rest.find(',');
    const std::string_view word = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    preferred = preferred || word == "pref";
    const std::string_view written = TypeWord(vcard, word, version);
    if (written.empty()) continue;
    if (!words.empty()) words += ',';
    for (char c : written) words += version == Version::k30 ? Upper(c) : c;
  }
  if (!words.empty()) {
    const bool quote = version == Version::k40 && words.find(',') != std::string::npos;
    out += ";TYPE=";
    if (quote) out += '"';
    out += words;
    if (quote) out += '"';
  }
  if (preferred && version == Version::k40) out += ";PREF=1";
}

// Whether a number is a tel: URI's number as it stands: a "+" at the start,
// then digits and the visual separators "-", ".", "(" and ")".
bool IsUriNumber(std::wstring_view number) {
  if (number.empty()) return false;
  bool digit = false;
  for (std::size_t i = 0; i < number.size(); ++i) {
    const wchar_t c = number[i];
    if (c >= L'0' && c <= L'9') digit = true;
    else if (!(c == L'-' || c == L'.' || c == L'(' || c == L')' || (c == L'+' && i == 0))) return false;
  }
  return digit;
}

// Builds one logical line, then folds it onto the card.
class Card {
 public:
  Card(Version version, std::string& out) : version_(version), out_(out) {}

  std::string& Start(std::string_view name) {
    line_.assign(name);
    return line_;
  }
  void End() { AppendFolded(line_, out_); }

  Version version() const { return version_; }

 private:
  Version version_;
  std::string& out_;
  std::string line_;
};

// What the version calls a schema property that it has none of its own
// for, or has another form of.
struct Rename {
  std::string_view name;
  std::string_view related;  // 4.0's RELATED type; empty for a plain name
};
Rename NameIn(std::string_view vcard, Version version) {
  if (version == Version::k30) return {vcard == "ANNIVERSARY" ? "X-ANNIVERSARY" : vcard, {}};
  if (vcard == "X-SPOUSE") return {"RELATED", "spouse"};
  if (vcard == "X-CHILDREN") return {"RELATED", "child"};
  return {vcard, {}};
}

// A one-line property of one row, nothing when it is empty.
void Whole(Card& card, const ContactCard& contact, const Property& p) {
  const std::size_t id = static_cast<std::size_t>(p.id);
  const Version version = card.version();
  const Rename name = NameIn(p.vcard, version);
  if (p.IsDate()) {
    if (!contact.dates[id]) return;
    std::string& line = card.Start(name.name);
    line += ':';
    AppendDate(*contact.dates[id], version, line);
    card.End();
    return;
  }
  const std::wstring& text = contact.text[id];
  if (ui::TrimChars(text, L" \t\r\n").empty()) return;
  std::string& line = card.Start(name.name);
  if (!name.related.empty()) {
    line += ";VALUE=text;TYPE=";
    line += name.related;
  }
  AppendTypes(p.vcard, p.types, version, line);
  if (p.vcard == "TEL") {
    const std::wstring_view number = ui::TrimChars(text, L" \t");
    if (version == Version::k40 && IsUriNumber(number)) {
      line += ";VALUE=uri:tel:";
    } else {
      if (version == Version::k40) line += ";VALUE=text";
      line += ':';
    }
    AppendEscaped(number, line);
  } else if (p.form == Form::List) {
    line += ':';
    AppendCategories(text, line);
  } else {
    line += ':';
    AppendEscaped(text, line);
  }
  card.End();
}

// A structured value from its rows: every part N and ADR have, ORG up to
// its last part with a value; N even when empty, as both versions want it.
void Structured(Card& card, const ContactCard& contact, std::span<const Property* const> rows) {
  const Property& first = *rows.front();
  std::array<const std::wstring*, 7> parts{};
  std::size_t size = 0;
  bool any = false;
  for (const Property* p : rows) {
    const std::wstring& text = contact.text[static_cast<std::size_t>(p->id)];
    parts[static_cast<std::size_t>(p->part)] = &text;
    any = any || !text.empty();
    size = std::max<std::size_t>(size, static_cast<std::size_t>(p->part) + 1);
  }
  if (!any && first.vcard != "N") return;
  if (first.vcard == "ORG")
    while (size > 1 && (!parts[size - 1] || parts[size - 1]->empty())) --size;
  std::string& line = card.Start(first.vcard);
  AppendTypes(first.vcard, first.types, card.version(), line);
  line += ':';
  for (std::size_t i = 0; i < size; ++i) {
    if (i > 0) line += ';';
    if (parts[i]) AppendEscaped(*parts[i], line);
  }
  card.End();
}

// FN: the full name, else one made of N's parts (prefix, given,
// additional, family, suffix) as the import makes it.
void FullName(Card& card, const ContactCard& contact, const Property& p) {
  std::wstring name(ui::TrimChars(contact.text[static_cast<std::size_t>(p.id)], L" \t"));
  if (name.empty()) {
    const schema::Structure n = schema::StructureOf("N", "");
    for (std::size_t part : {3u, 1u, 2u, 0u, 4u}) {
      if (!n.parts[part]) continue;
      std::wstring_view v = ui::TrimChars(contact.Text(*n.parts[part]), L" \t");
      if (v.empty()) continue;
      if (!name.empty()) name += L' ';
      name += v;
    }
  }
  std::string& line = card.Start("FN:");
  AppendEscaped(name, line);
  card.End();
}

// The program's own namespace for the UUIDs of entry identifiers (made
// once at random; it must never change, or every UID would).
constexpr std::uint8_t kEntryIdNamespace[16] = {0xac, 0x8a, 0xa7, 0x50, 0x40, 0x10, 0x48, 0xd9,
                                                0x80, 0xd5, 0xab, 0x67, 0x2b, 0xa1, 0x5b, 0x9a};

std::uint32_t Rotl(std::uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }

}  // namespace

void ContactCard::Clear() {
  for (std::wstring& t : text) t.clear();
  for (auto& d : dates) d.reset();
  entry_id.clear();
  picture.clear();
  picture_type = "image/jpeg";
}

void AppendFolded(std::string_view line, std::string& out) {
  constexpr std::size_t kWidth = 75;
  std::size_t width = kWidth;  // a continuation's blank counts
  while (line.size() > width) {
    std::size_t cut = width;
    // Back to the start of the character the cut would fall into.
    while (cut > 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    out.append(line.substr(0, cut));
    out += "\r\n ";
    line.remove_prefix(cut);
    width = kWidth - 1;
  }
  out.append(line);
  out += "\r\n";
}

void AppendPhoto(std::string_view bytes, std::string_view media_type, Version version, std::string& out) {
  if (bytes.empty()) return;
  std::string line;
  if (version == Version::k30) {
    // 3.0 names the format alone: "image/jpeg" is TYPE=JPEG.
    line = "PHOTO;ENCODING=b;TYPE=";
    const std::size_t slash = media_type.find('/');
    for (char c : slash == std::string_view::npos ? media_type : media_type.substr(slash + 1)) line += Upper(c);
    line += ':';
  } else {
    line = "PHOTO:data:";
    line.append(media_type);
    line += ";base64,";
  }
  textcodec::AppendBase64(bytes, line);
  AppendFolded(line, out);
}

std::array<std::uint8_t, 20> Sha1(std::string_view bytes) {
  std::uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  // The message, a 1 bit, zeros to 56 bytes modulo 64, the bit length.
  std::string message(bytes);
  message += static_cast<char>(0x80);
  while (message.size() % 64 != 56) message += '\0';
  const std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
  for (int i = 7; i >= 0; --i) message += static_cast<char>((bits >> (i * 8)) & 0xFF);
  for (std::size_t block = 0; block < message.size(); block += 64) {
    std::uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
      const auto* b = reinterpret_cast<const unsigned char*>(message.data() + block + i * 4);
      w[i] = static_cast<std::uint32_t>(b[0]) << 24 | static_cast<std::uint32_t>(b[1]) << 16 |
             static_cast<std::uint32_t>(b[2]) << 8 | b[3];
    }
    for (int i = 16; i < 80; ++i) w[i] = Rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; ++i) {
      std::uint32_t f, k;
      if (i < 20) f = (b & c) | (~b & d), k = 0x5A827999;
      else if (i < 40) f = b ^ c ^ d, k = 0x6ED9EBA1;
      else if (i < 60) f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDC;
      else f = b ^ c ^ d, k = 0xCA62C1D6;
      const std::uint32_t t = Rotl(a, 5) + f + e + k + w[i];
      e = d, d = c, c = Rotl(b, 30), b = a, a = t;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
  }
  std::array<std::uint8_t, 20> digest{};
  for (int i = 0; i < 20; ++i) digest[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
  return digest;
}

std::string NameBasedUuid(std::string_view name) {
  std::string input(reinterpret_cast<const char*>(kEntryIdNamespace), sizeof kEntryIdNamespace);
  input.append(name);
  std::array<std::uint8_t, 20> d = Sha1(input);
  d[6] = static_cast<std::uint8_t>((d[6] & 0x0F) | 0x50);  // version 5
  d[8] = static_cast<std::uint8_t>((d[8] & 0x3F) | 0x80);  // the RFC's variant
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += kHex[d[i] >> 4];
    text += kHex[d[i] & 15];
  }
  return text;
}

void AppendCard(const ContactCard& contact, Version version, std::string& out) {
  out += "BEGIN:VCARD\r\n";
  out += version == Version::k30 ? "VERSION:3.0\r\n" : "VERSION:4.0\r\n";
  Card card(version, out);
  for (std::size_t i = 0; i < kRows.size();) {
    const Property& p = *kRows[i];
    std::size_t end = i + 1;
    while (end < kRows.size() && SameValue(p, *kRows[end])) ++end;
    if (p.part >= 0) Structured(card, contact, std::span(kRows).subspan(i, end - i));
    else if (p.id == schema::Id::FullName) FullName(card, contact, p);
    else Whole(card, contact, p);
    i = end;
  }
  AppendPhoto(contact.picture, contact.picture_type, version, out);
  if (!contact.entry_id.empty()) {
    std::string& line = card.Start(version == Version::k30 ? "UID:" : "UID:urn:uuid:");
    line += NameBasedUuid(ui::NarrowUtf8(contact.entry_id));
    card.End();
  }
  out += "END:VCARD\r\n";
}

}  // namespace pindrel::card_writer
