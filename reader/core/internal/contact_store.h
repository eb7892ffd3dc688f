// The bytes of the file the contacts came from, and the list of contacts as
// ranges of them.
//
// A contact is the text from its BEGIN line up to the next BEGIN line or the
// end of the file, exactly as the file holds it; the cursor reads a contact's
// fields out of that text when it moves onto it. Keeping the file's bytes
// once costs less than keeping the values apart (which would be copied piece
// by piece into fresh memory), and nothing but the reading touches them.
//
// The bytes live in chunks. The reader reads straight into the last one; a
// contact never straddles two, so when a chunk is full the contact being
// read moves to the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

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

class ContactStore {
 public:
  // The chunk being filled, and how much of it is.
  char* data() const { return chunk_.data(); }
  std::size_t filled() const { return filled_; }
  std::size_t room() const { return chunk_.size() - filled_; }
  // The reader has put `n` more bytes after the filled ones.
  void Filled(std::size_t n) { filled_ += n; }

  // Makes room after the filled bytes. Bytes before `keep_from` are no
  // longer needed by the reader, nor by the contact being read. When they
  // move to a new chunk, every offset at or after `keep_from` goes down by
  // the value returned. `expected` is how many more bytes the source
  // expects (0: it does not know). Throws std::bad_alloc.
  std::size_t MakeRoom(std::size_t keep_from, std::uint64_t expected);

  // A BEGIN line at `offset`: the contact being read ends there (kept if it
  // was listed, forgotten otherwise) and a new one starts.
  void BeginContact(std::size_t offset);
  // An END line: lists the contact being read, if there is one. Throws
  // std::bad_alloc, after which the list is as it was.
  void ListContact();
  // The file has ended at `offset` (or stopped being read there).
  void EndContacts(std::size_t offset);

  // The list, in file order; a contact listed twice stands in it twice.
  std::size_t Entries() const { return entries_.size(); }
  std::string_view Entry(std::size_t i) const { return records_[entries_[i]]; }

 private:
  static constexpr std::size_t kNone = ~std::size_t(0);
  void CloseContact(std::size_t end);

  std::vector<ByteChunk> full_;  // chunks the list still points into
  ByteChunk chunk_;              // the chunk being filled
  std::size_t filled_ = 0;
  std::size_t chunk_records_ = 0;  // contacts kept in chunk_
  std::size_t next_chunk_ = 0;     // size of the next chunk when nothing is expected
  std::size_t contact_start_ = kNone;  // the contact being read, in chunk_
  std::size_t contact_record_ = kNone;  // its record, once listed
  BlockList<std::string_view> records_;  // kept contacts; empty while one is read
  BlockList<std::uint32_t> entries_;     // the list: indices into records_
};

}  // namespace tessary::internal
