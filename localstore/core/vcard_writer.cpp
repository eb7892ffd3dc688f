// The file is vCard 2.1 and is written for the program's decoded reading,
// which reads every property of it; the properties the older reading also
// knows keep the exact forms of its keyword table, and the further ones use
// forms it ignores, so that an older reader still finds what it always
// did. What the decoded reading and the import do decides how a value is
// written:
//
//  - The reading resolves backslash escapes in every value, so a backslash
//    is written "\\", and a ";" inside a part of N, ORG or ADR "\;" (those
//    are split at the unescaped ones).
//  - A street keeps its lines, written as "\n"; a line break inside any
//    other one-line value is written as ", ", as the import would make it.
//  - The import trims every one-line value (all but the notes and the
//    streets' lines): spaces around them are not kept.
//  - A title or suffix of exactly "0" cannot come back (exporters write "0"
//    for none); it is written all the same.
//  - NOTE is quoted-printable: line ends (of every kind, coming back as
//    CR LF, the form Windows text uses), "=" and blanks before a line end
//    are encoded, every other character is written as itself (UTF-8). Line
//    breaks at the very end of a note do not come back.
//  - Where a kind of value has two or three homes (work and home
//    telephones, e-mail addresses) the import fills them in order: a second
//    value written without a first comes back as the first.
//  - A telephone number that is only "preferred" is the primary one; every
//    other telephone line names the kind that leads to its own property.
//  - BDAY and ANNIVERSARY are the date alone (YYYYMMDD); a time of day is
//    not kept.
//  - Categories are written as a list separated by ","; a category that
//    itself holds a "," comes back as two.
//  - A contact without a full name gets one made of its name parts.
//  - FileAs and Subject have no vCard property.
//  - The picture is written as the mail client writes it:
//    "PHOTO;TYPE=JPEG;ENCODING=BASE64:" (or PNG, GIF, BMP), then the base64
//    on lines of 75 octets that start with a blank, then a blank line.
#include "vcard_writer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>
#include <string_view>

#include "contact_schema.h"
#include "picture.h"
#include "text.h"

namespace localstore {
namespace {

// Text with its backslashes escaped, and with `also` escaped too.
std::u16string Escaped(std::u16string_view value, char16_t also = u'\\') {
  std::u16string out;
  out.reserve(value.size());
  for (char16_t c : value) {
    if (c == u'\\' || c == also) out += u'\\';
    out += c;
  }
  return out;
}

// `value` with each line break (CR LF, LF or CR) as `with`.
std::u16string LineBreaksAs(std::u16string_view value, std::u16string_view with) {
  std::u16string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    char16_t c = value[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n') ++i;
      out += with;
    } else {
      out += c;
    }
  }
  return out;
}

// One line of text for a single-line property: line breaks become ", ".
std::string OneLine(std::u16string_view value) { return ToUtf8(Escaped(LineBreaksAs(value, u", "))); }

// A part of a structured value: one line, its ";"s escaped.
std::string Part(std::u16string_view value) { return ToUtf8(Escaped(LineBreaksAs(value, u", "), u';')); }

// A street keeps its lines.
std::string Street(std::u16string_view value) { return ToUtf8(LineBreaksAs(Escaped(value, u';'), u"\\n")); }

std::string NoteValue(std::u16string_view value) {
  std::string text = ToUtf8(Escaped(value));
  std::string out;
  out.reserve(text.size() + 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    const bool line_end = i + 1 == text.size() || text[i + 1] == '\r' || text[i + 1] == '\n';
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "=0D=0A";
    } else if (c == '=') {
      // Read as the start of a code, or at the end as a soft line break.
      out += "=3D";
    } else if ((c == ' ' || c == '\t') && line_end) {
      // Decoders drop blanks at the end of an encoded line.
      out += c == ' ' ? "=20" : "=09";
    } else {
      out += c;
    }
  }
  return out;
}

class Card {
 public:
  void Line(std::string_view name, std::string_view value) {
    text_.append(name);
    text_ += ':';
    text_.append(value);
    text_ += "\r\n";
  }
  void Picture(std::string_view bytes) {
    const std::string_view format = PictureFormat(bytes);
    if (format.empty()) return;  // the store keeps nothing else
    text_ += "PHOTO;TYPE=";
    text_.append(format);
    text_ += ";ENCODING=BASE64:\r\n";
    const std::string base64 = Base64(bytes);
    text_.reserve(text_.size() + base64.size() / 74 * 77 + 80);
    for (std::size_t at = 0; at < base64.size(); at += 74) {
      text_ += ' ';
      text_.append(base64, at, 74);
      text_ += "\r\n";
    }
    text_ += "\r\n";
  }
  std::string Finish() { return std::move(text_); }

 private:
  std::string text_;
};

// The store's "a, b" as vCard's "a,b".
std::string CategoryList(std::u16string_view value) {
  std::string out;
  for (;;) {
    std::size_t comma = value.find(u',');
    std::u16string_view item = value.substr(0, comma);
    while (!item.empty() && item.front() == u' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == u' ') item.remove_suffix(1);
    if (!item.empty()) {
      if (!out.empty()) out += ',';
      out += OneLine(item);
    }
    if (comma == std::u16string_view::npos) return out;
    value.remove_prefix(comma + 1);
  }
}

std::string DateText(double ole_date) {
  CivilDate date = ToCivil(ole_date);
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", date.year, date.month, date.day);
  return text;
}

// The schema's rows with a vCard form, in the order their lines are
// written; the rows of one structured value are neighbours.
constexpr auto kWritten = [] {
  using contact_schema::Property;
  constexpr std::size_t count = [] {
    std::size_t n = 0;
    for (const Property& p : contact_schema::kProperties) n += p.line > 0;
    return n;
  }();
  std::array<const Property*, count> rows{};
  std::size_t n = 0;
  for (const Property& p : contact_schema::kProperties)
    if (p.line > 0) rows[n++] = &p;
  std::sort(rows.begin(), rows.end(), [](const Property* a, const Property* b) { return a->line < b->line; });
  return rows;
}();

// The line's name: the property, then each type as a bare 2.1 parameter
// ("TEL;WORK;VOICE").
std::string LineName(const contact_schema::Property& p) {
  std::string name(p.vcard);
  if (!p.types.empty()) name += ';';
  for (char c : p.types) name += c == ',' ? ';' : static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return name;
}

// A whole value in its form; empty when the property is empty.
std::string Value(const Item& item, const contact_schema::Property& p) {
  using contact_schema::Form;
  if (p.IsDate()) return item.DateOf(p.tag) ? DateText(*item.DateOf(p.tag)) : std::string();
  const std::u16string& text = item.text[p.tag - 1];
  if (text.empty()) return {};
  switch (p.form) {
    case Form::List: return CategoryList(text);
    case Form::Note: return NoteValue(text);
    case Form::Street: return Street(text);
    case Form::Part: return Part(text);
    default: return OneLine(text);
  }
}

// A structured value from its rows: every part N and ADR have, but ORG
// (an organisation and as many units as it has) ends at its last part with
// a value. N is written even when empty, as vCard 2.1 wants a name.
void Structured(Card& card, std::span<const contact_schema::Property* const> rows, const Item& item) {
  const contact_schema::Property& first = *rows.front();
  std::array<std::string, 7> parts;
  std::size_t size = 0;
  bool any = false;
  for (const contact_schema::Property* p : rows) {
    parts[p->part] = Value(item, *p);
    any = any || !parts[p->part].empty();
    size = std::max<std::size_t>(size, p->part + 1);
  }
  if (!any && first.vcard != "N") return;
  if (first.vcard == "ORG")
    while (size > 1 && parts[size - 1].empty()) --size;
  std::string value;
  for (std::size_t i = 0; i < size; ++i) {
    if (i > 0) value += ';';
    value += parts[i];
  }
  card.Line(LineName(first), value);
}

}  // namespace

std::string WriteVCard(const Item& item) {
  Card card;
  card.Line("BEGIN", "VCARD");
  card.Line("VERSION", "2.1");
  for (std::size_t i = 0; i < kWritten.size();) {
    const contact_schema::Property& p = *kWritten[i];
    std::size_t end = i + 1;
    while (end < kWritten.size() && kWritten[end]->line == p.line) ++end;
    if (p.part >= 0) {
      Structured(card, std::span(kWritten).subspan(i, end - i), item);
    } else if (std::string value = Value(item, p); !value.empty()) {
      card.Line(p.form == contact_schema::Form::Note ? LineName(p) + ";ENCODING=QUOTED-PRINTABLE" : LineName(p),
                value);
    }
    i = end;
  }
  card.Picture(item.picture);
  card.Line("END", "VCARD");
  return card.Finish();
}

}  // namespace localstore
