#pragma once
// Reads a registration script, placeholders already filled in, one item at a time, so that
// the executor can carry out, skip or read a block again. Platform-free.
//
//   script := { root '{' { item } '}' }
//   root   := HKCR | HKCU | HKLM | HKU (or their HKEY_ names)
//   item   := [NoRemove | ForceRemove] name ['=' s 'text'] ['{' { item } '}']
//           | val name '=' s 'text'
// A name is a bare word or a quoted string; a doubled single quote inside quotes stands for
// one. A bare word may be a GUID in braces. Key names hold no backslash.
#include <cstddef>

#include "common/owned_string.h"

enum class ScriptRoot { kClassesRoot, kCurrentUser, kLocalMachine, kUsers };
enum class KeyMark { kNone, kNoRemove, kForceRemove };

enum class ReadStatus {
  kItem,         // an item (or a root) was read
  kBlockEnd,     // the closing brace of the current block
  kScriptEnd,    // no more roots
  kMalformed,
  kNoMemory,
};

struct ScriptItem {
  bool isValue = false;  // a `val` item: a named value of the enclosing key
  KeyMark mark = KeyMark::kNone;
  OwnedString name;
  OwnedString text;  // the key's default value or the value's data; null when none is given
  bool hasBlock = false;  // its block follows: read it with NextItem up to kBlockEnd, or SkipBlock
};

class RegistryScriptReader {
 public:
  // `text` is NUL-terminated and must outlive the reader.
  explicit RegistryScriptReader(const char* text) noexcept : text_(text) {}

  // At the top level: the next root and the opening brace of its block.
  ReadStatus NextRoot(ScriptRoot* root) noexcept;
  // Inside a block: the next item or the end of the block.
  ReadStatus NextItem(ScriptItem* item) noexcept;
  // Passes over the rest of the current block, its closing brace included: kBlockEnd.
  ReadStatus SkipBlock() noexcept;

  // Where the reader is, to read a block again (with its depth).
  struct Mark {
    size_t position;
    int depth;
  };
  Mark Position() const noexcept { return {position_, depth_}; }
  void Rewind(Mark mark) noexcept {
    position_ = mark.position;
    depth_ = mark.depth;
  }

  // Deeper nesting than this is taken as malformed, so no walk of a script can exhaust a stack.
  static constexpr int kMaxDepth = 32;

 private:
  enum class TokenKind { kOpen, kClose, kEquals, kQuoted, kWord, kEnd, kBad };
  struct Token {
    TokenKind kind;
    size_t start;   // of the word or the quoted text (after the quote)
    size_t length;  // raw length, before undoubling quotes
    size_t end;     // position after the token
  };

  Token Peek() const noexcept;
  Token Take() noexcept;
  bool WordIs(const Token& token, const char* word) const noexcept;
  OwnedString TokenText(const Token& token) const noexcept;
  ReadStatus ReadName(ScriptItem* item, const Token& token) noexcept;
  ReadStatus ReadStringValue(OwnedString* text) noexcept;

  const char* text_;
  size_t position_ = 0;
  int depth_ = 0;
};
