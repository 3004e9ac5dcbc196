#include "screening/extension_pattern.h"

// Patterns are matched over their whole length, however long. A fixed 127-byte working copy
// would make a longer pattern mean something other than what the user wrote (or read bytes that
// are not there), so the matcher reads the caller's slice in place and never beyond it.

namespace {

bool IsWildcardPattern(const char* pattern, int length) noexcept {
  for (int i = 0; i < length; ++i) {
    if (pattern[i] == '[' || pattern[i] == '?') return true;
  }
  return false;
}

// One item of a set: empty, a single byte, or a range from low to high.
struct SetItem {
  bool hasLow = false;
  bool hasHigh = false;
  signed char low = 0;
  signed char high = 0;

  // Bytes compare as signed 8-bit values, so 0x80..0xFF order below 0x00..0x7F.
  bool Matches(signed char x) const noexcept {
    if (hasHigh) return low <= x && x <= high;
    return hasLow && x == low;
  }
  void Take(signed char c) noexcept {
    if (!hasLow) {
      low = c;
      hasLow = true;
    } else {
      high = c;
      hasHigh = true;
    }
  }
};

// Reads the set opened by the "[" at `open`. Returns whether it matches `x` and leaves `end` at
// the closing "]" or at patternLength when the set runs to the end (its open item is not tested).
bool MatchSet(const char* pattern, int patternLength, int open, signed char x, int& end) noexcept {
  bool matched = false;
  SetItem item;
  int p = open + 1;
  for (; p < patternLength; ++p) {
    const signed char c = static_cast<signed char>(pattern[p]);
    if (c == ',' || c == ']') {
      if (!matched) matched = item.Matches(x);
      item = SetItem();
      if (c == ']') break;
    } else if (c != '-') {
      item.Take(c);
    }
  }
  end = p;
  return matched;
}

bool MatchWildcard(const char* extension, int extensionLength, const char* pattern, int patternLength) noexcept {
  if (patternLength < extensionLength) return false;
  int p = 0;
  for (int e = 0; e < extensionLength; ++e, ++p) {
    if (p >= patternLength) return false;
    const char c = pattern[p];
    if (c == '?') continue;
    if (c == '[') {
      if (!MatchSet(pattern, patternLength, p, static_cast<signed char>(extension[e]), p)) return false;
      continue;
    }
    if (c != extension[e]) return false;
  }
  return p >= patternLength;
}

}  // namespace

int MatchExtensionPattern(const char* extension, int extensionLength, const char* pattern, int patternLength) noexcept {
  if (extension == nullptr || pattern == nullptr || extensionLength < 0 || patternLength < 0) return 0;
  if (!IsWildcardPattern(pattern, patternLength)) {
    if (patternLength != extensionLength) return 0;
    for (int i = 0; i < patternLength; ++i) {
      if (pattern[i] != extension[i]) return 0;
    }
    return 1;
  }
  return MatchWildcard(extension, extensionLength, pattern, patternLength) ? 1 : 0;
}
