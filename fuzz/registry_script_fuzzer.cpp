// Reads arbitrary bytes as a registration script, placeholders first, as the registrar does,
// and checks what must always hold: no crash, no read past the text, nesting within the
// reader's limit, names present and key names free of backslashes, and a block read again
// after rewinding giving the same items.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "server/registry_script_reader.h"
#include "server/script_placeholders.h"

namespace {

// Walks one block; even items with a block are descended into, odd ones skipped, so both
// ways of passing a block are exercised. Returns false when the reader reported a fault.
bool Walk(RegistryScriptReader& reader, int depth, std::string* seen) {
  if (depth > RegistryScriptReader::kMaxDepth) std::abort();
  for (int index = 0;; ++index) {
    ScriptItem item;
    ReadStatus status = reader.NextItem(&item);
    if (status == ReadStatus::kBlockEnd) return true;
    if (status != ReadStatus::kItem) return false;
    if (!item.name || item.name.get()[0] == '\0') std::abort();
    if (!item.isValue && std::strchr(item.name.get(), '\\') != nullptr) std::abort();
    if (item.isValue && (!item.text || item.hasBlock)) std::abort();
    *seen += item.name.get();
    *seen += item.text ? item.text.get() : "-";
    if (!item.hasBlock) continue;
    if (index % 2 == 0) {
      if (!Walk(reader, depth + 1, seen)) return false;
    } else if (reader.SkipBlock() != ReadStatus::kBlockEnd) {
      return false;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ScriptReplacement replacements[] = {{"MODULE", "C:\\it''s\\navtrap.DLL"}};
  OwnedString script;
  if (ExpandPlaceholders(reinterpret_cast<const char*>(data), size, replacements, 1, &script) !=
      ExpandStatus::kExpanded) {
    return 0;
  }
  // An exactly sized heap copy up to the first NUL, so ASan sees any read past the terminator.
  size_t length = std::strlen(script.get());
  OwnedString text = CopyString(script.get(), length);

  RegistryScriptReader reader(text.get());
  for (;;) {
    ScriptRoot root;
    if (reader.NextRoot(&root) != ReadStatus::kItem) break;
    RegistryScriptReader::Mark start = reader.Position();
    std::string first;
    bool whole = Walk(reader, 1, &first);
    RegistryScriptReader::Mark end = reader.Position();
    reader.Rewind(start);
    std::string second;
    if (Walk(reader, 1, &second) != whole || second != first) std::abort();
    if (reader.Position().position != end.position) std::abort();
    if (!whole) break;
  }
  return 0;
}
