#include "server/module_state.h"

#include "server/class_objects.h"

namespace {
HINSTANCE g_instance = nullptr;
ObjectMapRow* g_objectMap = nullptr;
CRITICAL_SECTION g_objectMapLock;
CRITICAL_SECTION g_typeInfoLock;
INIT_ONCE g_locksMade = INIT_ONCE_STATIC_INIT;
ModuleCleanup* volatile g_cleanupList = nullptr;

BOOL CALLBACK MakeLocks(INIT_ONCE*, void*, void**) {
  ::InitializeCriticalSection(&g_objectMapLock);
  ::InitializeCriticalSection(&g_typeInfoLock);
  return TRUE;
}

void EnsureLocks() noexcept { ::InitOnceExecuteOnce(&g_locksMade, MakeLocks, nullptr, nullptr); }
}  // namespace

void InitializeModule(HINSTANCE instance, ObjectMapRow* objectMap) noexcept {
  g_instance = instance;
  g_objectMap = objectMap;
  EnsureLocks();
}

void TerminateModule() noexcept {
  if (g_objectMap != nullptr) ReleaseClassObjects(g_objectMap);
  BOOL pending = FALSE;
  BOOL made = FALSE;
  // Only delete locks that exist; a program that never used them has nothing to delete.
  if (::InitOnceBeginInitialize(&g_locksMade, INIT_ONCE_CHECK_ONLY, &pending, nullptr) && !pending) made = TRUE;
  if (made) {
    ::DeleteCriticalSection(&g_objectMapLock);
    ::DeleteCriticalSection(&g_typeInfoLock);
    g_locksMade = INIT_ONCE_STATIC_INIT;
  }
  ModuleCleanup* entry = static_cast<ModuleCleanup*>(::InterlockedExchangePointer(
      reinterpret_cast<void* volatile*>(&g_cleanupList), nullptr));
  while (entry != nullptr) {
    ModuleCleanup* next = entry->next;
    entry->next = nullptr;
    entry->routine(entry->argument);
    entry = next;
  }
  g_objectMap = nullptr;
}

HINSTANCE ModuleInstance() noexcept { return g_instance; }
ObjectMapRow* ModuleObjectMap() noexcept { return g_objectMap; }

CRITICAL_SECTION& ObjectMapLock() noexcept {
  EnsureLocks();
  return g_objectMapLock;
}

CRITICAL_SECTION& TypeInfoLock() noexcept {
  EnsureLocks();
  return g_typeInfoLock;
}

void AddModuleCleanup(ModuleCleanup* entry) noexcept {
  ModuleCleanup* head;
  do {
    head = g_cleanupList;
    entry->next = head;
  } while (::InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&g_cleanupList), entry, head) != head);
}
