// Tells whether a file is UTF-8 text, checking its bytes as they arrive.
#pragma once

#include <cstddef>

namespace tessary::internal {

class Utf8Check {
 public:
  Utf8Check() = default;
  // `across_folds`: a folded line's break (a line feed, or CR LF, then one
  // blank) inside a character does not make it invalid. Exporters fold at a
  // fixed width, often in the middle of a character; the modern reading
  // joins the halves again.
  explicit Utf8Check(bool across_folds) : across_folds_(across_folds) {}
  // Checks the next bytes of the file. Sequences may straddle two calls.
  void Add(const char* data, std::size_t size);
  // The file has ended: a sequence cut short by the end is not valid.
  void Finish() {
    if (need_) valid_ = false;
  }
  // All bytes so far are valid UTF-8 (shortest forms, no surrogates,
  // nothing above U+10FFFF).
  bool valid() const { return valid_; }
  bool saw_non_ascii() const { return saw_non_ascii_; }

 private:
  void AddFrom(const unsigned char* p, const unsigned char* end);
  // Whether `c`, met where a continuation byte was expected, is part of a
  // fold; false when it makes the file invalid.
  bool InFold(unsigned char c);

  int need_ = 0;           // continuation bytes still expected
  unsigned char lead_ = 0;  // lead byte whose first continuation is next, or 0
  bool across_folds_ = false;
  enum class Fold : unsigned char { None, CarriageReturn, LineFeed } fold_ = Fold::None;
  bool valid_ = true;
  bool saw_non_ascii_ = false;
};

}  // namespace tessary::internal
