#pragma once
// How data reaches the download manager: its window, the six records and their delivery, and
// the catch of one URL. Every call runs to its end on the caller's thread.
#include <windows.h>

#include <cstdint>

#include "handoff/handoff_records.h"  // the six records, as their callers fill them

// The manager's main window, starting the manager from "AppPath" and waiting up to about ten
// seconds when it is not running; null (or a stale handle) when it is not available.
HWND FindManagerWindow() noexcept;

enum class DeliveryStatus {
  kReplied,  // the manager answered; `reply` is its final answer (never busy)
  kNoBlock,  // no shared block, and this kind has no file route: nothing was sent
  kNoFile,   // neither the block nor the file could be made: nothing was sent
};
struct DeliveryOutcome {
  DeliveryStatus status;
  LRESULT reply;
};

// Sends one record to `manager` and waits for its final reply through busy answers.
DeliveryOutcome DeliverRecord(HWND manager, const CatchRecord& record, int fromBrowser) noexcept;
DeliveryOutcome DeliverRecord(HWND manager, const UrlRecord& record) noexcept;
DeliveryOutcome DeliverRecord(HWND manager, const UrlListRecord& record) noexcept;
DeliveryOutcome DeliverRecord(HWND manager, const UrlQueryRecord& record) noexcept;
DeliveryOutcome DeliverRecord(HWND manager, const UrlExRecord& record) noexcept;
DeliveryOutcome DeliverRecord(HWND manager, const UrlListExRecord& record) noexcept;

// Screens `url` and, when it is to be caught, hands it with `referer` to the manager. 0: not
// caught (the decision said no, no manager, or nothing reached it); otherwise the manager's
// answer, and the caller cancels the browser's own handling.
int CatchUrl(const char* url, int fromBrowser, uint32_t flags, const char* referer) noexcept;
