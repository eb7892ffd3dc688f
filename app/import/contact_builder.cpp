#include "contact_builder.h"

#include "card_text.h"

namespace pindrel {

void ContactBuilder::Put(Id p, std::wstring value) {
  text_[Slot(p)] = std::move(value);
  taken_[Slot(p)] = true;
}

bool ContactBuilder::PutFirstFree(std::span<const Id> chain, std::wstring& value) {
  for (Id p : chain)
    if (Free(p)) {
      Put(p, std::move(value));
      return true;
    }
  return false;
}

void ContactBuilder::PutOrNote(const contact_schema::FallThrough& homes, std::wstring value, std::wstring_view label) {
  if (!PutFirstFree(homes.homes, value)) notes_.Overflow(label.empty() ? homes.label : label, value);
}

void ContactBuilder::AddToList(Id p, std::wstring_view item) {
  taken_[Slot(p)] = true;
  std::wstring& list = text_[Slot(p)];
  if (!list.empty()) list.append(card_text::kListJoin);
  list.append(item);
}

void ContactBuilder::Date(Id p, std::wstring_view text, std::wstring_view label) {
  const std::wstring value = card_text::OneLine(text);
  if (value.empty()) return;
  std::optional<store::Date> date = ParseDate(value);
  std::optional<store::Date>& slot = dates_[Slot(p)];
  if (date && !slot) slot = date;
  else notes_.Overflow(label, value);
}

int ContactBuilder::Finish(std::vector<PropertySet>& sets) {
  if (std::wstring body = notes_.Body(); !body.empty()) Put(Id::Body, std::move(body));
  for (const contact_schema::Property& p : contact_schema::kProperties) {
    const std::size_t slot = Slot(p.id);
    if (p.IsDate()) {
      if (dates_[slot]) sets.push_back({p.name, {}, dates_[slot]});
    } else if (taken_[slot]) {
      sets.push_back({p.name, std::move(text_[slot]), {}});
    }
  }
  return notes_.overflow_count();
}

}  // namespace pindrel
