// The list an Open leaves: what the cursor needs of each entry, never the
// file's bytes.
//
// The keyword reader keeps each contact's fields, as the operations its
// lines made on them: about the size of what it hands out, and far less
// than the contact's text when the contact has a picture. The modern
// reading keeps where each card lies in the file, and the cursor reads it
// again from there; only a source that cannot be read again has the cards'
// bytes kept here instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "contact_record.h"

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

// Bytes kept for good, in chunks; a record is never moved once it is done
// and never straddles two chunks. One record at a time is open: it grows at
// the end of the last chunk, and moves to a new chunk when that is full.
class ByteArena {
 public:
  // Room for `size` more bytes of the open record; valid until the next
  // call. Throws std::bad_alloc, after which the record is as it was.
  char* Grow(std::size_t size) {
    if (chunks_.empty() || chunks_.back().size() - used_ < size) return GrowInto(size);
    char* at = chunks_.back().data() + used_;
    used_ += size;
    return at;
  }
  // Gives back the last `size` bytes Grow gave.
  void Shrink(std::size_t size) { used_ -= size; }
  // The open record as it stands; valid as long as the arena once Done.
  std::string_view Open() const;
  // The open record is done: kept, or (`keep` false) its room given back.
  void Done(bool keep);

 private:
  // Grow when the last chunk has no room: the open record moves to a new one.
  char* GrowInto(std::size_t size);

  std::vector<ByteChunk> chunks_;
  std::size_t used_ = 0;   // of the last chunk
  std::size_t start_ = 0;  // the open record, in the last chunk
};

// Where a card of the modern reading lies: at a file offset, or (kept) at
// an address in the store.
struct CardSpan {
  std::uint64_t at = 0;
  std::uint32_t size = 0;  // at most the largest card; saturated for one too large
  bool kept = false;
  bool too_large = false;
};

inline constexpr unsigned char kReplaceOperation = 0x20, kLineFeedOperation = 0x40;

class ContactStore {
 public:
  // The keyword reader. A contact's fields are kept as what its lines did to
  // them, in order: each line that fills a field is one operation, the
  // field's number, whether it replaced or appended, whether a line feed
  // followed, and the value (its length, then its bytes). That is about the
  // size of the values themselves, and the separator that joins appended
  // pieces is chosen only when the fields are read: the file is known to be
  // UTF-8 or not only at its end.
  //
  // The operations go to the open contact; it is listed at each END line
  // that lists it (Reserve once, List each time) and kept when it ends if it
  // was listed. Each throws std::bad_alloc, after which the list is as it
  // was.
  void AddOperation(Field field, bool replace, bool line_feed, std::string_view value) {
    // The head byte, the length in 7-bit groups (the last without the high
    // bit), the value; what the length did not need is given back.
    char* out = arena_.Grow(1 + 10 + value.size());
    char* const start = out;
    *out++ = char(unsigned(field) | (replace ? kReplaceOperation : 0) | (line_feed ? kLineFeedOperation : 0));
    std::size_t n = value.size();
    for (; n > 0x7F; n >>= 7) *out++ = char((n & 0x7F) | 0x80);
    *out++ = char(n);
    std::memcpy(out, value.data(), value.size());
    out += value.size();
    arena_.Shrink(std::size_t(1 + 10 + value.size()) - std::size_t(out - start));
  }
  std::uint32_t Reserve();
  void List(std::uint32_t record);
  // The open contact ends: kept as `record`, or forgotten (kNoRecord).
  static constexpr std::uint32_t kNoRecord = ~std::uint32_t(0);
  void EndContact(std::uint32_t record);
  // Whether another entry fits: ContactCount is a signed 32-bit count.
  bool Full() const;
  // Replaces everything in `out` with the fields of entry `i`, appended
  // pieces joined by `join`. Throws std::bad_alloc.
  void Fields(std::size_t i, std::string_view join, ContactRecord& out) const;

  // The modern reading: one entry per card. `bytes` is the card's text when
  // it is to be kept here, else null. Throws std::bad_alloc.
  void AddCard(std::uint64_t offset, std::uint64_t size, bool too_large, const char* bytes);
  const CardSpan& Card(std::size_t i) const { return cards_[i]; }
  // Where the last card not kept here ends in the file.
  std::uint64_t CardsEnd() const { return cards_end_; }

  std::size_t Entries() const { return cards_.size() + entries_.size(); }

 private:
  ByteArena arena_;
  BlockList<std::string_view> records_;  // operations, by record
  BlockList<std::uint32_t> entries_;     // the keyword reader's list: records
  BlockList<CardSpan> cards_;            // the modern reading's list
  std::uint64_t cards_end_ = 0;
};

}  // namespace tessary::internal
