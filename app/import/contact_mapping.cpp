#include "contact_mapping.h"

namespace pindrel {

namespace {

namespace property = store::property;

constexpr std::wstring_view kCrLf = L"\r\n";
constexpr std::wstring_view kTextJoin = L", ";
constexpr std::wstring_view kHardBreak = L"=0D=0A";

// The lines of a value as the file meant them: split at the reader's
// separator, and a line that ends in a quoted-printable soft line break
// ("=", before its line feed) joined with the next one, its "=" and line
// feed dropped. The reader hands such a continuation over as a piece of its
// own, so the join must come before anything is split or decoded: a
// structured value's later components, or the second half of an "=0D=0A",
// may lie beyond it. Other line feeds stay for the caller.
std::vector<std::wstring> Lines(std::wstring_view value, std::wstring_view separator) {
  std::vector<std::wstring> lines;
  bool continued = false;
  for (;;) {
    std::size_t at = separator.empty() ? std::wstring_view::npos : value.find(separator);
    if (continued) lines.back().append(value.substr(0, at));
    else lines.emplace_back(value.substr(0, at));
    if (at == std::wstring_view::npos) break;
    std::wstring& last = lines.back();
    std::size_t end = last.find_last_not_of(L'\n');
    continued = end != std::wstring::npos && last[end] == L'=';
    if (continued) last.erase(end);
    value.remove_prefix(at + separator.size());
  }
  return lines;
}

// Every "=0D=0A" (upper case only, as the mail clients that encode notes
// write it) turned into a line break.
void DecodeHardBreaks(std::wstring& text) {
  for (std::size_t at = 0; (at = text.find(kHardBreak, at)) != std::wstring::npos; at += kCrLf.size())
    text.replace(at, kHardBreak.size(), kCrLf);
}

// A plain text field: every line cleaned, the lines that keep any text
// joined with ", ".
std::wstring TextValue(std::wstring_view value, std::wstring_view separator, bool trim) {
  std::wstring out;
  for (const std::wstring& line : Lines(value, separator)) {
    std::wstring clean = RemoveLineFeeds(line);
    std::wstring_view kept = trim ? TrimSpaces(clean) : std::wstring_view(clean);
    if (kept.empty()) continue;
    if (!out.empty()) out.append(kTextJoin);
    out.append(kept);
  }
  return out;
}

// The ";"-separated components of a structured value (no escapes; empty
// components kept), numbered from 0.
class Components {
 public:
  explicit Components(std::wstring_view value) {
    for (;;) {
      std::size_t at = value.find(L';');
      parts_.push_back(value.substr(0, at));
      if (at == std::wstring_view::npos) break;
      value.remove_prefix(at + 1);
    }
  }
  std::size_t size() const { return parts_.size(); }
  bool has(std::size_t n) const { return n < parts_.size(); }
  // The component as the file had it, line feed included.
  std::wstring_view raw(std::size_t n) const { return parts_[n]; }

 private:
  std::vector<std::wstring_view> parts_;
};

class Builder {
 public:
  Builder(std::vector<PropertySet>& out) : out_(out) {}
  void Text(std::wstring_view property, std::wstring text) { out_.push_back({property, std::move(text), {}}); }
  // A component, when the value has it; line feeds removed, trimmed when
  // the row asks.
  void Component(std::wstring_view property, const Components& c, std::size_t n, bool trim = false) {
    if (!c.has(n)) return;
    std::wstring clean = RemoveLineFeeds(c.raw(n));
    Text(property, std::wstring(trim ? TrimSpaces(clean) : std::wstring_view(clean)));
  }
  // An address component: a quoted-printable address may carry encoded
  // line breaks, as a note does.
  void AddressPart(std::wstring_view property, const Components& c, std::size_t n, bool trim = false) {
    if (!c.has(n)) return;
    std::wstring clean = RemoveLineFeeds(c.raw(n));
    std::wstring text(trim ? TrimSpaces(clean) : std::wstring_view(clean));
    DecodeHardBreaks(text);
    Text(property, std::move(text));
  }
  void Date(std::wstring_view property, const store::Date& date) { out_.push_back({property, {}, date}); }

 private:
  std::vector<PropertySet>& out_;
};

bool IsDigits(std::wstring_view s) {
  for (wchar_t c : s)
    if (c < L'0' || c > L'9') return false;
  return true;
}

int Number(std::wstring_view digits) {
  int n = 0;
  for (wchar_t c : digits) n = n * 10 + (c - L'0');
  return n;
}

// Nothing, or a time after the date.
bool IsTimeOrEnd(std::wstring_view rest) { return rest.empty() || rest.front() == L'T' || rest.front() == L't'; }

}  // namespace

std::wstring RemoveLineFeeds(std::wstring_view value) {
  std::wstring out;
  out.reserve(value.size());
  for (wchar_t c : value)
    if (c != L'\n') out.push_back(c);
  return out;
}

std::wstring BodyText(std::wstring_view note, std::wstring_view separator) {
  std::wstring out;
  bool first = true;
  for (const std::wstring& line : Lines(note, separator)) {
    if (!first) out.append(kCrLf);
    first = false;
    out.append(RemoveLineFeeds(line));
  }
  DecodeHardBreaks(out);
  return out;
}

std::optional<store::Date> ParseDate(std::wstring_view b) {
  std::wstring_view year, month, day, rest;
  if (b.size() >= 8 && IsDigits(b.substr(0, 8))) {
    year = b.substr(0, 4), month = b.substr(4, 2), day = b.substr(6, 2), rest = b.substr(8);
  } else if (b.size() >= 10 && b[4] == L'-' && b[7] == L'-' && IsDigits(b.substr(0, 4)) &&
             IsDigits(b.substr(5, 2)) && IsDigits(b.substr(8, 2))) {
    year = b.substr(0, 4), month = b.substr(5, 2), day = b.substr(8, 2), rest = b.substr(10);
  } else {
    return std::nullopt;
  }
  if (!IsTimeOrEnd(rest)) return std::nullopt;
  store::Date date{Number(year), Number(month), Number(day)};
  if (!store::IsCalendarDate(date)) return std::nullopt;
  return date;
}

namespace {

// The older reading's fields to their properties, in the order the store
// has always received them.
class KeywordMapper {
 public:
  KeywordMapper(const ContactFields& fields, std::wstring_view separator, std::vector<PropertySet>& out)
      : fields_(fields), separator_(separator), set_(out) {}

  void Map() {
    Name();
    Text(property::FullName, VCardField::FullName, false);
    Text(property::NickName, VCardField::NickName, false);
    Text(property::JobTitle, VCardField::Title, false);
    Org();
    Text(property::BusinessTelephoneNumber, VCardField::WorkTelephoneVoice, true);
    Text(property::BusinessFaxNumber, VCardField::WorkTelephoneFax, true);
    Text(property::HomeTelephoneNumber, VCardField::HomeTelephoneVoice, true);
    Text(property::HomeFaxNumber, VCardField::HomeTelephoneFax, true);
    Text(property::MobileTelephoneNumber, VCardField::TelephoneCellVoice, true);
    Text(property::PagerNumber, VCardField::TelephonePagerVoice, true);
    // The work address's extended address is the office, the home
    // address's has none.
    Address(VCardField::Work_Address,
            {property::OfficeLocation, property::BusinessAddressStreet, property::BusinessAddressCity,
             property::BusinessAddressState, property::BusinessAddressPostalCode, property::BusinessAddressCountry});
    Address(VCardField::HomeAddress, {std::wstring_view(), property::HomeAddressStreet, property::HomeAddressCity,
                                      property::HomeAddressState, property::HomeAddressPostalCode,
                                      property::HomeAddressCountry});
    Text(property::Email1Address, VCardField::EmailPrefInternet, true);
    Text(property::WebPage, VCardField::WorkUrl, true);
    Text(property::Profession, VCardField::Role, true);
    set_.Text(property::Body, BodyText(Raw(VCardField::Note), separator_));
    Birthday();
  }

 private:
  std::wstring_view Raw(VCardField f) const { return FieldOf(fields_, f); }
  void Text(std::wstring_view property, VCardField f, bool trim) {
    set_.Text(property, TextValue(Raw(f), separator_, trim));
  }
  // Structured values and the birthday take the first line of a field that
  // received several.
  std::wstring FirstLine(VCardField f) const { return std::move(Lines(Raw(f), separator_).front()); }

  // N: family; given; additional; prefix; suffix. Exporters that have no
  // prefix or suffix write "0" there, which is not one.
  void Name() {
    if (Raw(VCardField::Name).empty()) return;
    const std::wstring first = FirstLine(VCardField::Name);
    Components n(first);
    set_.Component(property::FirstName, n, 1);
    set_.Component(property::MiddleName, n, 2);
    set_.Component(property::LastName, n, 0);
    if (n.has(3) && n.raw(3) != L"0") set_.Component(property::Title, n, 3);
    if (n.size() > 4 && n.raw(4) != L"0") set_.Component(property::Suffix, n, 4);
  }

  // ORG: organisation; unit.
  void Org() {
    if (Raw(VCardField::Org).empty()) return;
    const std::wstring first = FirstLine(VCardField::Org);
    Components org(first);
    set_.Component(property::CompanyName, org, 0);
    set_.Component(property::Department, org, 1, true);
  }

  // ADR: post office box (unused); extended address; street; locality;
  // region; postal code; country. `homes` are the properties of components
  // 1 to 6.
  void Address(VCardField f, std::array<std::wstring_view, 6> homes) {
    if (Raw(f).empty()) return;
    const std::wstring first = FirstLine(f);
    Components adr(first);
    for (std::size_t part = 2; part <= 6; ++part) set_.AddressPart(homes[part - 1], adr, part, part == 6);
    if (!homes[0].empty()) set_.AddressPart(homes[0], adr, 1);
  }

  void Birthday() {
    std::wstring birthday = RemoveLineFeeds(FirstLine(VCardField::BirthDay));
    std::wstring_view b = TrimSpaces(birthday);
    if (b.empty()) return;
    if (std::optional<store::Date> date = ParseDate(b)) set_.Date(property::Birthday, *date);
  }

  const ContactFields& fields_;
  std::wstring_view separator_;
  Builder set_;
};

}  // namespace

void MapContact(const ContactFields& fields, std::wstring_view separator, std::vector<PropertySet>& out) {
  out.clear();
  KeywordMapper(fields, separator, out).Map();
}

}  // namespace pindrel
