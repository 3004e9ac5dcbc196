#pragma once
// One hand-off message to the manager, repeated once a second for as long as it answers busy.
#include <windows.h>

// The manager's final reply, never REPLY_BUSY. Synchronous and without a time-out: a manager
// may keep us waiting while it asks its user. While it waits, this thread handles messages
// that other threads send to it, as every SendMessage does.
LRESULT SendToManager(HWND manager, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
