#include "plain_reader.h"

#include <cstdint>

namespace tessary_test {
namespace {

// The keyword table: name, field (record order, 1-based; 0 for BEGIN and
// END) and whether the field is replaced rather than appended.
struct Row {
  const char* name;
  int field;
  bool replace;
};
const Row kTable[] = {
    {"BEGIN", 0, false}, {"END", 0, false}, {"N", 1, true}, {"FN", 2, true}, {"VERSION", 5, true},
    {"ORG", 4, true}, {"REV", 6, true}, {"NOTE", 9, false}, {"NOTE;ENCODING=QUOTED-PRINTABLE", 9, false},
    {"URL", 12, false}, {"BDAY", 13, false}, {"NICKNAME", 14, false}, {"ROLE", 15, false},
    {"EMAIL", 3, false}, {"TEL", 7, false}, {"ADR", 8, false}, {"ADR;Work", 16, false},
    {"ADR;Home", 17, false}, {"ADR;HOME;ENCODING=QUOTED-PRINTABLE", 17, false}, {"ADR;POSTAL", 18, false},
    {"TITLE", 11, false}, {"LABEL", 10, false}, {"TEL;WORK;VOICE", 19, false}, {"TEL;WORK", 19, false},
    {"TEL;WORK;FAX", 20, false}, {"TEL;HOME;VOICE", 22, false}, {"TEL;HOME", 22, false},
    {"TEL;HOME;FAX", 21, false}, {"TEL;CELL;VOICE", 23, false}, {"TEL;CELL", 23, false},
    {"TEL;PAGER;VOICE", 24, false}, {"TEL;PAGER", 24, false}, {"TEL;CAR;VOICE", 25, false},
    {"TEL;CAR", 25, false}, {"TEL;ISDN", 26, false}, {"TEL;PREF", 27, false}, {"TEL;VOICE", 28, false},
    {"EMAIL;TLX", 29, false}, {"EMAIL;PREF;INTERNET", 30, false}, {"EMAIL;WORK;PREF;INTERNET", 30, false},
    {"URL;HOME", 31, false}, {"URL;WORK", 32, false},
};
// Base-name lines, in their order, all appended.
const Row kBaseNames[] = {{"EMAIL", 3, false}, {"TEL", 7, false}, {"ADR", 8, false}, {"LABEL", 10, false},
                          {"NOTE", 9, false}, {"TITLE", 11, false}, {"URL", 12, false}};

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

template <std::size_t N>
const Row* Find(const Row (&table)[N], std::string_view name) {
  for (const Row& row : table)
    if (SameName(row.name, name)) return &row;
  return nullptr;
}

// Valid UTF-8 by decoding: each sequence must give a code point that needs
// exactly its length, is at most U+10FFFF and is not a surrogate.
bool ValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > s.size()) return false;
    std::uint32_t cp = length == 1 ? c : c & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      const auto d = static_cast<unsigned char>(s[i + k]);
      if ((d >> 6) != 2) return false;
      cp = cp << 6 | (d & 0x3F);
    }
    const std::uint32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < shortest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

}  // namespace

PlainResult PlainRead(std::string_view file, std::string_view separator, std::string_view join_utf8) {
  PlainResult result;
  bool bom = file.substr(0, 3) == "\xEF\xBB\xBF";
  if (bom) file.remove_prefix(3);
  bool non_ascii = false;
  for (char c : file) non_ascii |= static_cast<unsigned char>(c) >= 0x80;
  result.utf8 = bom || (non_ascii && ValidUtf8(file));
  const std::string join(result.utf8 ? join_utf8 : separator);

  std::shared_ptr<PlainContact> current;
  std::string previous;  // the last non-empty property name
  while (!file.empty()) {
    // One line, as text mode reads it: CR LF becomes LF.
    std::size_t end = file.find('\n');
    std::string line(file.substr(0, end == std::string_view::npos ? file.size() : end + 1));
    file.remove_prefix(line.size());
    if (line.size() >= 2 && line.ends_with("\r\n")) line.erase(line.size() - 2, 1);
    // A byte order mark starts a line where a joined file began.
    if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);

    std::size_t colon = line.find(':');
    std::size_t sep = line.find(separator);
    bool base_name = colon != std::string::npos && sep < colon;
    std::string name = line.substr(0, base_name ? sep : colon == std::string::npos ? 0 : colon);
    std::string value = base_name ? line.substr(sep + 1) : colon == std::string::npos ? line : line.substr(colon + 1);
    bool named = !name.empty();
    if (named) previous = name;
    const Row* row = base_name ? Find(kBaseNames, previous) : Find(kTable, previous);
    if (!row) continue;
    if (row->field == 0) {
      // BEGIN and END act only on a line that names them.
      if (!named || base_name) continue;
      if (SameName(row->name, "BEGIN")) current = std::make_shared<PlainContact>();
      else if (current) result.list.push_back(current);
      continue;
    }
    if (!current) continue;
    std::string& field = current->fields[std::size_t(row->field - 1)];
    if (row->replace) field = value;
    else field = field.empty() ? value : field + join + value;
  }
  return result;
}

}  // namespace tessary_test
