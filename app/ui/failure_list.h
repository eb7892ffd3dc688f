// The closing messages of the export and the import say which contacts
// failed, not only how many: the first few, one a line with its reason, and
// how many more there were.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pindrel::ui {

class FailureList {
 public:
  // How many failures a message names; a longer list would not fit a
  // message box.
  static constexpr std::size_t kListed = 10;

  // Counts one failure and keeps its line while fewer than kListed are kept.
  void Add(std::wstring line);
  std::size_t count() const { return count_; }
  bool empty() const { return count_ == 0; }
  // The lines kept, each after a line break, then "and N more." for the
  // rest; empty for an empty list.
  std::wstring Text() const;

 private:
  std::vector<std::wstring> lines_;
  std::size_t count_ = 0;
};

}  // namespace pindrel::ui
