#include "internal/contact_store.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace tessary::internal {
namespace {

// A file whose size is not known is read into chunks that grow from this...
constexpr std::size_t kFirstChunk = std::size_t(4) << 10;
// ...to this, which is also the largest chunk a known size asks for: a
// 32-bit process may not find much more address space in one piece.
constexpr std::size_t kLargestChunk = std::size_t(64) << 20;
// ContactCount is a signed 32-bit count; the list never outgrows it.
constexpr std::size_t kMostEntries = std::size_t(std::numeric_limits<std::int32_t>::max());

#if defined(__linux__)
constexpr std::size_t kHugePage = std::size_t(2) << 20;

// `length` bytes aligned to a huge page, marked for huge pages; null if the
// system has no room.
char* MapHuge(std::size_t length) {
  const std::size_t span = length + kHugePage;
  void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto first = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t start = (first + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
  // Give back what lies outside the aligned range.
  if (start > first) munmap(raw, start - first);
  if (first + span > start + length) munmap(reinterpret_cast<void*>(start + length), first + span - (start + length));
  madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
  return reinterpret_cast<char*>(start);
}
#endif

}  // namespace

ByteChunk::ByteChunk(std::size_t size) : size_(size) {
#if defined(__linux__)
  if (size >= kHugePage) {
    const auto page = std::size_t(sysconf(_SC_PAGESIZE));
    const std::size_t length = (size + page - 1) / page * page;
    char* mapped = MapHuge(length);
    if (!mapped) throw std::bad_alloc();
    data_ = std::unique_ptr<char, ChunkFree>(mapped, ChunkFree{length});
    return;
  }
#endif
  data_ = std::unique_ptr<char, ChunkFree>(std::make_unique_for_overwrite<char[]>(size).release());
}

void ChunkFree::operator()(char* p) const {
#if defined(__linux__)
  if (mapped) {
    munmap(p, mapped);
    return;
  }
#endif
  std::default_delete<char[]>()(p);
}

std::size_t ContactStore::MakeRoom(std::size_t keep_from, std::uint64_t expected) {
  if (room() > 0) return 0;
  // The contact being read stays in one piece.
  const std::size_t keep = contact_start_ != kNone ? contact_start_ : keep_from;
  const std::size_t kept = filled_ - keep;
  std::size_t more;
  if (expected > 0) {
    // One more byte than expected, so the read that finds the end fits.
    more = std::size_t(std::min<std::uint64_t>(expected, kLargestChunk - 1)) + 1;
  } else {
    more = std::max(next_chunk_, kFirstChunk);
    next_chunk_ = std::min(more * 2, kLargestChunk);
  }
  ByteChunk fresh(kept + more);
  if (kept) std::memcpy(fresh.data(), chunk_.data() + keep, kept);
  // A chunk that no kept contact points into is not needed any more.
  if (chunk_records_ > 0) full_.push_back(std::move(chunk_));
  chunk_ = std::move(fresh);
  filled_ = kept;
  chunk_records_ = 0;
  if (contact_start_ != kNone) contact_start_ -= keep;
  return keep;
}

void ContactStore::BeginContact(std::size_t offset) {
  CloseContact(offset);
  contact_start_ = offset;
}

void ContactStore::ListContact() {
  if (contact_start_ == kNone || entries_.size() >= kMostEntries) return;
  if (contact_record_ == kNone) {
    records_.push_back({});
    contact_record_ = records_.size() - 1;
  }
  entries_.push_back(std::uint32_t(contact_record_));
}

void ContactStore::EndContacts(std::size_t offset) { CloseContact(offset); }

void ContactStore::CloseContact(std::size_t end) {
  if (contact_start_ == kNone) return;
  if (contact_record_ != kNone) {
    // Listed: from now on the list points into this chunk.
    records_[contact_record_] = std::string_view(chunk_.data() + contact_start_, end - contact_start_);
    ++chunk_records_;
  }
  contact_start_ = kNone;
  contact_record_ = kNone;
}

}  // namespace tessary::internal
