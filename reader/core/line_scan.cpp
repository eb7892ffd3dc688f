#include "internal/line_scan.h"

#include <bit>
#include <cstring>

#include "internal/simd.h"

namespace tessary::internal {
namespace {

// Whether `c` begins BEGIN or END, in either case, or a byte order mark.
inline bool Candidate(char c) {
  const char folded = char(c | 0x20);
  return folded == 'b' || folded == 'e' || c == '\xEF';
}

std::size_t FindCandidatesPortable(const char* data, std::size_t size, std::uint16_t* out) {
  std::size_t n = 0, i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kLow7 = kOnes * 0x7F;
    for (; i + 8 <= size; i += 8) {
      std::uint64_t w;
      std::memcpy(&w, data + i, 8);
      const std::uint64_t x = w ^ (kOnes * '\n');
      // The high bit of each byte is set exactly where x has a zero byte;
      // no carry crosses a byte, so there are no false hits.
      std::uint64_t line_feeds = ~(((x & kLow7) + kLow7) | x) & (kOnes * 0x80);
      while (line_feeds) {
        const std::size_t at = i + std::size_t(std::countr_zero(line_feeds)) / 8;
        if (Candidate(data[at + 1])) out[n++] = std::uint16_t(at);
        line_feeds &= line_feeds - 1;
      }
    }
  }
  for (; i < size; ++i)
    if (data[i] == '\n' && Candidate(data[i + 1])) out[n++] = std::uint16_t(i);
  return n;
}

#if TESSARY_X86
TESSARY_SSE2 std::size_t FindCandidatesSse2(const char* data, std::size_t size, std::uint16_t* out) {
  std::size_t n = 0, i = 0;
  const __m128i line_feed = _mm_set1_epi8('\n'), lower = _mm_set1_epi8(0x20);
  const __m128i b = _mm_set1_epi8('b'), e = _mm_set1_epi8('e'), mark = _mm_set1_epi8('\xEF');
  for (; i + 16 <= size; i += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 1));
    const __m128i next = _mm_or_si128(raw, lower);
    const __m128i hits = _mm_and_si128(
        _mm_cmpeq_epi8(here, line_feed),
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(next, b), _mm_cmpeq_epi8(next, e)), _mm_cmpeq_epi8(raw, mark)));
    for (auto mask = unsigned(_mm_movemask_epi8(hits)); mask; mask &= mask - 1)
      out[n++] = std::uint16_t(i + std::size_t(std::countr_zero(mask)));
  }
  for (; i < size; ++i)
    if (data[i] == '\n' && Candidate(data[i + 1])) out[n++] = std::uint16_t(i);
  return n;
}

TESSARY_AVX2 std::size_t FindCandidatesAvx2(const char* data, std::size_t size, std::uint16_t* out) {
  std::size_t n = 0, i = 0;
  const __m256i line_feed = _mm256_set1_epi8('\n'), lower = _mm256_set1_epi8(0x20);
  const __m256i b = _mm256_set1_epi8('b'), e = _mm256_set1_epi8('e'), mark = _mm256_set1_epi8('\xEF');
  for (; i + 32 <= size; i += 32) {
    const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
    const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i + 1));
    const __m256i next = _mm256_or_si256(raw, lower);
    const __m256i hits = _mm256_and_si256(
        _mm256_cmpeq_epi8(here, line_feed),
        _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(next, b), _mm256_cmpeq_epi8(next, e)),
                        _mm256_cmpeq_epi8(raw, mark)));
    for (auto mask = unsigned(_mm256_movemask_epi8(hits)); mask; mask &= mask - 1)
      out[n++] = std::uint16_t(i + std::size_t(std::countr_zero(mask)));
  }
  for (; i < size; ++i)
    if (data[i] == '\n' && Candidate(data[i + 1])) out[n++] = std::uint16_t(i);
  return n;
}
#endif

// Whether the separator begins at `at` in the line as read.
bool SeparatorAt(const Line& line, std::size_t at, std::string_view separator) {
  const std::string_view content = line.content;
  if (at + separator.size() <= content.size())
    return std::memcmp(content.data() + at, separator.data(), separator.size()) == 0;
  // It may end with the line feed that ends the line.
  return line.line_feed && at + separator.size() == content.size() + 1 && separator.back() == '\n' &&
         std::memcmp(content.data() + at, separator.data(), separator.size() - 1) == 0;
}

constexpr std::size_t kNowhere = ~std::size_t(0);

// Where the separator first begins before `end`, or kNowhere. An empty
// separator begins everywhere, so at 0 whenever `end` is past it.
std::size_t FirstSeparatorBefore(const Line& line, std::size_t end, std::string_view separator) {
  if (separator.empty()) return end > 0 ? 0 : kNowhere;
  const char* begin = line.content.data();
  for (const char* q = begin; (q = static_cast<const char*>(std::memchr(q, separator[0], std::size_t(begin + end - q))));
       ++q) {
    const std::size_t at = std::size_t(q - begin);
    if (SeparatorAt(line, at, separator)) return at;
  }
  return kNowhere;
}

}  // namespace

std::size_t FindCandidateLineFeeds(const char* data, std::size_t size, std::uint16_t* out) {
#if TESSARY_X86
  switch (Scans()) {
    case ScanKind::Avx2: return FindCandidatesAvx2(data, size, out);
    case ScanKind::Sse2: return FindCandidatesSse2(data, size, out);
    case ScanKind::Portable: break;
  }
#endif
  return FindCandidatesPortable(data, size, out);
}

bool SeparatorBeginsBefore(const Line& line, std::size_t end, std::string_view separator) {
  return FirstSeparatorBefore(line, end, separator) != kNowhere;
}

LineKind Classify(const Line& line, std::string_view separator) {
  const std::string_view content = line.content;
  const void* colon_at = content.empty() ? nullptr : std::memchr(content.data(), ':', content.size());
  if (!colon_at) return {};  // the whole line is a continuation
  const std::size_t colon = std::size_t(static_cast<const char*>(colon_at) - content.data());
  const std::size_t at = FirstSeparatorBefore(line, colon, separator);
  if (at != kNowhere) return {true, content.substr(0, at), at + 1};
  return {false, content.substr(0, colon), colon + 1};
}

}  // namespace tessary::internal
