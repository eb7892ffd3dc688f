// Deterministic vCard 2.1 test files: the same N always gives the same bytes.
#pragma once

#include <cstdio>

namespace tessary_bench {

// Writes `count` contacts (CR LF line ends, quoted-printable notes with soft
// line breaks, some non-ASCII names) to `out`.
void WriteVCards(std::FILE* out, long count);

}  // namespace tessary_bench
