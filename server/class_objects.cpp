#include "server/class_objects.h"

#include "server/class_factory.h"
#include "server/module_state.h"

HRESULT GetClassObjectFromMap(ObjectMapRow* map, REFCLSID clsid, REFIID riid, void** object) noexcept {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  for (ObjectMapRow* row = map; row != nullptr && row->clsid != nullptr; ++row) {
    if (!::IsEqualCLSID(*row->clsid, clsid)) continue;
    HRESULT hr = S_OK;
    if (row->classObject == nullptr) {
      // Test, lock, test again: two threads asking at once still make one factory.
      CRITICAL_SECTION& lock = ObjectMapLock();
      ::EnterCriticalSection(&lock);
      if (row->classObject == nullptr) {
        IUnknown* factory = nullptr;
        hr = CreateClassFactory(row->createInstance, &factory);
        if (SUCCEEDED(hr)) ::InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&row->classObject), factory);
      }
      ::LeaveCriticalSection(&lock);
    }
    if (FAILED(hr)) return hr;
    return row->classObject->QueryInterface(riid, object);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

void ReleaseClassObjects(ObjectMapRow* map) noexcept {
  for (ObjectMapRow* row = map; row->clsid != nullptr; ++row) {
    IUnknown* factory = row->classObject;
    row->classObject = nullptr;
    if (factory != nullptr) factory->Release();
  }
}
