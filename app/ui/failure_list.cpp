#include "failure_list.h"

namespace pindrel::ui {

void FailureList::Add(std::wstring line) {
  ++count_;
  if (lines_.size() < kListed) lines_.push_back(std::move(line));
}

std::wstring FailureList::Text() const {
  std::wstring text;
  for (const std::wstring& line : lines_) text += L"\r\n" + line;
  if (count_ > lines_.size()) text += L"\r\nand " + std::to_wstring(count_ - lines_.size()) + L" more.";
  return text;
}

}  // namespace pindrel::ui
