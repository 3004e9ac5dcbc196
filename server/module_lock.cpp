#include "server/module_lock.h"

#include <windows.h>

namespace {
// Shared by every apartment of the process, so only interlocked operations touch it.
volatile LONG g_moduleLockCount = 0;
}  // namespace

void LockModule() noexcept { ::InterlockedIncrement(&g_moduleLockCount); }
void UnlockModule() noexcept { ::InterlockedDecrement(&g_moduleLockCount); }
long ModuleLockCount() noexcept { return ::InterlockedCompareExchange(&g_moduleLockCount, 0, 0); }
