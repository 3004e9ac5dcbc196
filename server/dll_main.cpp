// Entry point and exports of navtrap.DLL.
#include <windows.h>
#include <ole2.h>

#include "server/class_objects.h"
#include "server/module_lock.h"
#include "server/module_state.h"
#include "server/object_map.h"
#include "server/register_server.h"

// Runs under the loader lock: store, make the locks, and nothing else (no COM, no registry).
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    InitializeModule(instance, NavtrapObjectMap());
    ::DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    TerminateModule();
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() { return ModuleLockCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return GetClassObjectFromMap(ModuleObjectMap(), clsid, riid, object);
}

STDAPI DllRegisterServer() { return RegisterServer(ModuleInstance(), ModuleObjectMap()); }

STDAPI DllUnregisterServer() { return UnregisterServer(ModuleInstance(), ModuleObjectMap()); }
