#include "internal/simd.h"

namespace tessary::internal {
namespace {

bool ProcessorHasSse2() {
#if TESSARY_SSE2_CODE && defined(__SSE2__)
  return true;
#elif TESSARY_SSE2_CODE
  __builtin_cpu_init();  // this runs from a static initialiser
  return __builtin_cpu_supports("sse2");
#else
  return false;
#endif
}

bool g_use_sse2 = ProcessorHasSse2();

}  // namespace

bool UseSse2() { return g_use_sse2; }

void ForcePortableScans(bool portable) { g_use_sse2 = !portable && ProcessorHasSse2(); }

}  // namespace tessary::internal
