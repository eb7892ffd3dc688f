#include "internal/simd.h"

namespace tessary::internal {
namespace {

ScanKind Best() {
#if TESSARY_X86
  __builtin_cpu_init();  // this runs from a static initialiser
  if (__builtin_cpu_supports("avx2")) return ScanKind::Avx2;
  if (__builtin_cpu_supports("sse2")) return ScanKind::Sse2;
#endif
  return ScanKind::Portable;
}

ScanKind g_scans = Best();

}  // namespace

ScanKind Scans() { return g_scans; }

ScanKind BestScans() { return Best(); }

void ForceScans(ScanKind kind) { g_scans = int(kind) <= int(Best()) ? kind : Best(); }

}  // namespace tessary::internal
