#include "handoff/handoff_turn.h"

#include <atomic>

#include "handoff/handoff_protocol.h"

namespace {

// The process's side of the turn. Only the thread in `owner` reads or writes `inUse`.
struct TurnState {
  ~TurnState() {
    HANDLE mutex = this->mutex.exchange(nullptr);
    if (mutex != nullptr) ::CloseHandle(mutex);
  }
  std::atomic<HANDLE> mutex{nullptr};  // opened on first use, closed when the library unloads
  std::atomic<DWORD> owner{0};         // the thread holding the turn, 0 when none
  unsigned inUse = 0;                  // HandoffResource bits of the owner thread's hand-offs
};
TurnState g_turn;

HANDLE TurnMutex() noexcept {
  HANDLE mutex = g_turn.mutex.load();
  if (mutex != nullptr) return mutex;
  HANDLE created = ::CreateMutexA(nullptr, FALSE, HANDOFF_LOCK_NAME);
  if (created == nullptr) return nullptr;
  if (!g_turn.mutex.compare_exchange_strong(mutex, created)) {
    ::CloseHandle(created);  // another thread opened it first
    return mutex;
  }
  return created;
}

bool Acquired(DWORD waitResult) noexcept {
  // An abandoned turn is ours all the same: its holder died and with it the block it held.
  return waitResult == WAIT_OBJECT_0 || waitResult == WAIT_ABANDONED_0;
}

// Waits for the mutex, handling messages that other threads send meanwhile.
bool WaitHandlingSentMessages(HANDLE mutex) noexcept {
  for (;;) {
    const DWORD result = ::MsgWaitForMultipleObjectsEx(1, &mutex, INFINITE, QS_SENDMESSAGE, 0);
    if (Acquired(result)) return true;
    if (result != WAIT_OBJECT_0 + 1) return false;
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

HandoffTurn::HandoffTurn() noexcept {
  const DWORD thread = ::GetCurrentThreadId();
  if (g_turn.owner.load() == thread) {
    held_ = true;
    return;
  }
  HANDLE mutex = TurnMutex();
  if (mutex == nullptr) return;
  // Free turns are the rule: take one without the costlier wait. A busy one is waited for,
  // unless this thread is answering a message sent by a thread that may hold it.
  const DWORD first = ::WaitForSingleObject(mutex, 0);
  const bool acquired = Acquired(first) || (first == WAIT_TIMEOUT && !::InSendMessage() && WaitHandlingSentMessages(mutex));
  if (!acquired) return;
  g_turn.owner.store(thread);
  g_turn.inUse = 0;
  held_ = tookMutex_ = true;
}

HandoffTurn::~HandoffTurn() {
  if (claimed_ != 0) g_turn.inUse &= ~claimed_;
  if (tookMutex_) {
    g_turn.owner.store(0);
    ::ReleaseMutex(g_turn.mutex.load());
  }
}

bool HandoffTurn::Claim(HandoffResource resource) noexcept {
  const unsigned bit = static_cast<unsigned>(resource);
  if (!held_ || (g_turn.inUse & bit) != 0) return false;
  g_turn.inUse |= bit;
  claimed_ |= bit;
  return true;
}

void HandoffTurn::Unclaim(HandoffResource resource) noexcept {
  const unsigned bit = static_cast<unsigned>(resource);
  if ((claimed_ & bit) == 0) return;
  claimed_ &= ~bit;
  g_turn.inUse &= ~bit;
}
