#include "duplicate_index.h"

#include <algorithm>
#include <cwctype>

#include "card_mapping.h"
#include "contact_schema.h"

namespace pindrel {

namespace {

// FNV-1a over the text's characters, from a seed that tells the kinds of
// key apart.
std::uint64_t Hash(std::wstring_view text, std::uint64_t seed) {
  std::uint64_t h = seed;
  for (wchar_t c : text) {
    const auto code = static_cast<std::uint32_t>(c);
    for (int shift = 0; shift < 32; shift += 8) {
      h ^= (code >> shift) & 0xFF;
      h *= 0x100000001B3ull;
    }
  }
  return h == 0 ? 1 : h;  // 0 is "none"
}
constexpr std::uint64_t kNameSeed = 0xCBF29CE484222325ull;
constexpr std::uint64_t kEmailSeed = 0x84222325CBF29CE4ull;
constexpr std::uint64_t kPhoneSeed = 0x9CE484222325CBF2ull;

std::wstring Lower(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
  return out;
}

std::uint64_t NameHash(std::wstring_view name) {
  const std::wstring folded = FoldedName(name);
  // The name the import gives a card without one is no name either.
  if (folded.empty() || folded == FoldedName(kNoName)) return 0;
  return Hash(folded, kNameSeed);
}

std::vector<std::wstring_view> PropertiesOf(std::string_view vcard) {
  std::vector<std::wstring_view> names;
  for (const contact_schema::Property& p : contact_schema::kProperties)
    if (p.vcard == vcard) names.push_back(p.name);
  return names;
}

}  // namespace

std::wstring FoldedName(std::wstring_view text) {
  std::wstring out;
  bool blank = false;
  for (wchar_t c : text) {
    if (std::iswspace(static_cast<std::wint_t>(c))) {
      blank = !out.empty();
      continue;
    }
    if (blank) out.push_back(L' ');
    blank = false;
    out.push_back(static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c))));
  }
  return out;
}

std::wstring PhoneDigits(std::wstring_view text) {
  std::wstring digits;
  for (wchar_t c : text)
    if (c >= L'0' && c <= L'9') digits.push_back(c);
  // Nine or more: the last nine, with a mark so that they never equal a
  // shorter number's whole digits.
  if (digits.size() >= 9) return L"+" + digits.substr(digits.size() - 9);
  return digits;
}

namespace duplicate_detail {

PersonKey KeyFromTexts(std::wstring_view full_name, std::wstring_view first, std::wstring_view last,
                       std::wstring_view company, const std::vector<std::wstring>& emails,
                       const std::vector<std::wstring>& phones) {
  PersonKey key;
  key.name = NameHash(full_name);
  if (key.name == 0 && FoldedName(full_name).empty()) key.name = NameHash(std::wstring(first) + L" " + std::wstring(last));
  key.company = Hash(FoldedName(company), kNameSeed);
  for (const std::wstring& e : emails)
    if (std::wstring folded = Lower(FoldedName(e)); !folded.empty()) key.contacts.push_back(Hash(folded, kEmailSeed));
  for (const std::wstring& p : phones)
    if (std::wstring digits = PhoneDigits(p); !digits.empty()) key.contacts.push_back(Hash(digits, kPhoneSeed));
  std::sort(key.contacts.begin(), key.contacts.end());
  key.contacts.erase(std::unique(key.contacts.begin(), key.contacts.end()), key.contacts.end());
  return key;
}

const std::vector<std::wstring_view>& EmailProperties() {
  static const std::vector<std::wstring_view> names = PropertiesOf("EMAIL");
  return names;
}
const std::vector<std::wstring_view>& PhoneProperties() {
  static const std::vector<std::wstring_view> names = PropertiesOf("TEL");
  return names;
}

}  // namespace duplicate_detail

void DuplicateIndex::AddByName(std::wstring_view full_name, std::wstring_view first, std::wstring_view last,
                               std::int32_t position) {
  const PersonKey key = duplicate_detail::KeyFromTexts(full_name, first, last, {}, {}, {});
  Add(key, position);
  if (key.name != 0) entries_.back().by_name = true;
}

void DuplicateIndex::Load(Entry& e, const OpenContact& open) {
  e.by_name = false;
  std::unique_ptr<ContactTexts> contact = open ? open(e.position) : nullptr;
  // A contact that cannot be read matches no one: its card is added again
  // rather than lost.
  if (!contact) {
    e.company = 0;
    e.contact_count = 0;
    return;
  }
  const PersonKey key = KeyOfContact([&](std::wstring_view p) { return contact->Text(p); });
  e.company = key.company;
  e.first_contact = static_cast<std::uint32_t>(contacts_.size());
  e.contact_count = static_cast<std::uint16_t>(std::min<std::size_t>(key.contacts.size(), 0xFFFF));
  contacts_.insert(contacts_.end(), key.contacts.begin(), key.contacts.begin() + e.contact_count);
}

PersonKey KeyOfCard(const std::vector<PropertySet>& sets) {
  auto text = [&](std::wstring_view property) -> std::wstring {
    for (const PropertySet& s : sets)
      if (s.property == property && !s.date) return s.text;
    return {};
  };
  return KeyOfContact(text);
}

bool DuplicateIndex::Same(const Entry& e, const PersonKey& key) const {
  if (e.name != key.name || e.company == 0) return false;
  if (e.contact_count == 0 && key.contacts.empty()) return e.company == key.company;
  // Both lists are sorted: a shared key is found in one pass.
  auto a = contacts_.begin() + e.first_contact, a_end = a + e.contact_count;
  auto b = key.contacts.begin(), b_end = key.contacts.end();
  while (a != a_end && b != b_end) {
    if (*a == *b) return true;
    if (*a < *b) ++a;
    else ++b;
  }
  return false;
}

std::uint32_t DuplicateIndex::Head(std::uint64_t name) const {
  if (heads_.empty()) return kNone;
  const std::size_t mask = heads_.size() - 1;
  for (std::size_t slot = name & mask;; slot = (slot + 1) & mask)
    if (heads_[slot] == kNone || entries_[heads_[slot]].name == name) return heads_[slot];
}

std::uint32_t& DuplicateIndex::Slot(std::uint64_t name) {
  // At most three slots in four taken, so a probe stays short.
  if ((entries_.size() + 1) * 4 > heads_.size() * 3) Grow();
  const std::size_t mask = heads_.size() - 1;
  for (std::size_t slot = name & mask;; slot = (slot + 1) & mask)
    if (heads_[slot] == kNone || entries_[heads_[slot]].name == name) return heads_[slot];
}

void DuplicateIndex::Grow() {
  std::vector<std::uint32_t> old = std::move(heads_);
  heads_.assign(std::max<std::size_t>(64, old.size() * 2), kNone);
  const std::size_t mask = heads_.size() - 1;
  for (std::uint32_t head : old) {
    if (head == kNone) continue;
    std::size_t slot = entries_[head].name & mask;
    while (heads_[slot] != kNone) slot = (slot + 1) & mask;
    heads_[slot] = head;
  }
}

void DuplicateIndex::Reserve(std::size_t contacts) {
  entries_.reserve(contacts);
  while (heads_.size() * 3 < contacts * 4) Grow();
}

void DuplicateIndex::Add(const PersonKey& key, std::int32_t position) {
  if (key.name == 0) return;  // never found again
  const auto index = static_cast<std::uint32_t>(entries_.size());
  entries_.push_back({key.name, key.company, static_cast<std::uint32_t>(contacts_.size()), kNone, position,
                      static_cast<std::uint16_t>(std::min<std::size_t>(key.contacts.size(), 0xFFFF)), false});
  contacts_.insert(contacts_.end(), key.contacts.begin(), key.contacts.begin() + entries_.back().contact_count);
  // Appended to the end of its name's chain, so the folder's order holds.
  std::uint32_t* link = &Slot(key.name);
  while (*link != kNone) link = &entries_[*link].next;
  *link = index;
}

std::optional<std::int32_t> DuplicateIndex::Find(const PersonKey& key, const OpenContact& open) {
  if (key.name == 0) return std::nullopt;
  for (std::uint32_t i = Head(key.name); i != kNone; i = entries_[i].next) {
    Entry& e = entries_[i];
    if (e.by_name) Load(e, open);
    if (Same(e, key)) return e.position;
  }
  return std::nullopt;
}

std::size_t DuplicateIndex::bytes() const {
  return entries_.capacity() * sizeof(Entry) + contacts_.capacity() * sizeof(std::uint64_t) +
         heads_.capacity() * sizeof(std::uint32_t);
}

}  // namespace pindrel
