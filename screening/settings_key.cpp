#include "screening/settings_key.h"

UniqueKey OpenSettingsKey() noexcept {
  UniqueKey key;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) {
    return UniqueKey();
  }
  return key;
}

bool QuerySettingsValue(HKEY key, const char* name, void* buffer, DWORD* size) noexcept {
  DWORD returned = *size;
  if (::RegQueryValueExA(key, name, nullptr, nullptr, static_cast<BYTE*>(buffer), &returned) != ERROR_SUCCESS) {
    return false;
  }
  *size = returned;
  return true;
}
