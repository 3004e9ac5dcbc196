#pragma once
// The state of the module from load to unload: its instance handle, its object map, the two
// locks that serialise lazily made class objects and type information, and the clean-up list.
#include <windows.h>

struct ObjectMapRow;

// A routine run at unload. Its owner keeps the entry in static storage and links it in once,
// so adding it cannot fail.
struct ModuleCleanup {
  void (*routine)(void* argument);
  void* argument;
  ModuleCleanup* next;
};

// Process attach: stores the handle and the map and makes the locks. Nothing else; it runs
// under the loader lock.
void InitializeModule(HINSTANCE instance, ObjectMapRow* objectMap) noexcept;
// Process detach: releases the cached class objects, deletes the locks and runs the clean-up
// list, newest entry first.
void TerminateModule() noexcept;

HINSTANCE ModuleInstance() noexcept;
ObjectMapRow* ModuleObjectMap() noexcept;

// The locks are also made on first use, so code of the core library works in a program that
// never went through the DLL's entry point.
CRITICAL_SECTION& ObjectMapLock() noexcept;
CRITICAL_SECTION& TypeInfoLock() noexcept;

void AddModuleCleanup(ModuleCleanup* entry) noexcept;
