#pragma once
// The bits of the manager's "Monitor Flags" value. No other bit is tested anywhere.
#include <cstdint>

constexpr uint32_t MONITOR_PLUGIN = 0x004;            // scripts and plug-ins may be caught
constexpr uint32_t MONITOR_BROWSER = 0x008;           // the browser's requests may be caught
constexpr uint32_t MONITOR_WITH_ALT = 0x020;          // catch only while Alt is down (else only while up)
constexpr uint32_t MONITOR_BY_HELPER_OBJECT = 0x100;  // helper objects screen; the protocol handler steps aside
constexpr uint32_t MONITOR_QUERY_URLS = 0x200;        // browser URLs with "?" or "*" are screened too
constexpr uint32_t MONITOR_OFF = 0x800;               // nothing is screened; also the value when unreadable

// Room for the pattern list, terminator included: at most 254 bytes of text.
constexpr unsigned long MONITOR_TYPES_CAPACITY = 255;
