#include "card_notes.h"

#include "card_text.h"

namespace pindrel {

void CardNotes::Overflow(std::wstring_view label, std::wstring_view value) {
  overflow_.push_back(std::wstring(label) + L": " + std::wstring(value));
}

std::wstring CardNotes::Body() const {
  using card_text::kCrLf;
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
  return body;
}

}  // namespace pindrel
