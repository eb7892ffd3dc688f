#include "item_index.h"

#include <algorithm>

namespace localstore {

void ItemIndex::Clear() {
  entries_.clear();
  slots_.clear();
  removed_ = 0;
}

std::size_t ItemIndex::Slot(std::uint64_t id) const {
  // Identifiers are random, but those of older folders or a caller's may
  // not be: mixed, so neighbours spread.
  std::size_t mask = slots_.size() - 1;
  std::size_t at = static_cast<std::size_t>((id * 0x9E3779B97F4A7C15ull) >> 32) & mask;
  while (slots_[at] != 0 && entries_[slots_[at] - 1].id != id) at = (at + 1) & mask;
  return at;
}

const ItemIndex::Entry* ItemIndex::Find(std::uint64_t id) const {
  if (id == 0 || slots_.empty()) return nullptr;
  std::uint32_t slot = slots_[Slot(id)];
  return slot ? &entries_[slot - 1] : nullptr;
}

void ItemIndex::Put(std::uint64_t id, std::uint64_t offset, std::uint32_t size) {
  if (Entry* known = const_cast<Entry*>(Find(id))) {
    known->offset = offset;
    known->size = size;
    return;
  }
  // At most half full, so a search ends soon.
  if ((entries_.size() + 1) * 2 > slots_.size()) {
    entries_.push_back({id, offset, size});
    Rebuild();
    return;
  }
  entries_.push_back({id, offset, size});
  slots_[Slot(id)] = static_cast<std::uint32_t>(entries_.size());
}

void ItemIndex::Remove(std::uint64_t id) {
  // The slot keeps pointing at the emptied entry, so searches that pass
  // it still reach the items beyond.
  if (Entry* known = const_cast<Entry*>(Find(id))) {
    known->id = 0;
    ++removed_;
  }
}

const ItemIndex::Entry& ItemIndex::At(std::size_t index) {
  if (removed_) Rebuild();
  return entries_[index];
}

void ItemIndex::Rebuild() {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.id == 0; }),
                 entries_.end());
  removed_ = 0;
  std::size_t size = 16;
  while (size < entries_.size() * 2 + 2) size *= 2;
  slots_.assign(size, 0);
  for (std::size_t i = 0; i < entries_.size(); ++i) slots_[Slot(entries_[i].id)] = static_cast<std::uint32_t>(i + 1);
}

}  // namespace localstore
