// The catch of one URL: the decision first, then the manager's window, then the hand-off.
#include "handoff/handoff.h"
#include "screening/screen_url.h"

int CatchUrl(const char* url, int fromBrowser, uint32_t flags, const char* referer) noexcept {
  if (ScreenUrl(url, fromBrowser, flags) == 0) return 0;
  HWND manager = FindManagerWindow();
  if (!::IsWindow(manager)) return 0;
  const DeliveryOutcome outcome = DeliverRecord(manager, CatchRecord{url, referer}, fromBrowser);
  // Nothing reached the manager without a reply, so the browser must go on.
  if (outcome.status != DeliveryStatus::kReplied) return 0;
  return static_cast<int>(outcome.reply);
}
