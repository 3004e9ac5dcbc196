#include "handoff/shared_block.h"

#include <cstring>

namespace {
SharedBlock g_processSharedBlock;
}  // namespace

SharedBlock& ProcessSharedBlock() noexcept { return g_processSharedBlock; }

bool SharedBlock::Create(uint32_t requested, const char* blockName) noexcept {
  // On success the call leaves the last error alone unless the object existed, so clear it.
  ::SetLastError(ERROR_SUCCESS);
  UniqueHandle newMapping(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, requested, blockName));
  createdNew = ::GetLastError() != ERROR_ALREADY_EXISTS;
  if (!newMapping) return false;

  UniqueView newView(::MapViewOfFile(newMapping.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!newView) return false;
  // An object that existed keeps its own size, whatever was asked; its view may be smaller.
  MEMORY_BASIC_INFORMATION extent = {};
  if (::VirtualQuery(newView.Get(), &extent, sizeof(extent)) != sizeof(extent) || extent.RegionSize < requested) {
    return false;
  }

  size = requested;
  name = CopyString(blockName);  // a block without its name copy still works
  view = std::move(newView);
  mapping = std::move(newMapping);
  return true;
}

bool SharedBlock::Write(const void* data, uint32_t length, uint32_t* written, uint32_t offset) noexcept {
  if (offset >= size) {
    if (written != nullptr) *written = 0;
    return false;
  }
  const uint32_t count = length < size - offset ? length : size - offset;
  if (count != 0) std::memcpy(static_cast<uint8_t*>(view.Get()) + offset, data, count);
  if (written != nullptr) *written = count;
  return true;
}

bool SharedBlock::Close() noexcept {
  size = 0;
  name.reset();
  view.Reset();
  mapping.Reset();
  createdNew = FALSE;
  return true;
}
