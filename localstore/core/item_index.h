// The index of a folder's live items: where each one's record is, in the
// order the items were created, found by identifier through a table of its
// own. About 40 bytes an item; a removal costs nothing until a position is
// asked for next, when the gaps are closed in one pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace localstore {

class ItemIndex {
 public:
  struct Entry {
    std::uint64_t id;      // 0 for a removed item, until the gaps are closed
    std::uint64_t offset;  // of the record
    std::uint32_t size;    // of the record
  };

  void Clear();
  std::size_t Count() const { return entries_.size() - removed_; }
  const Entry* Find(std::uint64_t id) const;
  // A new item goes last; a known one keeps its position.
  void Put(std::uint64_t id, std::uint64_t offset, std::uint32_t size);
  void Remove(std::uint64_t id);
  // The live item at `index` (0 = the oldest); index < Count().
  const Entry& At(std::size_t index);

 private:
  std::size_t Slot(std::uint64_t id) const;  // the slot holding id, or the empty one it would take
  void Rebuild();

  std::vector<Entry> entries_;
  std::vector<std::uint32_t> slots_;  // entry index + 1; 0 = empty
  std::size_t removed_ = 0;
};

}  // namespace localstore
