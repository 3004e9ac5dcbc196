#include "screening/monitor_settings.h"

#include "screening/monitor_flags.h"
#include "screening/settings_key.h"

uint32_t ReadMonitorFlags() noexcept {
  UniqueKey key = OpenSettingsKey();
  if (!key) return MONITOR_OFF;
  // A value stored in fewer than four bytes is taken as those bytes alone, zero-extended,
  // rather than mixed with the bytes of the default.
  uint32_t stored = 0;
  DWORD size = sizeof(stored);
  if (!QuerySettingsValue(key.Get(), "Monitor Flags", &stored, &size)) return MONITOR_OFF;
  return stored;
}

int ReadMonitorTypes(char* buffer, unsigned long* size) noexcept {
  UniqueKey key = OpenSettingsKey();
  if (!key) return 0;
  return QuerySettingsValue(key.Get(), "MonitorType", buffer, size) ? 1 : 0;
}
