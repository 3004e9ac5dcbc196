#pragma once
// Filling in a registration script before it is read: every %NAME% becomes the text of the
// replacement of that name (names compared without regard to case) and %% becomes %.
// Platform-free.
#include <cstddef>

#include "common/owned_string.h"

struct ScriptReplacement {
  const char* name;
  const char* text;
};

enum class ExpandStatus { kExpanded, kMalformed, kNoMemory };

// `expanded` is set only on kExpanded. An unknown name or a % without its partner is kMalformed.
ExpandStatus ExpandPlaceholders(const char* text, size_t length, const ScriptReplacement* replacements,
                                size_t replacementCount, OwnedString* expanded) noexcept;

// The text with every single quote doubled, so that a quoted script string gives it back
// unchanged. Null when memory runs out or text is null.
OwnedString DoubleSingleQuotes(const char* text) noexcept;
