#pragma once
// Registers the module's "TYPELIB" 1 resource, or the ".tlb" file beside the module when the
// resource cannot be loaded, and takes the registration away again.
#include <windows.h>

// RegisterTypeLib's result, or LoadTypeLib's failure for the ".tlb" file.
HRESULT RegisterModuleTypeLibrary(HMODULE module) noexcept;
// Nothing is reported: a library that cannot be loaded, or an oleaut32 without
// UnRegisterTypeLib, simply leaves nothing to do.
void UnregisterModuleTypeLibrary(HMODULE module) noexcept;
