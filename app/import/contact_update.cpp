#include "contact_update.h"

#include <algorithm>

#include "card_text.h"

namespace pindrel {

namespace {

// The items of a category list ("a, b" or "a,b"), trimmed, empty ones left
// out.
std::vector<std::wstring_view> Items(std::wstring_view list) {
  std::vector<std::wstring_view> items;
  for (;;) {
    const std::size_t comma = list.find(L',');
    if (std::wstring_view item = card_text::Trim(list.substr(0, comma)); !item.empty()) items.push_back(item);
    if (comma == std::wstring_view::npos) return items;
    list.remove_prefix(comma + 1);
  }
}

}  // namespace

std::wstring MergedNotes(std::wstring_view contact, std::wstring_view card) {
  if (card.empty() || contact.find(card) != std::wstring_view::npos) return std::wstring(contact);
  if (contact.empty()) return std::wstring(card);
  return std::wstring(contact) + L"\r\n\r\n" + std::wstring(card);
}

std::wstring MergedCategories(std::wstring_view contact, std::wstring_view card) {
  std::vector<std::wstring_view> all = Items(contact);
  for (std::wstring_view item : Items(card))
    if (std::none_of(all.begin(), all.end(), [&](std::wstring_view a) { return card_text::EqualsNoCase(a, item); }))
      all.push_back(item);
  std::wstring out;
  for (std::wstring_view item : all) {
    if (!out.empty()) out.append(card_text::kListJoin);
    out.append(item);
  }
  return out;
}

void UpdateContact(store::Item& item, const std::vector<PropertySet>& sets) {
  namespace property = store::property;
  for (const PropertySet& set : sets) {
    try {
      if (set.date) {
        item.SetDate(set.property, *set.date);
      } else if (set.text.empty()) {
        // An older reader sets every field it knows, empty or not: an empty
        // one is a value the card does not give.
      } else if (set.property == property::Body) {
        item.SetText(set.property, MergedNotes(item.Text(set.property), set.text));
      } else if (set.property == property::Categories) {
        item.SetText(set.property, MergedCategories(item.Text(set.property), set.text));
      } else {
        item.SetText(set.property, set.text);
      }
    } catch (const store::StoreError&) {
    }
  }
}

}  // namespace pindrel
