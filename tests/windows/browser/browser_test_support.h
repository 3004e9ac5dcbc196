#pragma once
// Shared by the browser object tests: the module lock check, waiting for a thread to end, a
// census of open handles, and a message pump for tests that host real browser components.
#include <windows.h>

#include <gtest/gtest.h>

#include "server/module_lock.h"

// Every test leaves the module lock count where it found it: every object it made is gone and
// every lock given back. A test whose peer keeps some of our objects says how many.
class ModuleLockTest : public testing::Test {
 protected:
  void SetUp() override { startLocks_ = ModuleLockCount(); }
  void TearDown() override {
    EXPECT_EQ(startLocks_ + locksKeptByPeer_, ModuleLockCount()) << "every object gone, every lock given back";
  }
  void ExpectLocksKeptByPeer(long count) { locksKeptByPeer_ = count; }

 private:
  long startLocks_ = 0;
  long locksKeptByPeer_ = 0;
};

// Waits until the thread with this id has ended; true at once when it already has.
inline bool WaitForThreadToEnd(DWORD threadId) {
  HANDLE thread = ::OpenThread(SYNCHRONIZE, FALSE, threadId);
  if (thread == nullptr) return true;
  const bool ended = ::WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0;
  ::CloseHandle(thread);
  return ended;
}

// The number of handle values of this process that name an open handle. Wine's
// GetProcessHandleCount answers 0, so the handle table is probed value by value.
inline int CountOpenHandles() {
  int open = 0;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
  }
  return open;
}

// Delivers this thread's messages until `event` is set or about ten seconds have passed.
inline bool PumpMessagesUntil(HANDLE event, DWORD limitMs = 10000) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= limitMs) return false;
    const DWORD wait = ::MsgWaitForMultipleObjects(1, &event, FALSE, limitMs - elapsed, QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) return true;
    if (wait != WAIT_OBJECT_0 + 1) return false;
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}
