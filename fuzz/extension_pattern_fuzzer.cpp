// Matches arbitrary extensions against arbitrary patterns in exactly sized buffers (so any read
// past either is caught) and checks the properties every answer must have.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "screening/extension_pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t extensionLength = data[0] % 12;
  if (size - 1 < extensionLength) return 0;
  const size_t patternLength = size - 1 - extensionLength;
  std::unique_ptr<char[]> extension(new char[extensionLength + 1]);
  std::unique_ptr<char[]> pattern(new char[patternLength + 1]);
  std::memcpy(extension.get(), data + 1, extensionLength);
  std::memcpy(pattern.get(), data + 1 + extensionLength, patternLength);

  const int result = MatchExtensionPattern(extension.get(), static_cast<int>(extensionLength), pattern.get(),
                                           static_cast<int>(patternLength));
  if (result != 0 && result != 1) std::abort();
  // Each pattern byte that is not part of a set consumes one extension byte, so a match needs
  // at least as many pattern bytes as extension bytes.
  if (result == 1 && patternLength < extensionLength) std::abort();
  // A pattern always matches itself when it holds no wildcard.
  if (std::memchr(pattern.get(), '[', patternLength) == nullptr && std::memchr(pattern.get(), '?', patternLength) == nullptr) {
    if (MatchExtensionPattern(pattern.get(), static_cast<int>(patternLength), pattern.get(), static_cast<int>(patternLength)) != 1) {
      std::abort();
    }
  }
  return 0;
}
