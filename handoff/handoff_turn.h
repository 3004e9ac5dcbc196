#pragma once
// Keeps overlapping hand-offs apart. The block's name and the file's name are fixed, so each
// can carry one record at a time, across all threads and processes. A hand-off therefore takes
// the turn (a named mutex, HANDOFF_LOCK_NAME) before it makes the block or the file and keeps
// it until they are gone:
// - Other threads and processes wait for the turn. While waiting, the thread handles messages
//   sent to it, as SendMessage does, so a manager that sends back cannot deadlock with it.
// - A hand-off started inside a message sent from another thread (InSendMessage) never waits:
//   that sender may be what the holder is waiting for. It takes the turn only if it is free.
// - A hand-off started on the thread that already holds the turn (it runs while that thread
//   waits for the manager's reply) joins the turn, but may use only what the hand-offs below
//   it on the stack do not: with their block open it can still take the file, never the block.
#include <windows.h>

enum class HandoffResource : unsigned { kBlock = 1, kFile = 2 };

class HandoffTurn {
 public:
  HandoffTurn() noexcept;
  ~HandoffTurn();
  HandoffTurn(const HandoffTurn&) = delete;
  HandoffTurn& operator=(const HandoffTurn&) = delete;

  // Reserves the block or the file for this hand-off. False when there is no turn, or when a
  // hand-off lower on this thread's stack is using it.
  bool Claim(HandoffResource resource) noexcept;
  void Unclaim(HandoffResource resource) noexcept;

 private:
  bool held_ = false;        // this hand-off may use the fixed names
  bool tookMutex_ = false;   // and it took the mutex itself, rather than joining its thread's turn
  unsigned claimed_ = 0;     // HandoffResource bits this hand-off reserved
};
