// Where the reader gets a file's bytes from. The stream pulls them during
// Open, so nothing can look at the list while it is half read. A source
// that can also read its bytes again at an offset lets the modern reading
// keep only where each card lies, and read the card again when the cursor
// reaches it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessary {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Copies up to `max` bytes (max > 0) into `into`; 0 means no more, either
  // at the end or after a failure.
  virtual std::size_t Read(char* into, std::size_t max) = 0;
  // Whether reading stopped on an error rather than at the end.
  virtual bool Failed() const = 0;
  // How many bytes are still to come, as far as the source knows; 0 when
  // it does not. Only a hint; the reader, reading through a window of its
  // own size, no longer asks.
  virtual std::uint64_t ExpectedRemaining() const { return 0; }
  // Whether ReadAt works. Asked after the first Read.
  virtual bool CanReadAt() const { return false; }
  // Copies exactly `size` bytes from `offset` (counted from the first byte
  // Read handed out) into `into`; false when they cannot all be read.
  virtual bool ReadAt(std::uint64_t /*offset*/, char* /*into*/, std::size_t /*size*/) { return false; }
};

}  // namespace tessary
