#pragma once
// A heap string that its builder hands to the caller. Null means absent, which is distinct
// from an allocated empty string. Allocation failure gives null, never an exception.
#include <cstdlib>
#include <cstring>
#include <memory>

struct FreeDeleter {
  void operator()(void* p) const noexcept { std::free(p); }
};

using OwnedString = std::unique_ptr<char, FreeDeleter>;

// Copies `length` bytes and adds a terminator; null when memory runs out.
inline OwnedString CopyString(const char* text, size_t length) noexcept {
  char* copy = static_cast<char*>(std::malloc(length + 1));
  if (copy == nullptr) return OwnedString();
  if (length != 0) std::memcpy(copy, text, length);
  copy[length] = '\0';
  return OwnedString(copy);
}

inline OwnedString CopyString(const char* text) noexcept {
  return text == nullptr ? OwnedString() : CopyString(text, std::strlen(text));
}
