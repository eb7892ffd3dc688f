// Deterministic vCard 2.1 test files: the same N always gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdio>

namespace tessary_bench {

// Writes `count` contacts (CR LF line ends, quoted-printable notes with soft
// line breaks, some non-ASCII names) to `out`; with `photo_bytes`, each has
// a picture of that many bytes, in base64 folded at 76 columns as phones
// write it.
void WriteVCards(std::FILE* out, long count, std::size_t photo_bytes = 0);

}  // namespace tessary_bench
