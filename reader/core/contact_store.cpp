#include "internal/contact_store.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace tessary::internal {
namespace {

// Kept bytes come in chunks of this size: large enough for huge pages, small
// enough that the last one's unused part does not matter.
constexpr std::size_t kArenaChunk = std::size_t(4) << 20;
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

char* ByteArena::GrowInto(std::size_t size) {
  {
    const std::size_t open = used_ - start_;
    ByteChunk fresh(std::max(kArenaChunk, 2 * (open + size)));
    if (open) std::memcpy(fresh.data(), chunks_.back().data() + start_, open);
    // A chunk that held nothing but the open record is not needed any more.
    if (!chunks_.empty() && start_ == 0) chunks_.back() = std::move(fresh);
    else chunks_.push_back(std::move(fresh));
    start_ = 0;
    used_ = open;
  }
  char* at = chunks_.back().data() + used_;
  used_ += size;
  return at;
}

std::string_view ByteArena::Open() const {
  return chunks_.empty() ? std::string_view() : std::string_view(chunks_.back().data() + start_, used_ - start_);
}

void ByteArena::Done(bool keep) {
  if (!keep) used_ = start_;
  start_ = used_;
}

namespace {

std::size_t GetVarint(std::string_view in, std::size_t& at) {
  std::size_t n = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(in[at++]);
    n |= std::size_t(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return n;
  }
}

}  // namespace

std::uint32_t ContactStore::Reserve() {
  records_.push_back({});
  return std::uint32_t(records_.size() - 1);
}

bool ContactStore::Full() const { return Entries() >= kMostEntries; }

void ContactStore::List(std::uint32_t record) { entries_.push_back(record); }

void ContactStore::EndContact(std::uint32_t record) {
  if (record != kNoRecord) records_[record] = arena_.Open();
  arena_.Done(record != kNoRecord);
}

void ContactStore::Fields(std::size_t i, std::string_view join, ContactRecord& out) const {
  out.Clear();
  const std::string_view operations = records_[entries_[i]];
  for (std::size_t at = 0; at < operations.size();) {
    const auto head = static_cast<unsigned char>(operations[at++]);
    const auto field = Field(head & 0x1F);
    const std::size_t length = GetVarint(operations, at);
    const std::string_view value = operations.substr(at, length);
    at += length;
    if (head & kReplaceOperation) out.Set(field, value);
    else out.Append(field, value, join);
    if (head & kLineFeedOperation) out.Extend(field, "\n");
  }
}

void ContactStore::AddCard(std::uint64_t offset, std::uint64_t size, bool too_large, const char* bytes) {
  CardSpan card;
  card.size = std::uint32_t(std::min<std::uint64_t>(size, std::numeric_limits<std::uint32_t>::max()));
  card.too_large = too_large;
  card.at = offset;
  if (bytes && !too_large) {
    char* kept = arena_.Grow(card.size);
    if (card.size) std::memcpy(kept, bytes, card.size);
    arena_.Done(true);
    card.at = reinterpret_cast<std::uintptr_t>(kept);
    card.kept = true;
  }
  cards_.push_back(card);
  if (!card.kept && !too_large) cards_end_ = offset + size;
}

}  // namespace tessary::internal
