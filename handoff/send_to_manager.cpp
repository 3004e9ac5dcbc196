#include "handoff/send_to_manager.h"

#include "handoff/handoff_protocol.h"

namespace {
constexpr DWORD kBusyPauseMs = 1000;
}  // namespace

LRESULT SendToManager(HWND manager, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  LRESULT reply = ::SendMessageA(manager, message, wParam, lParam);
  while (reply == REPLY_BUSY) {
    ::Sleep(kBusyPauseMs);
    reply = ::SendMessageA(manager, message, wParam, lParam);
  }
  return reply;
}
