#include "card_mapping.h"

#include <algorithm>
#include <array>
#include <map>
#include <string>

#include "card_text.h"
#include "contact_builder.h"
#include "exporter_vocabulary.h"
#include "phone_routing.h"

namespace pindrel {

namespace {

namespace schema = contact_schema;
using card_text::Component;
using card_text::HasType;
using card_text::OneLine;
using card_text::Trim;
using Id = schema::Id;
using vocabulary::Relation;

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
std::wstring AddressLine(const std::array<std::wstring, 7>& parts) {
  std::wstring line;
  for (const std::wstring& part : parts) {
    if (part.empty()) continue;
    if (!line.empty()) line.append(card_text::kListJoin);
    line.append(OneLine(part));
  }
  return line;
}

// The word a binary value is named by in the notes.
std::wstring_view BinaryLabel(std::wstring_view name) {
  if (name == L"PHOTO") return L"Photo";
  if (name == L"LOGO") return L"Logo";
  if (name == L"SOUND") return L"Sound";
  if (name == L"KEY") return L"Key";
  return name;
}

bool Preferred(const DecodedBinary& b) {
  return std::find(b.types.begin(), b.types.end(), L"pref") != b.types.end();
}

class Mapper {
 public:
  explicit Mapper(const DecodedCard& card) : card_(card) {
    // Apple-style labels name the property of their own group.
    for (const DecodedProperty& p : card)
      if (p.name == L"X-ABLABEL" && !p.group.empty()) labels_.emplace(p.group, vocabulary::LabelText(p.value));
  }

  void Map(std::vector<DecodedBinary>& binaries, CardMapping& out) {
    for (const DecodedProperty& p : card_) One(p);
    Emails();
    Names();
    Binaries(binaries, out);
    out.noted = contact_.Finish(out.sets);
  }

 private:
  using Handler = void (Mapper::*)(const DecodedProperty&);

  // The standard's properties and the exporters' own ones, by name.
  static Handler HandlerOf(std::wstring_view name) {
    static const std::map<std::wstring_view, Handler> kHandlers = {
        {L"N", &Mapper::N},
        {L"FN", &Mapper::FullName},
        {L"NICKNAME", &Mapper::ListOf<Id::NickName>},
        {L"TITLE", &Mapper::ListOf<Id::JobTitle>},
        {L"ROLE", &Mapper::ListOf<Id::Profession>},
        {L"ORG", &Mapper::Org},
        {L"TEL", &Mapper::Phone},
        {L"EMAIL", &Mapper::Email},
        {L"ADR", &Mapper::Address},
        {L"URL", &Mapper::Url},
        {L"CATEGORIES", &Mapper::Categories},
        {L"NOTE", &Mapper::Note},
        {L"BDAY", &Mapper::Birthday},
        {L"X-ABDATE", &Mapper::AppleDate},
        {L"X-ANDROID-CUSTOM", &Mapper::AndroidCustom},
        {L"X-INITIALS", &Mapper::Initials},
        {L"RELATED", &Mapper::RelatedByType},
        {L"PHOTO", &Mapper::Link},
        {L"LOGO", &Mapper::Link},
        {L"X-ABRELATEDNAMES", &Mapper::RelatedByType},
    };
    auto it = kHandlers.find(name);
    if (it != kHandlers.end()) return it->second;
    if (vocabulary::IsAnniversary(name)) return &Mapper::Anniversary;
    if (vocabulary::IsInstantMessaging(name)) return &Mapper::InstantMessaging;
    if (vocabulary::IsOffice(name)) return &Mapper::Office;
    if (vocabulary::RelationByName(name)) return &Mapper::RelatedByName;
    return nullptr;
  }

  // Anything without a handler has no home: photos, keys, sounds, time
  // zones, positions, identifiers, and the address books' own bookkeeping.
  void One(const DecodedProperty& p) {
    if (Handler h = HandlerOf(p.name)) (this->*h)(p);
  }

  std::wstring_view LabelOf(const DecodedProperty& p) const {
    if (p.group.empty()) return {};
    auto it = labels_.find(p.group);
    return it == labels_.end() ? std::wstring_view() : std::wstring_view(it->second);
  }

  std::wstring_view Labelled(const DecodedProperty& p, std::wstring_view otherwise) const {
    std::wstring_view label = LabelOf(p);
    return label.empty() ? otherwise : label;
  }

  // A picture or logo given as a link: never fetched, kept in the notes.
  // (A data: URI is the picture itself; the reader hands it out as a
  // binary value.)
  void Link(const DecodedProperty& p) {
    std::wstring url = OneLine(p.value);
    if (url.empty() || card_text::EqualsNoCase(std::wstring_view(url).substr(0, 5), L"data:")) return;
    contact_.notes().Overflow(BinaryLabel(p.name), url);
  }

  // The card's binary values. The preferred photo, else the first with any
  // bytes, becomes the contact's picture; a photo none of which could be
  // read is the picture's failure; every other value (logos, sounds, keys,
  // further photos) is named in the notes, so the user knows it was not
  // imported.
  void Binaries(std::vector<DecodedBinary>& binaries, CardMapping& out) {
    DecodedBinary* chosen = nullptr;
    for (DecodedBinary& b : binaries)
      if (b.name == L"PHOTO" && !b.bytes.empty() && (!chosen || (Preferred(b) && !Preferred(*chosen)))) chosen = &b;
    for (DecodedBinary& b : binaries) {
      if (&b == chosen) continue;
      if (b.bytes.empty() && b.name == L"PHOTO" && !chosen && out.picture_failure.empty()) {
        out.picture_failure = b.failure.empty() ? std::wstring(L"it holds no picture") : b.failure;
        continue;
      }
      const std::wstring what = b.bytes.empty() ? b.failure : b.media_type + L", " +
                                                                 card_text::Grouped(b.bytes.size()) + L" bytes";
      contact_.notes().Overflow(BinaryLabel(b.name), what + L" not imported");
    }
    if (chosen) out.picture = CardPicture{chosen->media_type, std::move(chosen->bytes)};
  }

  void N(const DecodedProperty& p) {
    if (!n_) n_ = &p;
  }

  void FullName(const DecodedProperty& p) {
    std::wstring full = OneLine(p.value);
    if (full.empty()) return;
    if (full_name_.empty()) full_name_ = std::move(full);
    else if (full != full_name_) contact_.notes().Overflow(L"Name", full);
  }

  void List(Id property, std::wstring_view value) {
    std::wstring item = OneLine(value);
    if (!item.empty()) contact_.AddToList(property, item);
  }
  template <Id property>
  void ListOf(const DecodedProperty& p) {
    List(property, p.value);
  }

  void Categories(const DecodedProperty& p) {
    // One list, items separated by commas; several lines add up.
    for (std::wstring_view rest = p.value;;) {
      std::size_t comma = rest.find(L',');
      List(Id::Categories, rest.substr(0, comma));
      if (comma == std::wstring_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
  }

  void Note(const DecodedProperty& p) {
    std::wstring_view note = p.value;
    // Line breaks at its end only: blanks may be the note's own layout.
    while (!note.empty() && (note.back() == L'\n' || note.back() == L'\r')) note.remove_suffix(1);
    if (Trim(note).empty()) return;
    contact_.notes().AddNote(card_text::WindowsLines(note));
  }

  void Birthday(const DecodedProperty& p) { contact_.Date(Id::Birthday, p.value, Labelled(p, L"Birthday")); }
  void Anniversary(const DecodedProperty& p) {
    contact_.Date(Id::Anniversary, p.value, Labelled(p, L"Anniversary"));
  }
  // Apple's dates say what they are in their label only.
  void AppleDate(const DecodedProperty& p) {
    if (card_text::EqualsNoCase(LabelOf(p), L"Anniversary")) contact_.Date(Id::Anniversary, p.value, L"Anniversary");
    else if (std::wstring date = OneLine(p.value); !date.empty()) contact_.notes().Overflow(Labelled(p, L"Date"), date);
  }

  // A property with one home, its label in the notes when that is taken.
  void Single(Id property, const DecodedProperty& p, std::wstring_view label) {
    const Id chain[] = {property};
    std::wstring value = OneLine(p.value);
    if (!value.empty()) contact_.PutOrNote({label, chain}, std::move(value), LabelOf(p));
  }
  void Office(const DecodedProperty& p) { Single(Id::OfficeLocation, p, L"Office"); }
  void Initials(const DecodedProperty& p) { Single(Id::Initials, p, L"Initials"); }
  void InstantMessaging(const DecodedProperty& p) {
    std::wstring handle = OneLine(p.value);
    if (!handle.empty()) contact_.PutOrNote(schema::kIm, std::move(handle), LabelOf(p));
  }

  void RelatedByName(const DecodedProperty& p) { Related(*vocabulary::RelationByName(p.name), p.value, LabelOf(p)); }
  // 4.0 names the relation in its type, the Apple form in its label.
  void RelatedByType(const DecodedProperty& p) {
    std::optional<Relation> r;
    for (const std::wstring& t : p.types)
      if (!r) r = vocabulary::RelationByWord(t);
    if (!r) r = vocabulary::RelationByWord(LabelOf(p));
    if (r) Related(*r, p.value, LabelOf(p));
    else if (std::wstring who = OneLine(p.value); !who.empty()) contact_.notes().Overflow(Labelled(p, L"Related"), who);
  }
  void Related(const Relation& r, std::wstring_view who, std::wstring_view label) {
    std::wstring name = OneLine(who);
    if (name.empty()) return;
    if (r.list) {
      contact_.AddToList(r.property, name);
      return;
    }
    const Id chain[] = {r.property};
    contact_.PutOrNote({r.label, chain}, std::move(name), label);
  }

  // One phone maker's own property: a kind of data, then its fields
  // ("vnd.android.cursor.item/nickname;Bob;..."). The kinds the contact has
  // a home for are the nickname, related people and dates; the kind's
  // number says which relation or date it is.
  void AndroidCustom(const DecodedProperty& p) {
    const std::wstring_view kind = Component(p, 0), data = Component(p, 1), code = Component(p, 2);
    if (kind == L"vnd.android.cursor.item/nickname") {
      List(Id::NickName, data);
    } else if (kind == L"vnd.android.cursor.item/relation") {
      if (std::optional<Relation> r = vocabulary::RelationByAndroidCode(code)) Related(*r, data, {});
      else if (std::wstring who = OneLine(data); !who.empty()) contact_.notes().Overflow(L"Related", who);
    } else if (kind == L"vnd.android.cursor.item/contact_event") {
      if (code == L"1") contact_.Date(Id::Anniversary, data, L"Anniversary");
      else if (code == L"3") contact_.Date(Id::Birthday, data, L"Birthday");
      else if (std::wstring date = OneLine(data); !date.empty()) contact_.notes().Overflow(L"Date", date);
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
      if (!units.empty()) units.append(card_text::kListJoin);
      units.append(unit);
    }
    if (company.empty() && units.empty()) return;
    if (contact_.Free(Id::CompanyName) && contact_.Free(Id::Department)) {
      if (!company.empty()) contact_.Put(Id::CompanyName, std::move(company));
      if (!units.empty()) contact_.Put(Id::Department, std::move(units));
      return;
    }
    if (!company.empty() && !units.empty()) company.append(card_text::kListJoin);
    contact_.notes().Overflow(Labelled(p, L"Company"), company + units);
  }

  void Phone(const DecodedProperty& p) {
    std::wstring number = OneLine(p.value);
    if (number.empty()) return;
    const schema::FallThrough& homes = PhoneHomes(p);
    const bool preferred = HasType(p, {L"pref"});
    // A preferred number that says nothing else about itself (neither kind
    // nor place) is the contact's primary number; any other preferred
    // number is also the primary one when there is none yet.
    if (preferred && &homes == &schema::kOtherPhone && contact_.Free(Id::PrimaryTelephoneNumber)) {
      contact_.Put(Id::PrimaryTelephoneNumber, number);
      return;
    }
    if (!preferred) {
      contact_.PutOrNote(homes, std::move(number), LabelOf(p));
      return;
    }
    contact_.PutOrNote(homes, number, LabelOf(p));
    contact_.PutFirstFree(schema::homes::kPrimary, number);
  }

  void Address(const DecodedProperty& p) {
    // Post office box; extended address; street; locality; region; postal
    // code; country. The extended address (an apartment, a suite, a "c/o")
    // is the street's second line, so it is no part of its own here.
    std::array<std::wstring, 7> parts;
    parts[0] = OneLine(Component(p, 0));
    std::wstring_view extended = Trim(Component(p, 1)), street = Trim(Component(p, 2));
    parts[2] = card_text::WindowsLines(street);
    if (!extended.empty()) {
      if (!parts[2].empty()) parts[2].append(card_text::kCrLf);
      parts[2].append(card_text::WindowsLines(extended));
    }
    for (std::size_t i = 3; i < 7; ++i) parts[i] = OneLine(Component(p, i));
    if (std::all_of(parts.begin(), parts.end(), [](const std::wstring& s) { return s.empty(); })) return;

    const schema::AddressKind& own = HasType(p, {L"work"})   ? schema::kWorkAddress
                                     : HasType(p, {L"home"}) ? schema::kHomeAddress
                                                             : schema::kOtherAddress;
    for (const schema::AddressKind* kind : {&own, &schema::kOtherAddress})
      if (PutAddress(kind->parts, parts)) return;
    contact_.notes().Overflow(Labelled(p, own.label), AddressLine(parts));
  }
  // Into an address whose every part is free; false when one is taken.
  bool PutAddress(const schema::Structure& homes, std::array<std::wstring, 7>& parts) {
    for (const std::optional<Id>& home : homes.parts)
      if (home && !contact_.Free(*home)) return false;
    for (std::size_t i = 0; i < parts.size(); ++i)
      if (homes.parts[i] && !parts[i].empty()) contact_.Put(*homes.parts[i], std::move(parts[i]));
    return true;
  }

  void Url(const DecodedProperty& p) {
    std::wstring url = OneLine(p.value);
    if (url.empty()) return;
    const schema::FallThrough& homes = HasType(p, {L"work"})   ? schema::kWorkWeb
                                       : HasType(p, {L"home"}) ? schema::kHomeWeb
                                                               : schema::kOtherWeb;
    contact_.PutOrNote(homes, std::move(url), LabelOf(p));
  }

  void Email(const DecodedProperty& p) {
    const std::wstring address = OneLine(p.value);
    if (!address.empty()) emails_.push_back({address, HasType(p, {L"pref"}), std::wstring(LabelOf(p))});
  }
  // Up to three addresses, the preferred ones first, each once.
  void Emails() {
    std::stable_partition(emails_.begin(), emails_.end(), [](const EmailAddress& e) { return e.preferred; });
    std::vector<std::wstring_view> taken;
    for (const EmailAddress& e : emails_) {
      if (std::find(taken.begin(), taken.end(), e.address) != taken.end()) continue;
      taken.push_back(e.address);
      contact_.PutOrNote(schema::kEmail, e.address, e.label);
    }
  }

  // N's parts as the older mapping sets them; FN is the full name, else
  // one is made of N's parts, else the card has none.
  void Names() {
    if (n_) {
      const schema::Structure name = schema::StructureOf("N", "");
      for (std::size_t part = 0; part < name.size; ++part)
        if (std::wstring v = NamePart(*n_, part); !v.empty() && name.parts[part])
          contact_.Put(*name.parts[part], std::move(v));
    }
    std::wstring full = std::move(full_name_);
    if (full.empty() && n_) full = NameFromParts(*n_);
    if (full.empty()) full = kNoName;
    contact_.Put(Id::FullName, std::move(full));
  }

  struct EmailAddress {
    std::wstring address;
    bool preferred;
    std::wstring label;
  };

  const DecodedCard& card_;
  std::map<std::wstring, std::wstring, std::less<>> labels_;
  ContactBuilder contact_;
  const DecodedProperty* n_ = nullptr;
  std::wstring full_name_;
  std::vector<EmailAddress> emails_;
};

}  // namespace

void MapCard(const DecodedCard& card, std::vector<DecodedBinary>& binaries, CardMapping& out) {
  out.sets.clear();
  out.picture.reset();
  out.picture_failure.clear();
  Mapper(card).Map(binaries, out);
}

}  // namespace pindrel
