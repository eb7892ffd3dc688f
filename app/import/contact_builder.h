// The contact being built from one card: a value per property of the
// contact schema, each taken at most once, and the notes for the rest.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "card_notes.h"
#include "contact_mapping.h"
#include "contact_schema.h"

namespace pindrel {

class ContactBuilder {
 public:
  using Id = contact_schema::Id;

  bool Free(Id p) const { return !taken_[Slot(p)]; }
  void Put(Id p, std::wstring value);
  // Into the first free home, taking `value`; false (and `value` left as it
  // was) when every one is taken.
  bool PutFirstFree(std::span<const Id> chain, std::wstring& value);
  // Into the first free home, else into the notes under `label` (the
  // fall-through's own when empty).
  void PutOrNote(const contact_schema::FallThrough& homes, std::wstring value, std::wstring_view label);
  // One more item of a property that holds a list.
  void AddToList(Id p, std::wstring_view item);
  // A date property: the first full date is kept as a date; a date without
  // a year (the store needs a whole date, and inventing a year would store
  // a wrong one), any other text, or a second date goes to the notes as
  // written.
  void Date(Id p, std::wstring_view text, std::wstring_view label);

  CardNotes& notes() { return notes_; }

  // The property sets, in the schema's order, the notes among them; the
  // builder is spent. Returns how many values went to the notes.
  int Finish(std::vector<PropertySet>& sets);

 private:
  static std::size_t Slot(Id p) { return static_cast<std::size_t>(p); }

  // A place is taken even by an empty list.
  std::array<std::wstring, contact_schema::kCount> text_;
  std::array<bool, contact_schema::kCount> taken_{};
  std::array<std::optional<store::Date>, contact_schema::kCount> dates_;
  CardNotes notes_;
};

}  // namespace pindrel
