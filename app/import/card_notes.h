// The notes of a contact made from a card: the card's own NOTE lines, and
// after them what had no home of its own, one labelled value a line, so an
// import loses nothing it read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pindrel {

class CardNotes {
 public:
  void AddNote(std::wstring note) { notes_.push_back(std::move(note)); }
  // A value with no home: "label: value".
  void Overflow(std::wstring_view label, std::wstring_view value);
  // How many values went to the notes for want of a home.
  int overflow_count() const { return static_cast<int>(overflow_.size()); }
  // The notes' whole text: the card's notes first, each on its lines; what
  // had no home follows after an empty line, one value a line. Empty when
  // there is neither.
  std::wstring Body() const;

 private:
  std::vector<std::wstring> notes_;
  std::vector<std::wstring> overflow_;
};

}  // namespace pindrel
