#pragma once
// The full path of a module's file, as the system gives it (long form), however long it is.
#include <windows.h>

#include <memory>

#include "common/owned_string.h"

using OwnedWideString = std::unique_ptr<wchar_t, FreeDeleter>;

// Null when the path cannot be had; GetLastError tells why.
OwnedString ModuleFilePathA(HMODULE module) noexcept;
OwnedWideString ModuleFilePathW(HMODULE module) noexcept;
