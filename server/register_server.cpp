#include "server/register_server.h"

#include "server/registration_script.h"
#include "server/type_library_registration.h"

HRESULT RegisterServer(HMODULE module, const ObjectMapRow* map) noexcept {
  for (const ObjectMapRow* row = map; row->clsid != nullptr; ++row) {
    HRESULT hr = RunRegistrationScript(module, row->registrationScript, true);
    if (FAILED(hr)) return hr;
  }
  return RegisterModuleTypeLibrary(module);
}

HRESULT UnregisterServer(HMODULE module, const ObjectMapRow* map) noexcept {
  for (const ObjectMapRow* row = map; row->clsid != nullptr; ++row) {
    RunRegistrationScript(module, row->registrationScript, false);
  }
  UnregisterModuleTypeLibrary(module);
  return S_OK;
}
