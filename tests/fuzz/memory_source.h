// A ByteSource over bytes in memory, for tests: it hands the bytes out in
// reads of chosen sizes and tells the reader a chosen size, so every way a
// file can arrive can be tried without a file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <string_view>
#include <vector>

#include "byte_source.h"

namespace tessary_test {

class MemorySource : public tessary::ByteSource {
 public:
  // What the source says is still to come.
  enum class Hint { Exact, Unknown, Fixed };

  // Reads hand out at most read_sizes[0], read_sizes[1], ... bytes, in turn
  // and round again; no sizes: everything at once. A size of 0 counts as 1.
  explicit MemorySource(std::string_view bytes, std::vector<std::size_t> read_sizes = {},
                        Hint hint = Hint::Exact, std::uint64_t fixed = 0)
      : bytes_(bytes), sizes_(std::move(read_sizes)), hint_(hint), fixed_(fixed) {}

  std::size_t Read(char* into, std::size_t max) override {
    std::size_t n = std::min(max, bytes_.size() - at_);
    if (!sizes_.empty()) n = std::min(n, std::max<std::size_t>(1, sizes_[reads_++ % sizes_.size()]));
    if (n) std::memcpy(into, bytes_.data() + at_, n);
    at_ += n;
    return n;
  }
  bool Failed() const override { return false; }
  std::uint64_t ExpectedRemaining() const override {
    switch (hint_) {
      case Hint::Exact: return bytes_.size() - at_;
      case Hint::Unknown: return 0;
      case Hint::Fixed: return fixed_;
    }
    return 0;
  }

  // Reads at an offset, as a file does; off, the modern reading keeps the
  // cards' bytes as for a pipe.
  bool CanReadAt() const override { return read_at_; }
  bool ReadAt(std::uint64_t offset, char* into, std::size_t size) override {
    if (!read_at_ || offset > bytes_.size() || size > bytes_.size() - offset) return false;
    if (size) std::memcpy(into, bytes_.data() + offset, size);
    return true;
  }
  void set_read_at(bool on) { read_at_ = on; }

  std::size_t position() const { return at_; }

 private:
  std::string_view bytes_;
  std::vector<std::size_t> sizes_;
  Hint hint_;
  std::uint64_t fixed_;
  std::size_t at_ = 0;
  std::size_t reads_ = 0;
  bool read_at_ = true;
};

}  // namespace tessary_test
