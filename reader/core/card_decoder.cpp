#include "internal/card_decoder.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string>

#include "internal/ascii.h"
#include "internal/binary_value.h"
#include "internal/charset.h"
#include "internal/contact_reader.h"

namespace tessary::internal {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool StartsIgnoringCase(std::string_view text, std::string_view start) {
  return text.size() >= start.size() && SameIgnoringCase(text.substr(0, start.size()), start);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view Unquote(std::string_view s) {
  s = Trim(s);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  return s;
}

// Calls `piece` for every part of `s` between `separator`s that stand
// outside double quotes.
template <class Piece>
void SplitOutsideQuotes(std::string_view s, char separator, Piece piece) {
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"') quoted = !quoted;
    else if (s[i] == separator && !quoted) {
      piece(s.substr(start, i - start));
      start = i + 1;
    }
  }
  piece(s.substr(start));
}

// The physical lines of a card, each without its line feed and without the
// carriage returns before it (exporters now and then write CR CR LF).
class Lines {
 public:
  explicit Lines(std::string_view text) : rest_(text) { Load(); }
  bool Empty() const { return !has_line_; }
  std::string_view Front() const { return line_; }
  void Pop() {
    rest_.remove_prefix(consumed_);
    Load();
  }

 private:
  void Load() {
    has_line_ = !rest_.empty();
    if (!has_line_) return;
    const void* line_feed = std::memchr(rest_.data(), '\n', rest_.size());
    std::size_t length = line_feed ? std::size_t(static_cast<const char*>(line_feed) - rest_.data()) : rest_.size();
    consumed_ = line_feed ? length + 1 : length;
    while (length > 0 && rest_[length - 1] == '\r') --length;
    line_ = rest_.substr(0, length);
    // Files joined with `cat` carry a byte order mark at a line's start.
    if (line_.starts_with("\xEF\xBB\xBF")) line_.remove_prefix(3);
  }

  std::string_view rest_, line_;
  std::size_t consumed_ = 0;
  bool has_line_ = false;
};

// The card's VERSION, wherever it stands among the card's lines (not those
// of an AGENT's card in it); it decides how folded lines join, so it is
// needed before the first one.
std::string_view FindVersion(std::string_view text) {
  int depth = 0;
  bool after_agent = false;
  for (Lines lines(text); !lines.Empty(); lines.Pop()) {
    const std::string_view line = lines.Front();
    const Delimiter delimiter = CardDelimiterOf(line);
    if (delimiter == Delimiter::Begin && after_agent) ++depth;
    if (delimiter == Delimiter::End && depth-- == 0) break;
    if (depth == 0 && StartsIgnoringCase(line, "VERSION:")) return Trim(line.substr(8));
    after_agent = OpensAgentCard(line);
  }
  return {};
}

// A 2.1 AGENT's card, from its BEGIN:VCARD to the END:VCARD that matches
// it, is the AGENT's value: its lines as they are, joined by line feeds.
void TakeAgentCard(Lines& lines, std::string& out) {
  int depth = 0;
  bool after_agent = true;
  while (!lines.Empty()) {
    const std::string_view line = lines.Front();
    const Delimiter delimiter = CardDelimiterOf(line);
    // A BEGIN:VCARD after anything else starts the next card: the reading
    // ended this card's text there already.
    if (delimiter == Delimiter::Begin && !after_agent) break;
    if (!out.empty()) out += '\n';
    out.append(line);
    lines.Pop();
    if (delimiter == Delimiter::Begin) ++depth;
    if (delimiter == Delimiter::End && --depth == 0) break;
    after_agent = OpensAgentCard(line);
  }
}

// Whether `text` ends in the middle of a UTF-8 character and `next`, a
// folded line's continuation, goes on with it after its blank: the fold was
// made at a fixed width, so its blank is no part of the value even in 2.1.
bool FoldSplitsCharacter(std::string_view text, std::string_view next) {
  if (next.size() < 2 || (static_cast<unsigned char>(next[1]) & 0xC0) != 0x80) return false;
  for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
    const auto c = static_cast<unsigned char>(text[text.size() - back]);
    if (c < 0x80) return false;
    if (c >= 0xC0) return (c >= 0xF0 ? 4u : c >= 0xE0 ? 3u : 2u) > back;
  }
  return false;
}

// What a property's parameters say about its value.
struct Header {
  bool quoted_printable = false;
  bool base64 = false;
  bool uri = false;  // VALUE=uri (or 2.1's VALUE=URL): a link, never binary
  std::optional<std::string> charset;
  int pref_rank = 0;  // PREF=n; 0 when there is none
};

// The value's bytes as UTF-8. `from_file` bytes are the file's own (not
// quoted-printable); those of a UTF-8 file are UTF-8 whatever CHARSET says,
// since the whole file proved to be. Otherwise CHARSET decides, and a
// charset that is unknown or does not fit the bytes falls back to the ANSI
// code page for this value alone. Quoted-printable bytes without a CHARSET
// are UTF-8 when they are valid UTF-8.
void AppendText(std::string_view bytes, bool from_file, FileText file, const std::optional<std::string>& charset,
                std::string& out) {
  if (from_file && file == FileText::Utf8) {
    if (IsUtf8(bytes)) out.append(bytes);
    else AppendAnsiAsUtf8(bytes, out);
    return;
  }
  if (charset) {
    const std::optional<unsigned> code_page = CodePageOf(*charset);
    // A line of an 8-bit file cannot be UTF-16, whatever its label says.
    const bool fits = code_page && !(from_file && (*code_page == kUtf16LeCodePage || *code_page == kUtf16BeCodePage));
    if (!fits || !AppendAsUtf8(bytes, *code_page, out)) AppendAnsiAsUtf8(bytes, out);
    return;
  }
  if (!from_file && IsUtf8(bytes)) out.append(bytes);
  else AppendAnsiAsUtf8(bytes, out);
}

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A type is text of the file like a value (a TYPE= may be in the user's
// language), lower case for the ASCII letters. The quotes of a 4.0 list
// (TYPE="voice,cell") fall on its first and last items.
void AddType(std::string_view type, FileText file, std::vector<std::string>& types) {
  type = Trim(type);
  if (!type.empty() && type.front() == '"') type.remove_prefix(1);
  if (!type.empty() && type.back() == '"') type.remove_suffix(1);
  if (type.empty()) return;
  std::string lower;
  if (IsAscii(type)) lower.assign(type);
  else AppendText(type, true, file, std::nullopt, lower);
  for (char& c : lower) c = AsciiLower(c);
  if (std::find(types.begin(), types.end(), lower) == types.end()) types.push_back(std::move(lower));
}

// A name (or group) is letters, digits and '-' by the RFCs; anything
// printable is let through, but a line whose name holds control characters
// or bytes beyond ASCII is junk, not a property.
bool IsName(std::string_view name) {
  return std::all_of(name.begin(), name.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

// Reads "group.NAME;param;param" into the property and the header; nothing
// when the name is no name.
std::optional<Header> ParseHeader(std::string_view head, FileText file, DecodedProperty& property) {
  Header header;
  bool first = true;
  SplitOutsideQuotes(head, ';', [&](std::string_view piece) {
    piece = Trim(piece);
    if (first) {
      first = false;
      const std::size_t dot = piece.rfind('.');
      if (dot != std::string_view::npos) {
        property.group.assign(piece.substr(0, dot));
        piece.remove_prefix(dot + 1);
      }
      property.name.assign(Trim(piece));
      for (char& c : property.name) c = AsciiUpper(c);
      return;
    }
    if (piece.empty()) return;
    const std::size_t equals = piece.find('=');
    if (equals == std::string_view::npos) {
      // 2.1's bare parameters: an encoding, PREF, or a type.
      if (SameIgnoringCase(piece, "QUOTED-PRINTABLE")) header.quoted_printable = true;
      else if (SameIgnoringCase(piece, "BASE64") || SameIgnoringCase(piece, "B")) header.base64 = true;
      else if (SameIgnoringCase(piece, "8BIT") || SameIgnoringCase(piece, "7BIT")) return;
      else AddType(piece, file, property.types);
      return;
    }
    const std::string_view key = Trim(piece.substr(0, equals));
    const std::string_view value = piece.substr(equals + 1);
    if (SameIgnoringCase(key, "TYPE")) {
      // No type holds a ",", quoted or not.
      for (std::size_t at = 0; at <= value.size();) {
        const std::size_t comma = std::min(value.find(',', at), value.size());
        AddType(value.substr(at, comma - at), file, property.types);
        at = comma + 1;
      }
    } else if (SameIgnoringCase(key, "ENCODING")) {
      const std::string_view encoding = Unquote(value);
      if (SameIgnoringCase(encoding, "QUOTED-PRINTABLE")) header.quoted_printable = true;
      else if (SameIgnoringCase(encoding, "B") || SameIgnoringCase(encoding, "BASE64")) header.base64 = true;
    } else if (SameIgnoringCase(key, "VALUE")) {
      const std::string_view kind = Unquote(value);
      header.uri = SameIgnoringCase(kind, "URI") || SameIgnoringCase(kind, "URL");
    } else if (SameIgnoringCase(key, "CHARSET")) {
      header.charset.emplace(Unquote(value));
    } else if (SameIgnoringCase(key, "PREF")) {
      // 1 to 100, 1 the most preferred; a value that is no number still
      // says the property is preferred.
      int rank = 0;
      for (char c : Unquote(value)) {
        if (c < '0' || c > '9') break;
        rank = std::min(rank * 10 + (c - '0'), 1000);
      }
      header.pref_rank = rank > 0 ? rank : 1;
    }
  });
  if (!IsName(property.group) || property.name.empty() || !IsName(property.name)) return std::nullopt;
  return header;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiUpper(c);
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Soft line breaks are already joined; an "=" that starts no escape stays.
void DecodeQuotedPrintable(std::string_view in, std::string& out) {
  // The text between escapes goes in as runs.
  std::size_t run = 0;
  for (std::size_t i = in.find('='); i != std::string_view::npos; i = in.find('=', i + 1)) {
    if (i + 2 >= in.size()) break;
    const int high = HexDigit(in[i + 1]), low = HexDigit(in[i + 2]);
    if (high < 0 || low < 0) continue;
    out.append(in.substr(run, i - run));
    out += char(high * 16 + low);
    i += 2;
    run = i + 1;
  }
  out.append(in.substr(run));
}

// A value in a data: URI in base64 (a 4.0 PHOTO or KEY) is as binary as one
// with ENCODING=b; so is a picture's data: URI in any form, which is no
// text a person reads. The comma must have arrived.
bool IsBinaryDataUri(std::string_view name, std::string_view value) {
  value = Trim(value);
  if (!StartsIgnoringCase(value, "DATA:")) return false;
  const std::size_t comma = value.find(',');
  if (comma == std::string_view::npos) return false;
  if (name == "PHOTO" || name == "LOGO") return true;
  std::string_view media = value.substr(0, comma);
  // An exporter that escapes the comma leaves a backslash before it.
  if (media.ends_with('\\')) media.remove_suffix(1);
  return media.size() >= 7 && SameIgnoringCase(media.substr(media.size() - 7), ";BASE64");
}

// Resolves the escapes of 3.0 and 4.0 (which 2.1 exporters write too): \n
// and \N a line break, \, \; \\ the character, and \: \" which some
// exporters write, the character too; a backslash before anything else
// stays. A CR LF (from quoted-printable) becomes a lone line feed.
void AppendUnescaped(std::string_view s, std::string& out) {
  // Most values have nothing to resolve: two fast searches tell.
  if (s.find('\\') == std::string_view::npos && s.find('\r') == std::string_view::npos) {
    out.append(s);
    return;
  }
  // Text between escapes goes in as runs.
  std::size_t run = 0;
  auto replace = [&](std::size_t at, std::size_t length, std::string_view with) {
    out.append(s.substr(run, at - run));
    out.append(with);
    run = at + length;
  };
  for (std::size_t i = 0; i + 1 < s.size(); ++i) {
    const char c = s[i], next = s[i + 1];
    if (c == '\r' && next == '\n') {
      replace(i, 1, {});
    } else if (c == '\\') {
      if (next == 'n' || next == 'N') replace(i, 2, "\n");
      else if (next == '\\' || next == ',' || next == ';' || next == ':' || next == '"') replace(i, 2, s.substr(i + 1, 1));
      else continue;
      ++i;
    }
  }
  out.append(s.substr(run));
}

// The parts of `s` between unescaped semicolons, each unescaped, in place
// of what `out` held (whose strings are reused).
void SplitComponents(std::string_view s, std::vector<std::string>& out) {
  std::size_t start = 0, count = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (i + 1 < s.size() && s[i] == '\\') {
      ++i;
      continue;
    }
    if (i == s.size() || s[i] == ';') {
      if (count == out.size()) out.emplace_back();
      else out[count].clear();
      AppendUnescaped(s.substr(start, i - start), out[count++]);
      start = i + 1;
    }
  }
  out.resize(count);
}

// "tel:+1-555-0100;ext=12" as a person writes the number:
// "+1-555-0100 ext. 12". Other URI parameters say nothing to a reader.
bool MakeTelUriPlain(std::string& value) {
  const std::string_view uri = Trim(value);
  if (!StartsIgnoringCase(uri, "TEL:")) return false;
  const std::string_view rest = uri.substr(4);
  const std::size_t semicolon = rest.find(';');
  std::string plain(rest.substr(0, semicolon));
  if (semicolon != std::string_view::npos) {
    SplitOutsideQuotes(rest.substr(semicolon + 1), ';', [&](std::string_view parameter) {
      if (StartsIgnoringCase(parameter, "EXT=") && parameter.size() > 4) {
        plain += " ext. ";
        plain += parameter.substr(4);
      }
    });
  }
  value = std::move(plain);
  return true;
}

// One logical line: a physical line with its folded continuations and,
// for a quoted-printable value, the lines its soft line breaks join.
class LogicalLine {
 public:
  // Takes the line at the front of `lines` and everything that continues
  // it. `drop_blank`: 3.0 and 4.0 drop the blank that marks a fold; 2.1
  // keeps it. A binary value is not joined: its pieces go to `decoder`,
  // which decodes them into `bytes` as they come.
  LogicalLine(Lines& lines, bool drop_blank, FileText file, DecodedProperty& property, std::string& buffer,
              BinaryDecoder& decoder, std::string& bytes)
      : first_(lines.Front()), file_(file), buffer_(buffer), decoder_(decoder), bytes_(bytes) {
    lines.Pop();
    Parse(property);
    while (!lines.Empty()) {
      const std::string_view next = lines.Front();
      if (binary_) {
        // A binary value goes on over folded lines, and over lines of
        // base64 alone, which some exporters write without the fold's
        // blank; a blank line (2.1's end of one), or any line with a
        // colon, ends it.
        if (next.empty() || !(IsBlank(next.front()) || IsBase64Line(next))) break;
        decoder_.Feed(next);
        lines.Pop();
        continue;
      }
      // A soft line break joins the next line as it is, before anything
      // else; an END:VCARD line ends the card even after a stray "=".
      if (header_ && header_->quoted_printable && Text().size() > colon_ + 1 && Text().back() == '=' &&
          CardDelimiterOf(next) != Delimiter::End) {
        Own();
        buffer_.pop_back();
        buffer_.append(next);
        lines.Pop();
        continue;
      }
      if (next.empty() || !IsBlank(next.front())) break;
      Own();
      buffer_.append(drop_blank || FoldSplitsCharacter(Text(), next) ? next.substr(1) : next);
      lines.Pop();
      Parse(property);
    }
    // Quotes that never close hide no colon: the first one ends the name.
    if (colon_ == std::string_view::npos && any_colon_ != std::string_view::npos) {
      colon_ = any_colon_;
      header_ = ParseHeader(Text().substr(0, colon_), file_, property);
    }
    // A data: URI whose comma came only with a folded line, read whole.
    if (header_ && !binary_ && IsBinaryDataUri(property.name, Value())) Begin(BinaryDecoder::Form::DataUri);
  }

  std::string_view Text() const { return owned_ ? std::string_view(buffer_) : first_; }
  // Null for a line without a colon or without a name: no property.
  const Header* header() const { return header_ ? &*header_ : nullptr; }
  std::string_view Value() const { return Text().substr(colon_ + 1); }
  // Whether the value is binary: decoded into the bytes, not in Value().
  bool binary() const { return binary_; }

 private:
  // Once the colon is there: whether the value is binary. Base64 is a
  // value of its encoding without a colon (a link is text, whatever the
  // encoding says), and a data: URI tells by itself.
  void Decide(const DecodedProperty& property) {
    const std::string_view value = Value();
    if (header_->base64 && !header_->uri && value.find(':') == std::string_view::npos)
      Begin(BinaryDecoder::Form::Base64);
    else if (IsBinaryDataUri(property.name, value))
      Begin(BinaryDecoder::Form::DataUri);
  }
  void Begin(BinaryDecoder::Form form) {
    binary_ = true;
    decoder_.Start(form, bytes_);
    decoder_.Feed(Value());
  }

  void Own() {
    if (owned_) return;
    buffer_.assign(first_);
    owned_ = true;
  }
  // The name and parameters, once the colon after them has arrived: the
  // first colon outside a quoted parameter value (a 4.0 LABEL may hold
  // one). Only what arrived since the last look is looked at, so a long line
  // folded many times costs no more than once.
  void Parse(DecodedProperty& property) {
    const std::string_view text = Text();
    for (; colon_ == std::string_view::npos && scanned_ < text.size(); ++scanned_) {
      if (text[scanned_] == '"') {
        quoted_ = !quoted_;
      } else if (text[scanned_] == ':') {
        if (any_colon_ == std::string_view::npos) any_colon_ = scanned_;
        if (!quoted_) {
          colon_ = scanned_;
          header_ = ParseHeader(text.substr(0, colon_), file_, property);
          if (header_) Decide(property);
        }
      }
    }
  }

  std::string_view first_;
  FileText file_;
  std::string& buffer_;  // the joined line, once there is more than one
  bool owned_ = false;
  std::size_t scanned_ = 0;
  bool quoted_ = false;
  std::size_t any_colon_ = std::string_view::npos;
  std::size_t colon_ = std::string_view::npos;
  std::optional<Header> header_;
  BinaryDecoder& decoder_;
  std::string& bytes_;
  bool binary_ = false;
};

// Lowest PREF=n of each name among `values` (by index, with their ranks):
// those values get the type "pref".
template <class Value>
void MarkPreferred(const std::vector<std::pair<std::size_t, int>>& ranked, FileText file, std::vector<Value>& values) {
  if (ranked.empty()) return;
  std::map<std::string_view, int> lowest;
  for (const auto& [index, rank] : ranked) {
    auto [it, added] = lowest.emplace(values[index].name, rank);
    if (!added) it->second = std::min(it->second, rank);
  }
  for (const auto& [index, rank] : ranked) {
    Value& v = values[index];
    if (rank == lowest[v.name]) AddType("pref", file, v.types);
  }
}

}  // namespace

void DecodeCard(std::string_view text, FileText file, DecodedCard& out, DecodeScratch& scratch) {
  // The card before left its properties' storage here: each property is
  // decoded into the next one, and those left over go at the end.
  std::size_t used = 0;
  out.version.clear();
  out.binaries.clear();
  AppendText(FindVersion(text), true, file, std::nullopt, out.version);
  const bool drop_blank = !out.version.starts_with("2.");
  // Properties with a PREF=n, by index: the lowest rank of a name is its
  // preferred one.
  std::vector<std::pair<std::size_t, int>> ranked, ranked_binaries;
  std::string& bytes = scratch.bytes;
  std::string& decoded = scratch.decoded;
  bool begun = false;
  for (Lines lines(text); !lines.Empty();) {
    const Delimiter delimiter = CardDelimiterOf(lines.Front());
    if (delimiter == Delimiter::End || (delimiter == Delimiter::Begin && begun)) break;
    begun = true;
    if (used == out.properties.size()) out.properties.emplace_back();
    DecodedProperty& property = out.properties[used];
    property.group.clear();
    property.name.clear();
    property.types.clear();
    property.value.clear();
    const LogicalLine line(lines, drop_blank, file, property, scratch.line, scratch.binary, scratch.binary_bytes);
    const Header* header = line.header();
    if (!header) continue;
    if (property.name == "BEGIN" || property.name == "END" || property.name == "VERSION") continue;
    if (line.binary()) {
      DecodedBinary& binary = out.binaries.emplace_back();
      binary.group = std::move(property.group);
      binary.name = std::move(property.name);
      binary.types = std::move(property.types);
      const BinaryFailure failure = scratch.binary.Finish();
      // The bytes move to the card, which alone holds them.
      binary.bytes = std::move(scratch.binary_bytes);
      scratch.binary_bytes = std::string();
      SettleBinary(scratch.binary.declared(), failure, binary);
      if (header->pref_rank > 0) ranked_binaries.emplace_back(out.binaries.size() - 1, header->pref_rank);
      continue;
    }

    if (property.name == "AGENT" && OpensAgentCard(line.Text()) && !lines.Empty() &&
        CardDelimiterOf(lines.Front()) == Delimiter::Begin) {
      bytes.clear();
      TakeAgentCard(lines, bytes);
      AppendText(bytes, true, file, header->charset, property.value);
      property.components.resize(1);
      property.components[0].assign(property.value);
      ++used;
      continue;
    }

    std::string_view raw = line.Value();
    if (header->quoted_printable) {
      bytes.clear();
      DecodeQuotedPrintable(raw, bytes);
      raw = bytes;
    }
    decoded.clear();
    AppendText(raw, !header->quoted_printable, file, header->charset, decoded);
    AppendUnescaped(decoded, property.value);
    // A value without a semicolon is its one component.
    const bool whole = (property.name == "TEL" && MakeTelUriPlain(property.value)) ||
                       decoded.find(';') == std::string::npos;
    if (whole) {
      property.components.resize(1);
      property.components[0].assign(property.value);
    } else {
      SplitComponents(decoded, property.components);
    }
    if (header->pref_rank > 0) ranked.emplace_back(used, header->pref_rank);
    ++used;
  }
  out.properties.resize(used);
  MarkPreferred(ranked, file, out.properties);
  MarkPreferred(ranked_binaries, file, out.binaries);
}

namespace {

// Which properties each of the keyword reader's fields stands for: the name,
// the types a property must have (all of them) and one it must not have.
struct FieldSource {
  Field field;
  std::string_view name;
  std::string_view needs[2];
  std::string_view excludes;
  bool first_only;  // one value, like the fields the keyword reader replaces
};

constexpr FieldSource kFieldSources[] = {
    {Field::Name, "N", {}, {}, true},
    {Field::FullName, "FN", {}, {}, true},
    {Field::Email, "EMAIL", {}, {}, false},
    {Field::Org, "ORG", {}, {}, true},
    {Field::Rev, "REV", {}, {}, true},
    {Field::Telephone, "TEL", {}, {}, false},
    {Field::Address, "ADR", {}, {}, false},
    {Field::Note, "NOTE", {}, {}, false},
    {Field::Label, "LABEL", {}, {}, false},
    {Field::Title, "TITLE", {}, {}, false},
    {Field::URL, "URL", {}, {}, false},
    {Field::BirthDay, "BDAY", {}, {}, false},
    {Field::NickName, "NICKNAME", {}, {}, false},
    {Field::Role, "ROLE", {}, {}, false},
    {Field::Work_Address, "ADR", {"work"}, {}, false},
    {Field::HomeAddress, "ADR", {"home"}, {}, false},
    {Field::PostalAddress, "ADR", {"postal"}, {}, false},
    {Field::WorkTelephoneVoice, "TEL", {"work"}, "fax", false},
    {Field::WorkTelephoneFax, "TEL", {"work", "fax"}, {}, false},
    {Field::HomeTelephoneFax, "TEL", {"home", "fax"}, {}, false},
    {Field::HomeTelephoneVoice, "TEL", {"home"}, "fax", false},
    {Field::TelephoneCellVoice, "TEL", {"cell"}, {}, false},
    {Field::TelephonePagerVoice, "TEL", {"pager"}, {}, false},
    {Field::TelephoneCarVoice, "TEL", {"car"}, {}, false},
    {Field::TelephoneISDN, "TEL", {"isdn"}, {}, false},
    {Field::TelephonePref, "TEL", {"pref"}, {}, false},
    {Field::TelephoneVoice, "TEL", {"voice"}, {}, false},
    {Field::EmailTelex, "EMAIL", {"tlx"}, {}, false},
    {Field::EmailPrefInternet, "EMAIL", {"pref"}, {}, false},
    {Field::HomeUrl, "URL", {"home"}, {}, false},
    {Field::WorkUrl, "URL", {"work"}, {}, false},
};

bool HasType(const DecodedProperty& p, std::string_view type) {
  return std::find(p.types.begin(), p.types.end(), type) != p.types.end();
}

bool Fits(const DecodedProperty& p, const FieldSource& source) {
  if (p.name != source.name) return false;
  for (std::string_view need : source.needs)
    if (!need.empty() && !HasType(p, need)) return false;
  return source.excludes.empty() || !HasType(p, source.excludes);
}

}  // namespace

void FieldsOfCard(const DecodedCard& card, std::string_view join, ContactRecord& out) {
  out.Clear();
  out.Set(Field::Version, card.version);
  for (const FieldSource& source : kFieldSources) {
    for (const DecodedProperty& p : card.properties) {
      if (!Fits(p, source)) continue;
      out.Append(source.field, p.value, join);
      if (source.first_only) break;
    }
  }
}

}  // namespace tessary::internal
