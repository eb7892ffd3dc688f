#include "module_lock.h"

namespace comsupport {
namespace {

LONG g_lock_count = 0;

}  // namespace

void LockModule() { InterlockedIncrement(&g_lock_count); }
void UnlockModule() { InterlockedDecrement(&g_lock_count); }
bool ModuleUnused() { return InterlockedCompareExchange(&g_lock_count, 0, 0) == 0; }

}  // namespace comsupport
