// Whether a card is already in the target folder. A card and a contact are
// the same person when their full names are equal (without regard to case,
// runs of blanks as one) and they share an e-mail address (without regard
// to case) or a telephone number (its digits; the last nine when both have
// nine or more, so "+1 555 0100 123" and "(555) 0100-123" agree); or, when
// both have neither e-mail nor telephone, when their full names and their
// company names are equal. An empty name never matches, and an e-mail
// address alone never does: two people may share one.
//
// The index keeps 64-bit hashes of those keys, not the texts, so a folder
// of 100,000 contacts costs a few megabytes; two different keys share a
// hash with a chance of about one in 10^19.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contact_mapping.h"
#include "store.h"

namespace pindrel {

// What the matching reads of a person.
struct PersonKey {
  std::uint64_t name = 0;     // 0: no name, never matches
  std::uint64_t company = 0;
  std::vector<std::uint64_t> contacts;  // e-mail addresses and telephone numbers, tagged by kind
};

// The key of a card made into property sets.
PersonKey KeyOfCard(const std::vector<PropertySet>& sets);
// The key of a contact of the store: the texts it reads through `text`
// (a property name to its value).
template <class Text>
PersonKey KeyOfContact(Text&& text);

// The parts of a key, exposed for their tests.
// A name or company as compared: lower case, trimmed, runs of blanks as one.
std::wstring FoldedName(std::wstring_view text);
// A telephone number as compared: its digits, the last nine of nine or more.
std::wstring PhoneDigits(std::wstring_view text);

// A contact of the folder, read when a card's name meets it.
class ContactTexts {
 public:
  virtual ~ContactTexts() = default;
  virtual std::wstring Text(std::wstring_view property) = 0;
};
// The contact at a position of the folder.
using OpenContact = std::function<std::unique_ptr<ContactTexts>(std::int32_t position)>;

class DuplicateIndex {
 public:
  // Room for this many contacts without growing.
  void Reserve(std::size_t contacts);
  // Gives back what the lists hold beyond their contents (after the folder
  // is read: the run adds few).
  void ShrinkToFit() {
    entries_.shrink_to_fit();
    contacts_.shrink_to_fit();
  }
  // The contact at `position` of the folder (1-based), in folder order.
  void Add(const PersonKey& key, std::int32_t position);
  // A contact of the folder by its name alone (its full name, else its
  // first and last name): the rest of its key is read through `open` the
  // first time a card of that name is looked for, and kept. Reading a large
  // folder costs a name a contact; each contact is read whole only when a
  // card shares its name, and once.
  void AddByName(std::wstring_view full_name, std::wstring_view first, std::wstring_view last,
                 std::int32_t position);
  // The position of the first contact added that is the same person.
  std::optional<std::int32_t> Find(const PersonKey& key, const OpenContact& open = nullptr);
  std::size_t size() const { return entries_.size(); }
  // Memory the index holds, for the benchmark.
  std::size_t bytes() const;

 private:
  struct Entry {
    std::uint64_t name;
    std::uint64_t company;  // 0 for a contact that could not be read
    std::uint32_t first_contact;  // into contacts_
    std::uint32_t next;           // the next entry of the same name's slot; kNone ends
    std::int32_t position;
    std::uint16_t contact_count;
    bool by_name;  // the rest is read when needed
  };
  // Reads the rest of a contact added by name.
  void Load(Entry& e, const OpenContact& open);
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  bool Same(const Entry& e, const PersonKey& key) const;
  // The first entry of the name, kNone for none; the slot that holds it.
  std::uint32_t Head(std::uint64_t name) const;
  std::uint32_t& Slot(std::uint64_t name);
  void Grow();

  std::vector<Entry> entries_;
  std::vector<std::uint64_t> contacts_;
  // Open addressing by name hash: slot -> first entry of that name, kNone
  // for an empty slot.
  std::vector<std::uint32_t> heads_;
};

// ---- template

namespace duplicate_detail {
PersonKey KeyFromTexts(std::wstring_view full_name, std::wstring_view first, std::wstring_view last,
                       std::wstring_view company, const std::vector<std::wstring>& emails,
                       const std::vector<std::wstring>& phones);
// The schema's e-mail and telephone properties, which a key reads.
const std::vector<std::wstring_view>& EmailProperties();
const std::vector<std::wstring_view>& PhoneProperties();
}  // namespace duplicate_detail

template <class Text>
PersonKey KeyOfContact(Text&& text) {
  namespace property = store::property;
  std::vector<std::wstring> emails, phones;
  for (std::wstring_view p : duplicate_detail::EmailProperties()) emails.push_back(text(p));
  for (std::wstring_view p : duplicate_detail::PhoneProperties()) phones.push_back(text(p));
  return duplicate_detail::KeyFromTexts(text(property::FullName), text(property::FirstName),
                                        text(property::LastName), text(property::CompanyName), emails, phones);
}

}  // namespace pindrel
