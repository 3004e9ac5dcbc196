#pragma once
// One line per owned handle type: the value, how it is closed, and which value means "none".
#include <windows.h>

#include <utility>


template <typename T, typename Closer>
class UniqueResource {
 public:
  UniqueResource() noexcept = default;
  explicit UniqueResource(T value) noexcept : value_(value) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~UniqueResource() { Reset(); }

  T Get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return Closer::IsValid(value_); }
  T Release() noexcept { return std::exchange(value_, Closer::None()); }
  void Reset(T value = Closer::None()) noexcept {
    T old = std::exchange(value_, value);
    if (Closer::IsValid(old)) Closer::Close(old);
  }
  // Frees what is held first, so the address can be filled by an API call.
  T* Put() noexcept {
    Reset();
    return &value_;
  }

 private:
  T value_ = Closer::None();
};

struct HandleCloser {
  static HANDLE None() noexcept { return nullptr; }
  static bool IsValid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FileHandleCloser : HandleCloser {
  static HANDLE None() noexcept { return INVALID_HANDLE_VALUE; }
};
struct KeyCloser {
  static HKEY None() noexcept { return nullptr; }
  static bool IsValid(HKEY k) noexcept { return k != nullptr; }
  static void Close(HKEY k) noexcept { ::RegCloseKey(k); }
};
struct ViewCloser {
  static void* None() noexcept { return nullptr; }
  static bool IsValid(void* v) noexcept { return v != nullptr; }
  static void Close(void* v) noexcept { ::UnmapViewOfFile(v); }
};
struct ModuleCloser {
  static HMODULE None() noexcept { return nullptr; }
  static bool IsValid(HMODULE m) noexcept { return m != nullptr; }
  static void Close(HMODULE m) noexcept { ::FreeLibrary(m); }
};

using UniqueHandle = UniqueResource<HANDLE, HandleCloser>;
using UniqueFile = UniqueResource<HANDLE, FileHandleCloser>;
using UniqueKey = UniqueResource<HKEY, KeyCloser>;
using UniqueView = UniqueResource<void*, ViewCloser>;
using UniqueModule = UniqueResource<HMODULE, ModuleCloser>;
