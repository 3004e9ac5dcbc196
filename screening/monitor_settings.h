#pragma once
// The two monitoring values under the manager's settings key.
#include <cstdint>

// "Monitor Flags", or MONITOR_OFF when it cannot be read.
uint32_t ReadMonitorFlags() noexcept;

// "MonitorType" into buffer; size is the capacity in and the bytes returned (terminator
// included) out. 1 on success, 0 when the key or the value cannot be read into the buffer.
int ReadMonitorTypes(char* buffer, unsigned long* size) noexcept;
