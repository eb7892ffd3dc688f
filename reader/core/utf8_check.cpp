#include "internal/utf8_check.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "internal/simd.h"
#include "text_codec.h"

namespace tessary::internal {
namespace {

// The first byte at or after `p` that is not ASCII, or `end`. Files are
// mostly ASCII, so this is where the time goes.
const unsigned char* SkipAsciiPortable(const unsigned char* p, const unsigned char* end) {
  while (end - p >= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    if (w & 0x8080808080808080ull) break;
    p += 8;
  }
  while (p < end && *p < 0x80) ++p;
  return p;
}

#if TESSARY_X86
TESSARY_SSE2 const unsigned char* SkipAsciiSse2(const unsigned char* p, const unsigned char* end) {
  while (end - p >= 16) {
    const auto high = unsigned(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
    if (high) return p + std::countr_zero(high);
    p += 16;
  }
  while (p < end && *p < 0x80) ++p;
  return p;
}

TESSARY_AVX2 const unsigned char* SkipAsciiAvx2(const unsigned char* p, const unsigned char* end) {
  while (end - p >= 32) {
    const auto high = unsigned(_mm256_movemask_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))));
    if (high) return p + std::countr_zero(high);
    p += 32;
  }
  while (p < end && *p < 0x80) ++p;
  return p;
}
#endif

const unsigned char* SkipAscii(const unsigned char* p, const unsigned char* end) {
#if TESSARY_X86
  switch (Scans()) {
    case ScanKind::Avx2: return SkipAsciiAvx2(p, end);
    case ScanKind::Sse2: return SkipAsciiSse2(p, end);
    case ScanKind::Portable: break;
  }
#endif
  return SkipAsciiPortable(p, end);
}

}  // namespace

void Utf8Check::Add(const char* data, std::size_t size) {
  if (!valid_) return;  // the answer cannot change any more
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  AddFrom(p, p + size);
}

void Utf8Check::AddFrom(const unsigned char* p, const unsigned char* end) {
  while (p < end) {
    if (need_ == 0) {
      p = SkipAscii(p, end);
      if (p == end) return;
      unsigned char c = *p++;
      saw_non_ascii_ = true;
      // The shared codec's table of well-formed sequences: the length a
      // lead byte begins, none for a byte that begins none.
      const unsigned length = textcodec::Utf8LeadOf(c).length;
      if (length < 2) {
        valid_ = false;
        return;
      }
      need_ = int(length) - 1;
      lead_ = c;
      continue;
    }
    unsigned char c = *p++;
    if (fold_ != Fold::None || c == '\r' || c == '\n') {
      if (InFold(c)) continue;
      valid_ = false;
      return;
    }
    unsigned char lo = 0x80, hi = 0xBF;
    if (lead_) {
      // Only the byte after the lead has narrower bounds: no overlong
      // forms, no surrogates, nothing above U+10FFFF.
      const textcodec::Utf8Lead lead = textcodec::Utf8LeadOf(lead_);
      lo = lead.low;
      hi = lead.high;
      lead_ = 0;
    }
    if (c < lo || c > hi) {
      valid_ = false;
      return;
    }
    --need_;
  }
}

bool Utf8Check::InFold(unsigned char c) {
  if (!across_folds_) return false;
  switch (fold_) {
    case Fold::None:
      fold_ = c == '\r' ? Fold::CarriageReturn : Fold::LineFeed;
      return true;
    case Fold::CarriageReturn:
      fold_ = Fold::LineFeed;
      return c == '\n';
    case Fold::LineFeed:
      fold_ = Fold::None;
      return c == ' ' || c == '\t';
  }
  return false;
}

}  // namespace tessary::internal
