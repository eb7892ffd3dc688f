#include "card_mapping.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>

namespace pindrel {

namespace {

namespace property = store::property;
using Property = std::wstring_view;

constexpr std::wstring_view kCrLf = L"\r\n";
constexpr std::wstring_view kListJoin = L", ";

// The order the store receives the properties in: the names first, as the
// older mapping sets them, then the rest by kind. Dates come last.
constexpr std::array kTextOrder = {
    property::FirstName, property::MiddleName, property::LastName, property::Title, property::Suffix,
    property::FullName, property::NickName, property::Initials, property::JobTitle, property::CompanyName,
    property::Department, property::OfficeLocation, property::Profession, property::ManagerName,
    property::AssistantName, property::Spouse, property::Children,
    property::BusinessTelephoneNumber, property::Business2TelephoneNumber, property::BusinessFaxNumber,
    property::HomeTelephoneNumber, property::Home2TelephoneNumber, property::HomeFaxNumber,
    property::MobileTelephoneNumber, property::PagerNumber, property::OtherTelephoneNumber,
    property::OtherFaxNumber, property::PrimaryTelephoneNumber, property::CarTelephoneNumber,
    property::ISDNNumber, property::AssistantTelephoneNumber, property::CallbackTelephoneNumber,
    property::CompanyMainTelephoneNumber, property::RadioTelephoneNumber, property::TelexNumber,
    property::TTYTDDTelephoneNumber,
    property::BusinessAddressStreet, property::BusinessAddressCity, property::BusinessAddressState,
    property::BusinessAddressPostalCode, property::BusinessAddressCountry, property::BusinessAddressPostOfficeBox,
    property::HomeAddressStreet, property::HomeAddressCity, property::HomeAddressState,
    property::HomeAddressPostalCode, property::HomeAddressCountry, property::HomeAddressPostOfficeBox,
    property::OtherAddressStreet, property::OtherAddressCity, property::OtherAddressState,
    property::OtherAddressPostalCode, property::OtherAddressCountry, property::OtherAddressPostOfficeBox,
    property::Email1Address, property::Email2Address, property::Email3Address, property::IMAddress,
    property::WebPage, property::BusinessHomePage, property::PersonalHomePage, property::Categories,
    property::Body,
};

// Each property's place in kTextOrder, the table built once: the contact
// being built keeps its values by place, so no contact searches by name.
std::size_t SlotOf(Property p) {
  static const std::unordered_map<Property, std::size_t> slots = [] {
    std::unordered_map<Property, std::size_t> table;
    for (std::size_t i = 0; i < kTextOrder.size(); ++i) table.emplace(kTextOrder[i], i);
    return table;
  }();
  return slots.at(p);
}

constexpr std::wstring_view kWhiteSpace = L" \t\r\n";

bool IsSpace(wchar_t c) { return kWhiteSpace.find(c) != std::wstring_view::npos; }

std::wstring_view Trim(std::wstring_view v) { return TrimChars(v, kWhiteSpace); }

// Line breaks of every kind (CR LF, LF, CR) as CR LF, the form Windows text
// and the store's notes use.
std::wstring WindowsLines(std::wstring_view v) {
  std::wstring out;
  out.reserve(v.size());
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] == L'\r' || v[i] == L'\n') {
      if (v[i] == L'\r' && i + 1 < v.size() && v[i + 1] == L'\n') ++i;
      out.append(kCrLf);
    } else {
      out.push_back(v[i]);
    }
  }
  return out;
}

// A value for a one-line property: trimmed, a line break inside it (a
// decoded "\n") written as ", ".
std::wstring OneLine(std::wstring_view v) {
  std::wstring out;
  v = Trim(v);
  out.reserve(v.size());
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] == L'\r' || v[i] == L'\n') {
      while (i + 1 < v.size() && IsSpace(v[i + 1])) ++i;
      out.append(kListJoin);
    } else {
      out.push_back(v[i]);
    }
  }
  return out;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
    auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

bool HasType(const DecodedProperty& p, std::initializer_list<std::wstring_view> any) {
  for (const std::wstring& t : p.types)
    for (std::wstring_view want : any)
      if (t == want) return true;
  return false;
}

std::wstring_view Component(const DecodedProperty& p, std::size_t n) {
  return n < p.components.size() ? std::wstring_view(p.components[n]) : std::wstring_view();
}

bool In(std::wstring_view name, std::initializer_list<std::wstring_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// An Apple-style label: "_$!<Mobile>!$_" is the address book's own word
// for "Mobile"; any other text is the user's own label as written.
std::wstring LabelText(std::wstring_view raw) {
  raw = Trim(raw);
  constexpr std::wstring_view kOpen = L"_$!<", kClose = L">!$_";
  if (raw.starts_with(kOpen) && raw.ends_with(kClose) && raw.size() >= kOpen.size() + kClose.size())
    raw = raw.substr(kOpen.size(), raw.size() - kOpen.size() - kClose.size());
  return OneLine(raw);
}

// Where a kind of value may go, first choice first, and the label it takes
// in the notes when every one is taken.
struct Homes {
  std::wstring_view label;
  std::span<const Property> chain;
};

constexpr Property kWorkPhone[] = {property::BusinessTelephoneNumber, property::Business2TelephoneNumber,
                                   property::OtherTelephoneNumber};
constexpr Property kHomePhone[] = {property::HomeTelephoneNumber, property::Home2TelephoneNumber,
                                   property::OtherTelephoneNumber};
constexpr Property kMobilePhone[] = {property::MobileTelephoneNumber, property::OtherTelephoneNumber};
constexpr Property kOtherPhone[] = {property::OtherTelephoneNumber, property::Home2TelephoneNumber,
                                    property::Business2TelephoneNumber};
constexpr Property kWorkFax[] = {property::BusinessFaxNumber, property::OtherFaxNumber};
constexpr Property kHomeFax[] = {property::HomeFaxNumber, property::OtherFaxNumber};
constexpr Property kOtherFax[] = {property::OtherFaxNumber};
constexpr Property kPager[] = {property::PagerNumber};
constexpr Property kCar[] = {property::CarTelephoneNumber};
constexpr Property kIsdn[] = {property::ISDNNumber};
constexpr Property kCompanyMain[] = {property::CompanyMainTelephoneNumber};
constexpr Property kAssistant[] = {property::AssistantTelephoneNumber};
constexpr Property kCallback[] = {property::CallbackTelephoneNumber};
constexpr Property kRadio[] = {property::RadioTelephoneNumber};
constexpr Property kTelex[] = {property::TelexNumber};
constexpr Property kTty[] = {property::TTYTDDTelephoneNumber};
constexpr Property kPrimary[] = {property::PrimaryTelephoneNumber};

// The homes of a telephone number by its types. A number's kind (fax,
// mobile, pager, ...) decides before its place (work, home); "voice", "msg"
// and the like say nothing about where it belongs.
Homes PhoneHomes(const DecodedProperty& p) {
  const bool work = HasType(p, {L"work"}), home = HasType(p, {L"home"});
  if (HasType(p, {L"fax"})) {
    if (work) return {L"Work fax", kWorkFax};
    if (home) return {L"Home fax", kHomeFax};
    return {L"Fax", kOtherFax};
  }
  if (HasType(p, {L"cell", L"mobile", L"iphone"})) return {L"Mobile phone", kMobilePhone};
  if (HasType(p, {L"pager"})) return {L"Pager", kPager};
  if (HasType(p, {L"car"})) return {L"Car phone", kCar};
  if (HasType(p, {L"isdn"})) return {L"ISDN", kIsdn};
  if (HasType(p, {L"main", L"company", L"x-company"})) return {L"Company main phone", kCompanyMain};
  if (HasType(p, {L"assistant", L"x-assistant"})) return {L"Assistant's phone", kAssistant};
  if (HasType(p, {L"callback", L"x-callback"})) return {L"Callback", kCallback};
  if (HasType(p, {L"radio", L"x-radio"})) return {L"Radio phone", kRadio};
  if (HasType(p, {L"tlx", L"telex", L"x-telex"})) return {L"Telex", kTelex};
  if (HasType(p, {L"textphone", L"tty", L"tdd", L"ttytdd", L"x-ttytdd"})) return {L"TTY/TDD phone", kTty};
  if (work) return {L"Work phone", kWorkPhone};
  if (home) return {L"Home phone", kHomePhone};
  return {L"Other phone", kOtherPhone};
}

struct AddressHomes {
  std::wstring_view label;
  // Post office box, street, city, state, postal code, country.
  std::array<Property, 6> parts;
};

constexpr AddressHomes kBusinessAddress{
    L"Work address",
    {property::BusinessAddressPostOfficeBox, property::BusinessAddressStreet, property::BusinessAddressCity,
     property::BusinessAddressState, property::BusinessAddressPostalCode, property::BusinessAddressCountry}};
constexpr AddressHomes kHomeAddress{
    L"Home address",
    {property::HomeAddressPostOfficeBox, property::HomeAddressStreet, property::HomeAddressCity,
     property::HomeAddressState, property::HomeAddressPostalCode, property::HomeAddressCountry}};
constexpr AddressHomes kOtherAddress{
    L"Address",
    {property::OtherAddressPostOfficeBox, property::OtherAddressStreet, property::OtherAddressCity,
     property::OtherAddressState, property::OtherAddressPostalCode, property::OtherAddressCountry}};

// Instant-messaging handles: the standard property and the ones address
// books wrote before it.
bool IsInstantMessaging(std::wstring_view name) {
  return In(name, {L"IMPP", L"X-AIM", L"X-ICQ", L"X-JABBER", L"X-MSN", L"X-YAHOO", L"X-SKYPE", L"X-SKYPE-USERNAME",
                   L"X-GOOGLE-TALK", L"X-GTALK", L"X-QQ", L"X-GADUGADU", L"X-GROUPWISE", L"X-MS-IMADDRESS"});
}

// People related to the contact, by the names address books write them
// under (the local store writes the short X- forms).
struct Relation {
  std::wstring_view label;
  Property property;
  bool list;  // several names join into one property
};
constexpr Relation kSpouse{L"Spouse", property::Spouse, false};
constexpr Relation kChildren{L"Children", property::Children, true};
constexpr Relation kManager{L"Manager", property::ManagerName, false};
constexpr Relation kAssistantName{L"Assistant", property::AssistantName, false};

std::optional<Relation> RelationByName(std::wstring_view name) {
  if (In(name, {L"X-SPOUSE", L"X-EVOLUTION-SPOUSE", L"X-KADDRESSBOOK-X-SPOUSESNAME"})) return kSpouse;
  if (In(name, {L"X-CHILDREN", L"X-CHILD"})) return kChildren;
  if (In(name, {L"X-MANAGER", L"X-EVOLUTION-MANAGER", L"X-KADDRESSBOOK-X-MANAGERSNAME"})) return kManager;
  if (In(name, {L"X-ASSISTANT", L"X-EVOLUTION-ASSISTANT", L"X-KADDRESSBOOK-X-ASSISTANTSNAME"}))
    return kAssistantName;
  return std::nullopt;
}

std::optional<Relation> RelationByWord(std::wstring_view word) {
  for (std::wstring_view w : {L"spouse", L"partner", L"husband", L"wife"})
    if (EqualsNoCase(word, w)) return kSpouse;
  for (std::wstring_view w : {L"child", L"children", L"son", L"daughter"})
    if (EqualsNoCase(word, w)) return kChildren;
  if (EqualsNoCase(word, L"manager")) return kManager;
  if (EqualsNoCase(word, L"assistant")) return kAssistantName;
  return std::nullopt;
}

// The contact being built.
class Contact {
 public:
  bool Free(Property p) const { return !taken_[SlotOf(p)]; }
  void Put(Property p, std::wstring value) {
    const std::size_t slot = SlotOf(p);
    text_[slot] = std::move(value);
    taken_[slot] = true;
  }

  // Into the first free home, taking `value`; false (and `value` left as
  // it was) when every one is taken.
  bool PutFirstFree(std::span<const Property> chain, std::wstring& value) {
    for (Property p : chain)
      if (Free(p)) {
        Put(p, std::move(value));
        return true;
      }
    return false;
  }
  // Into the first free home, else into the notes.
  void PutOrNote(const Homes& homes, std::wstring value, std::wstring_view label) {
    if (!PutFirstFree(homes.chain, value)) Note(label.empty() ? homes.label : label, value);
  }
  // One more item of a property that holds a list.
  void AddToList(Property p, std::wstring_view item) {
    const std::size_t slot = SlotOf(p);
    taken_[slot] = true;
    std::wstring& list = text_[slot];
    if (!list.empty()) list.append(kListJoin);
    list.append(item);
  }
  void AddNote(std::wstring note) { notes_.push_back(std::move(note)); }
  void Note(std::wstring_view label, std::wstring_view value) {
    overflow_.push_back(std::wstring(label) + L": " + std::wstring(value));
  }
  // A date property: the first full date is kept as a date; a date without
  // a year (the store needs a whole date, and inventing a year would store
  // a wrong one), any other text, or a second date goes to the notes as
  // written.
  void Date(std::optional<store::Date>& slot, std::wstring_view text, std::wstring_view label) {
    const std::wstring value = OneLine(text);
    if (value.empty()) return;
    std::optional<store::Date> date = ParseDate(value);
    if (date && !slot) slot = date;
    else Note(label, value);
  }

  std::optional<store::Date> birthday, anniversary;

  void Finish(CardMapping& out) {
    // The card's own notes first, each on its lines; what had no home of
    // its own follows after an empty line, one value a line.
    std::wstring body;
    for (const std::wstring& note : notes_) {
      if (!body.empty()) body.append(kCrLf);
      body.append(note);
    }
    if (!overflow_.empty() && !body.empty()) body.append(kCrLf).append(kCrLf);
    for (std::size_t i = 0; i < overflow_.size(); ++i) {
      if (i > 0) body.append(kCrLf);
      body.append(overflow_[i]);
    }
    if (!body.empty()) Put(property::Body, std::move(body));
    out.noted = static_cast<int>(overflow_.size());

    for (std::size_t slot = 0; slot < kTextOrder.size(); ++slot)
      if (taken_[slot]) out.sets.push_back({kTextOrder[slot], std::move(text_[slot]), {}});
    if (birthday) out.sets.push_back({property::Birthday, {}, birthday});
    if (anniversary) out.sets.push_back({property::Anniversary, {}, anniversary});
  }

 private:
  // By place in kTextOrder; a place is taken even by an empty list.
  std::array<std::wstring, kTextOrder.size()> text_;
  std::array<bool, kTextOrder.size()> taken_{};
  std::vector<std::wstring> notes_;
  std::vector<std::wstring> overflow_;
};

// One of N's parts (family name; given; additional; prefix; suffix) as a
// property holds it. Exporters that have no prefix or suffix write "0".
std::wstring NamePart(const DecodedProperty& n, std::size_t part) {
  std::wstring v = OneLine(Component(n, part));
  if ((part == 3 || part == 4) && v == L"0") v.clear();
  return v;
}

// The full name from N's parts when the card has no FN: prefix, given,
// additional names, family name, suffix.
std::wstring NameFromParts(const DecodedProperty& n) {
  std::wstring name;
  for (std::size_t part : {3, 1, 2, 0, 4}) {
    const std::wstring v = NamePart(n, part);
    if (v.empty()) continue;
    if (!name.empty()) name.push_back(L' ');
    name.append(v);
  }
  return name;
}

// An address as one line of the notes.
std::wstring AddressLine(const std::array<std::wstring, 6>& parts) {
  std::wstring line;
  for (const std::wstring& part : parts) {
    if (part.empty()) continue;
    if (!line.empty()) line.append(kListJoin);
    line.append(OneLine(part));
  }
  return line;
}

class Mapper {
 public:
  explicit Mapper(const DecodedCard& card) : card_(card) {
    // Apple-style labels name the property of their own group.
    for (const DecodedProperty& p : card)
      if (p.name == L"X-ABLABEL" && !p.group.empty()) labels_.emplace(p.group, LabelText(p.value));
  }

  void Map(CardMapping& out) {
    for (const DecodedProperty& p : card_) One(p);
    Emails();
    Names();
    contact_.Finish(out);
  }

 private:
  std::wstring_view LabelOf(const DecodedProperty& p) const {
    if (p.group.empty()) return {};
    auto it = labels_.find(p.group);
    return it == labels_.end() ? std::wstring_view() : std::wstring_view(it->second);
  }

  void One(const DecodedProperty& p) {
    const std::wstring_view name = p.name;
    if (name == L"N") {
      if (!n_) n_ = &p;
    } else if (name == L"FN") {
      std::wstring full = OneLine(p.value);
      if (full.empty()) return;
      if (full_name_.empty()) full_name_ = std::move(full);
      else if (full != full_name_) contact_.Note(L"Name", full);
    } else if (name == L"NICKNAME") {
      List(property::NickName, p.value);
    } else if (name == L"TITLE") {
      List(property::JobTitle, p.value);
    } else if (name == L"ROLE") {
      List(property::Profession, p.value);
    } else if (name == L"ORG") {
      Org(p);
    } else if (name == L"TEL") {
      Phone(p);
    } else if (name == L"EMAIL") {
      const std::wstring address = OneLine(p.value);
      if (!address.empty()) emails_.push_back({address, HasType(p, {L"pref"}), std::wstring(LabelOf(p))});
    } else if (name == L"ADR") {
      Address(p);
    } else if (name == L"URL") {
      Url(p);
    } else if (name == L"CATEGORIES") {
      // One list, items separated by commas; several lines add up.
      for (std::wstring_view rest = p.value;;) {
        std::size_t comma = rest.find(L',');
        std::wstring item = OneLine(rest.substr(0, comma));
        if (!item.empty()) contact_.AddToList(property::Categories, item);
        if (comma == std::wstring_view::npos) break;
        rest.remove_prefix(comma + 1);
      }
    } else if (name == L"NOTE") {
      std::wstring_view note = p.value;
      // Line breaks at its end only: blanks may be the note's own layout.
      while (!note.empty() && (note.back() == L'\n' || note.back() == L'\r')) note.remove_suffix(1);
      if (Trim(note).empty()) return;
      contact_.AddNote(WindowsLines(note));
    } else if (name == L"BDAY") {
      contact_.Date(contact_.birthday, p.value, Labelled(p, L"Birthday"));
    } else if (In(name, {L"ANNIVERSARY", L"X-ANNIVERSARY", L"X-EVOLUTION-ANNIVERSARY",
                         L"X-KADDRESSBOOK-X-ANNIVERSARY"})) {
      contact_.Date(contact_.anniversary, p.value, Labelled(p, L"Anniversary"));
    } else if (name == L"X-ABDATE") {
      // Apple's dates say what they are in their label only.
      if (EqualsNoCase(LabelOf(p), L"Anniversary")) contact_.Date(contact_.anniversary, p.value, L"Anniversary");
      else if (std::wstring date = OneLine(p.value); !date.empty()) contact_.Note(Labelled(p, L"Date"), date);
    } else if (name == L"X-ANDROID-CUSTOM") {
      AndroidCustom(p);
    } else if (IsInstantMessaging(name)) {
      static constexpr Property kIm[] = {property::IMAddress};
      std::wstring handle = OneLine(p.value);
      if (!handle.empty()) contact_.PutOrNote({L"IM", kIm}, std::move(handle), LabelOf(p));
    } else if (In(name, {L"X-OFFICE", L"X-KADDRESSBOOK-X-OFFICE"})) {
      Single(property::OfficeLocation, p, L"Office");
    } else if (name == L"X-INITIALS") {
      Single(property::Initials, p, L"Initials");
    } else if (std::optional<Relation> r = RelationByName(name)) {
      Related(*r, p);
    } else if (name == L"RELATED" || name == L"X-ABRELATEDNAMES") {
      // 4.0 names the relation in its type, the Apple form in its label.
      std::optional<Relation> r;
      for (const std::wstring& t : p.types)
        if (!r) r = RelationByWord(t);
      if (!r) r = RelationByWord(LabelOf(p));
      if (r) Related(*r, p);
      else if (std::wstring who = OneLine(p.value); !who.empty()) contact_.Note(Labelled(p, L"Related"), who);
    }
    // Anything else has no home: photos, keys, sounds, time zones,
    // positions, identifiers, and the address books' own bookkeeping.
  }

  std::wstring_view Labelled(const DecodedProperty& p, std::wstring_view otherwise) const {
    std::wstring_view label = LabelOf(p);
    return label.empty() ? otherwise : label;
  }

  void List(Property property, std::wstring_view value) {
    std::wstring item = OneLine(value);
    if (!item.empty()) contact_.AddToList(property, item);
  }

  void Single(Property property, const DecodedProperty& p, std::wstring_view label) {
    const Property chain[] = {property};
    std::wstring value = OneLine(p.value);
    if (!value.empty()) contact_.PutOrNote({label, chain}, std::move(value), LabelOf(p));
  }

  void Related(const Relation& r, const DecodedProperty& p) { Related(r, p.value, LabelOf(p)); }
  void Related(const Relation& r, std::wstring_view who, std::wstring_view label) {
    std::wstring name = OneLine(who);
    if (name.empty()) return;
    if (r.list) {
      contact_.AddToList(r.property, name);
      return;
    }
    const Property chain[] = {r.property};
    contact_.PutOrNote({r.label, chain}, std::move(name), label);
  }

  // One phone maker's own property: a kind of data, then its fields
  // ("vnd.android.cursor.item/nickname;Bob;..."). The kinds the contact has
  // a home for are the nickname, related people and dates; the kind's
  // number says which relation or date it is.
  void AndroidCustom(const DecodedProperty& p) {
    const std::wstring_view kind = Component(p, 0), data = Component(p, 1), code = Component(p, 2);
    if (kind == L"vnd.android.cursor.item/nickname") {
      List(property::NickName, data);
    } else if (kind == L"vnd.android.cursor.item/relation") {
      const std::optional<Relation> r = code == L"14" || code == L"10" || code == L"4" ? kSpouse
                                        : code == L"3"                                  ? kChildren
                                        : code == L"7"                                  ? kManager
                                        : code == L"1" ? std::optional<Relation>(kAssistantName)
                                                       : std::nullopt;
      if (r) Related(*r, data, {});
      else if (std::wstring who = OneLine(data); !who.empty()) contact_.Note(L"Related", who);
    } else if (kind == L"vnd.android.cursor.item/contact_event") {
      if (code == L"1") contact_.Date(contact_.anniversary, data, L"Anniversary");
      else if (code == L"3") contact_.Date(contact_.birthday, data, L"Birthday");
      else if (std::wstring date = OneLine(data); !date.empty()) contact_.Note(L"Date", date);
    }
  }

  // ORG: the organisation, then its units from the largest down. The first
  // card's organisation is the company; a second one goes to the notes.
  void Org(const DecodedProperty& p) {
    std::wstring company = OneLine(Component(p, 0));
    std::wstring units;
    for (std::size_t i = 1; i < p.components.size(); ++i) {
      std::wstring unit = OneLine(p.components[i]);
      if (unit.empty()) continue;
      if (!units.empty()) units.append(kListJoin);
      units.append(unit);
    }
    if (company.empty() && units.empty()) return;
    if (contact_.Free(property::CompanyName) && contact_.Free(property::Department)) {
      if (!company.empty()) contact_.Put(property::CompanyName, std::move(company));
      if (!units.empty()) contact_.Put(property::Department, std::move(units));
      return;
    }
    if (!company.empty() && !units.empty()) company.append(kListJoin);
    contact_.Note(Labelled(p, L"Company"), company + units);
  }

  void Phone(const DecodedProperty& p) {
    std::wstring number = OneLine(p.value);
    if (number.empty()) return;
    const Homes homes = PhoneHomes(p);
    const bool preferred = HasType(p, {L"pref"});
    // A preferred number that says nothing else about itself (neither kind
    // nor place) is the contact's primary number; any other preferred
    // number is also the primary one when there is none yet.
    const bool untyped = homes.chain.data() == std::data(kOtherPhone);
    if (preferred && untyped && contact_.Free(property::PrimaryTelephoneNumber)) {
      contact_.Put(property::PrimaryTelephoneNumber, number);
      return;
    }
    if (!preferred) {
      contact_.PutOrNote(homes, std::move(number), LabelOf(p));
      return;
    }
    contact_.PutOrNote(homes, number, LabelOf(p));
    contact_.PutFirstFree(kPrimary, number);
  }

  void Address(const DecodedProperty& p) {
    // Post office box; extended address; street; locality; region; postal
    // code; country. The extended address (an apartment, a suite, a "c/o")
    // is the street's second line.
    std::array<std::wstring, 6> parts;
    parts[0] = OneLine(Component(p, 0));
    std::wstring_view extended = Trim(Component(p, 1)), street = Trim(Component(p, 2));
    parts[1] = WindowsLines(street);
    if (!extended.empty()) {
      if (!parts[1].empty()) parts[1].append(kCrLf);
      parts[1].append(WindowsLines(extended));
    }
    for (std::size_t i = 3; i < 7; ++i) parts[i - 1] = OneLine(Component(p, i));
    if (std::all_of(parts.begin(), parts.end(), [](const std::wstring& s) { return s.empty(); })) return;

    const AddressHomes& own = HasType(p, {L"work"})   ? kBusinessAddress
                              : HasType(p, {L"home"}) ? kHomeAddress
                                                      : kOtherAddress;
    for (const AddressHomes* homes : {&own, &kOtherAddress}) {
      if (!std::all_of(homes->parts.begin(), homes->parts.end(), [&](Property h) { return contact_.Free(h); }))
        continue;
      for (std::size_t i = 0; i < parts.size(); ++i)
        if (!parts[i].empty()) contact_.Put(homes->parts[i], std::move(parts[i]));
      return;
    }
    contact_.Note(Labelled(p, own.label), AddressLine(parts));
  }

  void Url(const DecodedProperty& p) {
    static constexpr Property kWork[] = {property::BusinessHomePage, property::WebPage};
    static constexpr Property kHome[] = {property::PersonalHomePage, property::WebPage};
    static constexpr Property kOther[] = {property::WebPage};
    std::wstring url = OneLine(p.value);
    if (url.empty()) return;
    std::span<const Property> chain = HasType(p, {L"work"})   ? std::span<const Property>(kWork)
                                      : HasType(p, {L"home"}) ? std::span<const Property>(kHome)
                                                              : std::span<const Property>(kOther);
    contact_.PutOrNote({L"Web page", chain}, std::move(url), LabelOf(p));
  }

  // Up to three addresses, the preferred ones first, each once.
  void Emails() {
    static constexpr Property kEmail[] = {property::Email1Address, property::Email2Address,
                                          property::Email3Address};
    std::stable_partition(emails_.begin(), emails_.end(), [](const Email& e) { return e.preferred; });
    std::vector<std::wstring_view> taken;
    for (const Email& e : emails_) {
      if (std::find(taken.begin(), taken.end(), e.address) != taken.end()) continue;
      taken.push_back(e.address);
      contact_.PutOrNote({L"E-mail", kEmail}, e.address, e.label);
    }
  }

  // N's parts as the older mapping sets them; FN is the full name, else
  // one is made of N's parts, else the card has none.
  void Names() {
    if (n_) {
      auto part = [&](Property property, std::size_t n) {
        if (std::wstring v = NamePart(*n_, n); !v.empty()) contact_.Put(property, std::move(v));
      };
      part(property::FirstName, 1);
      part(property::MiddleName, 2);
      part(property::LastName, 0);
      part(property::Title, 3);
      part(property::Suffix, 4);
    }
    std::wstring full = std::move(full_name_);
    if (full.empty() && n_) full = NameFromParts(*n_);
    if (full.empty()) full = kNoName;
    contact_.Put(property::FullName, std::move(full));
  }

  struct Email {
    std::wstring address;
    bool preferred;
    std::wstring label;
  };

  const DecodedCard& card_;
  std::map<std::wstring, std::wstring, std::less<>> labels_;
  Contact contact_;
  const DecodedProperty* n_ = nullptr;
  std::wstring full_name_;
  std::vector<Email> emails_;
};

}  // namespace

void MapCard(const DecodedCard& card, CardMapping& out) {
  out.sets.clear();
  out.noted = 0;
  Mapper(card).Map(out);
}

}  // namespace pindrel
