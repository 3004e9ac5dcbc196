#pragma once
// One named, page-file backed mapping and its view: the block a record travels in. The process
// has one instance (ProcessSharedBlock); a hand-off uses it from Create to Close, and the
// hand-off turn (handoff_turn.h) keeps two hand-offs from using it at once.
#include <windows.h>

#include <cstdint>

#include "common/owned_string.h"
#include "common/unique_handle.h"

class SharedBlock {
 public:
  SharedBlock() noexcept = default;
  SharedBlock(const SharedBlock&) = delete;
  SharedBlock& operator=(const SharedBlock&) = delete;
  virtual ~SharedBlock() { Close(); }

  // Creates the mapping `name` with `requested` bytes, or opens it when it exists, and maps all
  // of it. Call only on a closed block. An existing object whose view is smaller than
  // `requested` is refused, so no write can leave the view. `createdNew` is set by every call.
  bool Create(uint32_t requested, const char* blockName) noexcept;
  // Copies up to `length` bytes to `offset`, cut at `size`; `written` (optional) gets the count.
  // False, with nothing copied, when `offset` is at or past `size`.
  bool Write(const void* data, uint32_t length, uint32_t* written, uint32_t offset) noexcept;
  // Unmaps and closes everything and returns to the closed state. Always true.
  bool Close() noexcept;

  bool IsOpen() const noexcept { return static_cast<bool>(view) && static_cast<bool>(mapping); }

  UniqueView view;        // start of the mapped view; empty while closed
  uint32_t size = 0;      // bytes asked for at creation, the bound of every write; 0 while closed
  UniqueHandle mapping;   // the file-mapping object; empty while closed
  OwnedString name;       // the name it was created under; null while closed (or no memory)
  BOOL createdNew = FALSE;  // whether the last Create made a new object; false after Close
};

// The process's one block, closed when the library loads and closed again when it unloads.
SharedBlock& ProcessSharedBlock() noexcept;
