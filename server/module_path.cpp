#include "server/module_path.h"

#include <cstdlib>

namespace {

// GetModuleFileName cuts a path that does not fit and says so only by filling the buffer:
// grow it until the path and its terminator fit.
template <typename Char, typename Get>
Char* FilePath(HMODULE module, Get get) noexcept {
  for (DWORD size = MAX_PATH; size <= 32768 * 2; size *= 2) {
    Char* path = static_cast<Char*>(std::malloc(size * sizeof(Char)));
    if (path == nullptr) {
      ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    DWORD length = get(module, path, size);
    if (length != 0 && length < size) return path;
    DWORD error = ::GetLastError();
    std::free(path);
    if (length == 0) {
      ::SetLastError(error);
      return nullptr;
    }
  }
  ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return nullptr;
}

}  // namespace

OwnedString ModuleFilePathA(HMODULE module) noexcept {
  return OwnedString(FilePath<char>(module, ::GetModuleFileNameA));
}

OwnedWideString ModuleFilePathW(HMODULE module) noexcept {
  return OwnedWideString(FilePath<wchar_t>(module, ::GetModuleFileNameW));
}
