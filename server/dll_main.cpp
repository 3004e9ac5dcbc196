// Entry points of navtrap.DLL.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(instance);
  return TRUE;
}

STDAPI DllCanUnloadNow() { return S_OK; }
STDAPI DllGetClassObject(REFCLSID, REFIID, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}
STDAPI DllRegisterServer() { return S_OK; }
STDAPI DllUnregisterServer() { return S_OK; }
