#pragma once
// An owned interface pointer: one reference, given back when the holder lets go. The pointer
// is set to null before its reference is released, so code reached from that Release never
// sees a pointer that is on its way out.
#include <windows.h>
#include <unknwn.h>

#include <utility>

template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  // Takes a reference of its own on `pointer`.
  explicit ComPtr(T* pointer) noexcept : pointer_(pointer) {
    if (pointer_ != nullptr) pointer_->AddRef();
  }
  ComPtr(const ComPtr& other) noexcept : ComPtr(other.pointer_) {}
  ComPtr(ComPtr&& other) noexcept : pointer_(other.Detach()) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  // Takes over a reference that the caller already owns.
  static ComPtr Adopt(T* pointer) noexcept {
    ComPtr adopted;
    adopted.pointer_ = pointer;
    return adopted;
  }

  T* Get() const noexcept { return pointer_; }
  T* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }

  void Reset() noexcept {
    T* old = std::exchange(pointer_, nullptr);
    if (old != nullptr) old->Release();
  }
  T* Detach() noexcept { return std::exchange(pointer_, nullptr); }
  // Releases what is held, so the address can be filled by a call that hands out a reference.
  T** Put() noexcept {
    Reset();
    return &pointer_;
  }
  void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

 private:
  T* pointer_ = nullptr;
};
