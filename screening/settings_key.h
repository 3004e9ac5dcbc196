#pragma once
// The manager's settings key under HKEY_CURRENT_USER. The manager writes it; we only read it,
// anew at every event, so a change takes effect at the next click.
#include <windows.h>

#include "common/unique_handle.h"

constexpr char SETTINGS_KEY_PATH[] = "Software\\Ostrel\\Ostrel\\General";

// The settings key opened for query, or an empty key when it cannot be opened.
UniqueKey OpenSettingsKey() noexcept;

// Reads a value of any stored type into buffer. `size` is the capacity in and the bytes
// returned out. On failure false, and neither the buffer's meaning nor `size` changes.
bool QuerySettingsValue(HKEY key, const char* name, void* buffer, DWORD* size) noexcept;
