#pragma once
// Runs one of the module's "REGISTRY" resources through the registrar, with %MODULE% standing
// for the module's full path.
#include <windows.h>

// The registrar's result, or the system failure (as an HRESULT) of reading the script.
HRESULT RunRegistrationScript(HMODULE module, WORD scriptId, bool registering) noexcept;
