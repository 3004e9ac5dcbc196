#pragma once
// The classes the library serves, one row each, in the order in which they are registered.
// The table ends with a row whose CLSID is null.
#include <windows.h>
#include <ole2.h>

// Makes a plain object, or the aggregate part of one when an outer unknown is given. The class
// factory has already checked the out pointer and that aggregation asks for IUnknown.
using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID riid, void** object) noexcept;

struct ObjectMapRow {
  const CLSID* clsid;
  WORD registrationScript;  // "REGISTRY" resource carried out to register or unregister the class
  InstanceCreator createInstance;
  IUnknown* classObject;  // the cached class factory, empty until first asked for
};

// The module's own table of the four classes.
ObjectMapRow* NavtrapObjectMap() noexcept;
