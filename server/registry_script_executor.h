#pragma once
// Carries out a registration script, placeholders already filled in, against the real
// registry: in register mode it writes every listed key and value (taking back a block that
// fails), in unregister mode it removes what the script lists and nobody else uses.
#include <windows.h>

// S_OK; DISP_E_EXCEPTION for a key that cannot be created or a malformed script;
// E_OUTOFMEMORY when memory runs out.
HRESULT RunRegistryScript(const char* script, bool registering) noexcept;
