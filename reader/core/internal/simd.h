// Vector code for the scans over a whole file. Every x86-64 processor has
// SSE2; a 32-bit build compiles the SSE2 code as well and checks the
// processor at run time. Elsewhere, or when a test asks for it, the portable
// word-at-a-time code runs, which gives the same results.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#define TESSARY_SSE2_CODE 1
#if defined(__SSE2__)
#define TESSARY_SSE2_TARGET
#else
#define TESSARY_SSE2_TARGET __attribute__((target("sse2")))
#endif
#else
#define TESSARY_SSE2_CODE 0
#endif

namespace tessary::internal {

// Whether the scans use SSE2.
bool UseSse2();

// For tests: run the portable code even where SSE2 is available, so both
// are checked on one machine. Not for use while a file is being read.
void ForcePortableScans(bool portable);

}  // namespace tessary::internal
