#pragma once
// DllRegisterServer and DllUnregisterServer: every class of the object map, in order, through
// its registration script, then the type library.
#include <windows.h>

#include "server/object_map.h"

// S_OK, or the first failure: classes before it stay registered, later ones and the type
// library are not registered.
HRESULT RegisterServer(HMODULE module, const ObjectMapRow* map) noexcept;
// Always S_OK: whatever is not there is skipped.
HRESULT UnregisterServer(HMODULE module, const ObjectMapRow* map) noexcept;
