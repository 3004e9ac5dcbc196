#include "server/script_placeholders.h"

#include <cstdlib>
#include <cstring>

namespace {

char LowerAscii(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNameIgnoringCase(const char* name, size_t length, const char* candidate) noexcept {
  for (size_t i = 0; i < length; ++i) {
    if (candidate[i] == '\0' || LowerAscii(candidate[i]) != LowerAscii(name[i])) return false;
  }
  return candidate[length] == '\0';
}

const ScriptReplacement* FindReplacement(const char* name, size_t length, const ScriptReplacement* replacements,
                                         size_t count) noexcept {
  for (size_t i = 0; i < count; ++i) {
    if (SameNameIgnoringCase(name, length, replacements[i].name)) return &replacements[i];
  }
  return nullptr;
}

// One pass over the text: counts the expanded length when `out` is null, writes it otherwise.
bool Expand(const char* text, size_t length, const ScriptReplacement* replacements, size_t count, char* out,
            size_t* outLength) noexcept {
  size_t written = 0;
  size_t i = 0;
  while (i < length) {
    if (text[i] != '%') {
      if (out != nullptr) out[written] = text[i];
      ++written;
      ++i;
      continue;
    }
    const void* close = std::memchr(text + i + 1, '%', length - i - 1);
    if (close == nullptr) return false;
    size_t nameLength = static_cast<const char*>(close) - (text + i + 1);
    if (nameLength == 0) {
      if (out != nullptr) out[written] = '%';
      ++written;
    } else {
      const ScriptReplacement* replacement = FindReplacement(text + i + 1, nameLength, replacements, count);
      if (replacement == nullptr) return false;
      size_t textLength = std::strlen(replacement->text);
      if (out != nullptr) std::memcpy(out + written, replacement->text, textLength);
      written += textLength;
    }
    i += nameLength + 2;
  }
  *outLength = written;
  return true;
}

}  // namespace

ExpandStatus ExpandPlaceholders(const char* text, size_t length, const ScriptReplacement* replacements,
                                size_t replacementCount, OwnedString* expanded) noexcept {
  size_t expandedLength = 0;
  if (!Expand(text, length, replacements, replacementCount, nullptr, &expandedLength)) return ExpandStatus::kMalformed;
  char* buffer = static_cast<char*>(std::malloc(expandedLength + 1));
  if (buffer == nullptr) return ExpandStatus::kNoMemory;
  Expand(text, length, replacements, replacementCount, buffer, &expandedLength);
  buffer[expandedLength] = '\0';
  expanded->reset(buffer);
  return ExpandStatus::kExpanded;
}

OwnedString DoubleSingleQuotes(const char* text) noexcept {
  if (text == nullptr) return OwnedString();
  size_t length = 0;
  for (const char* p = text; *p != '\0'; ++p) length += (*p == '\'') ? 2 : 1;
  char* doubled = static_cast<char*>(std::malloc(length + 1));
  if (doubled == nullptr) return OwnedString();
  char* out = doubled;
  for (const char* p = text; *p != '\0'; ++p) {
    *out++ = *p;
    if (*p == '\'') *out++ = '\'';
  }
  *out = '\0';
  return OwnedString(doubled);
}
