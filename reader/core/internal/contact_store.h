// The list an Open leaves: what the cursor needs of each entry, never the
// file's bytes.
//
// The keyword reader keeps each contact's fields, packed: the values of the
// non-empty fields one after the other, which is what it hands out and far
// less than the contact's text. The modern reading keeps where each card
// lies in the file, and the cursor reads it again from there; only a source
// that cannot be read again has the cards' bytes kept here instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "contact_record.h"
#include "internal/contact_loader.h"

namespace tessary::internal {

// A block of bytes, released as it was obtained. Large blocks come from the
// system directly, so that on Linux they can use huge pages: a fresh page
// costs a fault each, and a 4 KiB fault costs about as much as reading the
// page from the disk cache.
struct ChunkFree {
  std::size_t mapped = 0;  // the length of a mapping; 0 for the heap
  void operator()(char* p) const;
};

class ByteChunk {
 public:
  ByteChunk() = default;
  explicit ByteChunk(std::size_t size);  // throws std::bad_alloc
  char* data() const { return data_.get(); }
  std::size_t size() const { return size_; }

 private:
  std::unique_ptr<char, ChunkFree> data_;
  std::size_t size_ = 0;
};

// A list that grows a block at a time and never moves what it holds, so it
// never needs room for two copies of itself while it grows.
template <class T>
class BlockList {
 public:
  std::size_t size() const { return size_; }
  const T& operator[](std::size_t i) const { return blocks_[i / kBlock][i % kBlock]; }
  T& operator[](std::size_t i) { return blocks_[i / kBlock][i % kBlock]; }
  // Throws std::bad_alloc, after which the list is as it was.
  void push_back(const T& value) {
    if (size_ == blocks_.size() * kBlock) {
      auto block = std::make_unique_for_overwrite<T[]>(kBlock);
      blocks_.push_back(std::move(block));
    }
    blocks_[size_ / kBlock][size_ % kBlock] = value;
    ++size_;
  }

 private:
  static constexpr std::size_t kBlock = 4096;
  std::vector<std::unique_ptr<T[]>> blocks_;
  std::size_t size_ = 0;
};

// Bytes kept for good, in chunks; what is added is never moved and never
// straddles two chunks.
class ByteArena {
 public:
  // Room for `size` bytes, valid as long as the arena. Throws std::bad_alloc.
  char* Add(std::size_t size);

 private:
  std::vector<ByteChunk> chunks_;
  std::size_t used_ = 0;  // of the last chunk
};

// Where a card of the modern reading lies: at a file offset, or (kept) at
// an address in the store.
struct CardSpan {
  std::uint64_t at = 0;
  std::uint32_t size = 0;  // at most the largest card; saturated for one too large
  bool kept = false;
  bool too_large = false;
};

class ContactStore {
 public:
  // The keyword reader. A contact is listed at each END line that lists it
  // (Reserve once, List each time) and kept when it ends, with the fields
  // its text gave. Each throws std::bad_alloc, after which the list is as it
  // was.
  std::uint32_t Reserve();
  void List(std::uint32_t record);
  void Keep(std::uint32_t record, const ContactFields& fields);
  // Whether another entry fits: ContactCount is a signed 32-bit count.
  bool Full() const;
  // Replaces everything in `out` with the fields of entry `i`, their pieces
  // joined by `join`. Throws std::bad_alloc.
  void Fields(std::size_t i, std::string_view join, ContactRecord& out) const;

  // The modern reading: one entry per card. `bytes` is the card's text when
  // it is to be kept here, else null. Throws std::bad_alloc.
  void AddCard(std::uint64_t offset, std::uint64_t size, bool too_large, const char* bytes);
  const CardSpan& Card(std::size_t i) const { return cards_[i]; }

  std::size_t Entries() const { return cards_.size() + entries_.size(); }

 private:
  ByteArena arena_;
  BlockList<std::string_view> records_;  // packed fields, by record
  BlockList<std::uint32_t> entries_;     // the keyword reader's list: records
  BlockList<CardSpan> cards_;            // the modern reading's list
};

}  // namespace tessary::internal
