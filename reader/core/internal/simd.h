// Vector code for the scans over a whole file. On x86 the scans come in
// three kinds: AVX2 (32 bytes at a time), SSE2 (16) and portable (8, a word
// at a time); the best the processor has runs, checked once at start-up.
// Every x86-64 processor has SSE2; a 32-bit build checks for it too. All
// kinds give the same results, and tests run each of them.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TESSARY_X86 1
#define TESSARY_SSE2 __attribute__((target("sse2")))
#define TESSARY_AVX2 __attribute__((target("avx2")))
#else
#define TESSARY_X86 0
#endif

namespace tessary::internal {

enum class ScanKind { Portable, Sse2, Avx2 };

// The kind the scans use, and the best kind this processor can run.
ScanKind Scans();
ScanKind BestScans();

// For tests: use `kind`, or the best the processor has if it lacks `kind`.
// Not for use while a file is being read.
void ForceScans(ScanKind kind);

}  // namespace tessary::internal
