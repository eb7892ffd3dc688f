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

// Kept bytes come in chunks of this size: few enough to be cheap, small
// enough that the last one's unused part does not matter.
constexpr std::size_t kArenaChunk = std::size_t(256) << 10;
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

char* ByteArena::Add(std::size_t size) {
  if (chunks_.empty() || chunks_.back().size() - used_ < size) {
    // A record larger than a chunk gets one of its own.
    chunks_.reserve(chunks_.size() + 1);
    chunks_.emplace_back(std::max(size, kArenaChunk));
    used_ = 0;
  }
  char* at = chunks_.back().data() + used_;
  used_ += size;
  return at;
}

std::uint32_t ContactStore::Reserve() {
  records_.push_back({});
  return std::uint32_t(records_.size() - 1);
}

bool ContactStore::Full() const { return Entries() >= kMostEntries; }

void ContactStore::List(std::uint32_t record) { entries_.push_back(record); }

namespace {

std::size_t VarintSize(std::size_t n) {
  std::size_t size = 1;
  for (; n > 0x7F; n >>= 7) ++size;
  return size;
}

char* PutVarint(char* out, std::size_t n) {
  for (; n > 0x7F; n >>= 7) *out++ = char((n & 0x7F) | 0x80);
  *out++ = char(n);
  return out;
}

std::size_t GetVarint(std::string_view in, std::size_t& at) {
  std::size_t n = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(in[at++]);
    n |= std::size_t(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return n;
  }
}

}  // namespace

// Each non-empty field: its number, its length, how many joins it has and
// each join's distance from the one before, then its bytes.
void ContactStore::Keep(std::uint32_t record, const ContactFields& fields) {
  std::size_t size = 0;
  for (const ContactFields::Value& v : fields.values) {
    if (v.bytes.empty()) continue;
    size += 1 + VarintSize(v.bytes.size()) + VarintSize(v.joins.size()) + v.bytes.size();
    std::size_t last = 0;
    for (std::size_t join : v.joins) size += VarintSize(join - std::exchange(last, join));
  }
  char* out = size ? arena_.Add(size) : nullptr;
  records_[record] = std::string_view(out, size);
  for (std::size_t f = 0; f < kFieldCount; ++f) {
    const ContactFields::Value& v = fields.values[f];
    if (v.bytes.empty()) continue;
    *out++ = char(f);
    out = PutVarint(out, v.bytes.size());
    out = PutVarint(out, v.joins.size());
    std::size_t last = 0;
    for (std::size_t join : v.joins) out = PutVarint(out, join - std::exchange(last, join));
    std::memcpy(out, v.bytes.data(), v.bytes.size());
    out += v.bytes.size();
  }
}

void ContactStore::Fields(std::size_t i, std::string_view join, ContactRecord& out) const {
  out.Clear();
  const std::string_view packed = records_[entries_[i]];
  for (std::size_t at = 0; at < packed.size();) {
    const auto field = Field(packed[at++]);
    const std::size_t length = GetVarint(packed, at);
    const std::size_t joins = GetVarint(packed, at);
    // The joins' distances come before the bytes: find the bytes first.
    std::size_t cursor = at;
    for (std::size_t k = 0; k < joins; ++k) GetVarint(packed, at);
    const std::string_view bytes = packed.substr(at, length);
    std::size_t from = 0;
    out.Set(field, {});
    for (std::size_t k = 0; k < joins; ++k) {
      const std::size_t to = from + GetVarint(packed, cursor);
      out.Extend(field, bytes.substr(from, to - from));
      out.Extend(field, join);
      from = to;
    }
    out.Extend(field, bytes.substr(from));
    at += length;
  }
}

void ContactStore::AddCard(std::uint64_t offset, std::uint64_t size, bool too_large, const char* bytes) {
  CardSpan card;
  card.size = std::uint32_t(std::min<std::uint64_t>(size, std::numeric_limits<std::uint32_t>::max()));
  card.too_large = too_large;
  card.at = offset;
  if (bytes && !too_large) {
    char* kept = card.size ? arena_.Add(card.size) : nullptr;
    if (card.size) std::memcpy(kept, bytes, card.size);
    card.at = reinterpret_cast<std::uintptr_t>(kept);
    card.kept = true;
  }
  cards_.push_back(card);
}

}  // namespace tessary::internal
