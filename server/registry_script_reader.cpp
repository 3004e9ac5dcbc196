#include "server/registry_script_reader.h"

#include <cstdlib>
#include <cstring>

namespace {

bool IsSpace(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool EndsWord(char c) noexcept { return c == '\0' || IsSpace(c) || c == '{' || c == '}' || c == '=' || c == '\''; }
bool IsHexOrDash(char c) noexcept {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == '-';
}
char LowerAscii(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

struct RootName {
  const char* name;
  ScriptRoot root;
};
constexpr RootName kRoots[] = {
    {"HKCR", ScriptRoot::kClassesRoot},  {"HKEY_CLASSES_ROOT", ScriptRoot::kClassesRoot},
    {"HKCU", ScriptRoot::kCurrentUser},  {"HKEY_CURRENT_USER", ScriptRoot::kCurrentUser},
    {"HKLM", ScriptRoot::kLocalMachine}, {"HKEY_LOCAL_MACHINE", ScriptRoot::kLocalMachine},
    {"HKU", ScriptRoot::kUsers},         {"HKEY_USERS", ScriptRoot::kUsers},
};

}  // namespace

RegistryScriptReader::Token RegistryScriptReader::Peek() const noexcept {
  size_t at = position_;
  while (IsSpace(text_[at])) ++at;
  char c = text_[at];
  switch (c) {
    case '\0':
      return {TokenKind::kEnd, at, 0, at};
    case '}':
      return {TokenKind::kClose, at, 1, at + 1};
    case '=':
      return {TokenKind::kEquals, at, 1, at + 1};
    case '\'': {
      size_t start = at + 1;
      size_t i = start;
      for (;;) {
        if (text_[i] == '\0') return {TokenKind::kBad, at, 0, i};
        if (text_[i] == '\'') {
          if (text_[i + 1] != '\'') break;
          ++i;
        }
        ++i;
      }
      return {TokenKind::kQuoted, start, i - start, i + 1};
    }
    case '{': {
      // "{hex-and-dashes}" is a GUID written as a bare name; any other brace opens a block.
      size_t i = at + 1;
      while (IsHexOrDash(text_[i])) ++i;
      if (i > at + 1 && text_[i] == '}' && EndsWord(text_[i + 1])) return {TokenKind::kWord, at, i + 1 - at, i + 1};
      return {TokenKind::kOpen, at, 1, at + 1};
    }
    default: {
      size_t i = at;
      while (!EndsWord(text_[i])) ++i;
      return {TokenKind::kWord, at, i - at, i};
    }
  }
}

RegistryScriptReader::Token RegistryScriptReader::Take() noexcept {
  Token token = Peek();
  position_ = token.end;
  return token;
}

bool RegistryScriptReader::WordIs(const Token& token, const char* word) const noexcept {
  if (token.kind != TokenKind::kWord || std::strlen(word) != token.length) return false;
  for (size_t i = 0; i < token.length; ++i) {
    if (LowerAscii(text_[token.start + i]) != LowerAscii(word[i])) return false;
  }
  return true;
}

// The token's text, with doubled quotes made single for a quoted string.
OwnedString RegistryScriptReader::TokenText(const Token& token) const noexcept {
  char* text = static_cast<char*>(std::malloc(token.length + 1));
  if (text == nullptr) return OwnedString();
  size_t out = 0;
  for (size_t i = 0; i < token.length; ++i) {
    char c = text_[token.start + i];
    text[out++] = c;
    if (token.kind == TokenKind::kQuoted && c == '\'') ++i;
  }
  text[out] = '\0';
  return OwnedString(text);
}

ReadStatus RegistryScriptReader::ReadName(ScriptItem* item, const Token& token) noexcept {
  if (token.kind != TokenKind::kWord && token.kind != TokenKind::kQuoted) return ReadStatus::kMalformed;
  item->name = TokenText(token);
  if (!item->name) return ReadStatus::kNoMemory;
  if (item->name.get()[0] == '\0') return ReadStatus::kMalformed;
  if (!item->isValue && std::strchr(item->name.get(), '\\') != nullptr) return ReadStatus::kMalformed;
  return ReadStatus::kItem;
}

// "= s 'text'": only string values exist in these scripts.
ReadStatus RegistryScriptReader::ReadStringValue(OwnedString* text) noexcept {
  if (Take().kind != TokenKind::kEquals) return ReadStatus::kMalformed;
  if (!WordIs(Take(), "s")) return ReadStatus::kMalformed;
  Token value = Take();
  if (value.kind != TokenKind::kQuoted) return ReadStatus::kMalformed;
  *text = TokenText(value);
  return *text ? ReadStatus::kItem : ReadStatus::kNoMemory;
}

ReadStatus RegistryScriptReader::NextRoot(ScriptRoot* root) noexcept {
  if (depth_ != 0) return ReadStatus::kMalformed;
  Token token = Take();
  if (token.kind == TokenKind::kEnd) return ReadStatus::kScriptEnd;
  for (const RootName& candidate : kRoots) {
    if (!WordIs(token, candidate.name)) continue;
    if (Take().kind != TokenKind::kOpen) return ReadStatus::kMalformed;
    depth_ = 1;
    *root = candidate.root;
    return ReadStatus::kItem;
  }
  return ReadStatus::kMalformed;
}

ReadStatus RegistryScriptReader::NextItem(ScriptItem* item) noexcept {
  if (depth_ <= 0) return ReadStatus::kMalformed;
  *item = ScriptItem();
  Token token = Take();
  switch (token.kind) {
    case TokenKind::kClose:
      --depth_;
      return ReadStatus::kBlockEnd;
    case TokenKind::kWord:
    case TokenKind::kQuoted:
      break;
    default:
      return ReadStatus::kMalformed;
  }

  if (WordIs(token, "val")) {
    item->isValue = true;
    ReadStatus status = ReadName(item, Take());
    if (status != ReadStatus::kItem) return status;
    return ReadStringValue(&item->text);
  }
  if (WordIs(token, "NoRemove") || WordIs(token, "ForceRemove")) {
    item->mark = WordIs(token, "NoRemove") ? KeyMark::kNoRemove : KeyMark::kForceRemove;
    token = Take();
  }
  ReadStatus status = ReadName(item, token);
  if (status != ReadStatus::kItem) return status;
  if (Peek().kind == TokenKind::kEquals) {
    status = ReadStringValue(&item->text);
    if (status != ReadStatus::kItem) return status;
  }
  if (Peek().kind == TokenKind::kOpen) {
    if (depth_ >= kMaxDepth) return ReadStatus::kMalformed;
    Take();
    ++depth_;
    item->hasBlock = true;
  }
  return ReadStatus::kItem;
}

ReadStatus RegistryScriptReader::SkipBlock() noexcept {
  int target = depth_ - 1;
  ScriptItem item;
  while (depth_ > target) {
    ReadStatus status = NextItem(&item);
    if (status != ReadStatus::kItem && status != ReadStatus::kBlockEnd) return status;
  }
  return ReadStatus::kBlockEnd;
}
