#pragma once
// Walks a registration script with the reader and writes what it read in one line, so a test
// states a whole script's meaning as one expected string:
//   HKCR{ NoRemove CLSID{ ForceRemove {X}='D'{ val ThreadingModel='Apartment' } } }
// A read that fails ends the line with <malformed> or <no memory>.
#include <string>

#include "server/registry_script_reader.h"

inline const char* RootName(ScriptRoot root) {
  switch (root) {
    case ScriptRoot::kClassesRoot: return "HKCR";
    case ScriptRoot::kCurrentUser: return "HKCU";
    case ScriptRoot::kLocalMachine: return "HKLM";
    case ScriptRoot::kUsers: return "HKU";
  }
  return "?";
}

inline std::string FailureName(ReadStatus status) {
  return status == ReadStatus::kNoMemory ? "<no memory>" : "<malformed>";
}

inline bool WalkBlock(RegistryScriptReader& reader, std::string* out) {
  for (;;) {
    ScriptItem item;
    ReadStatus status = reader.NextItem(&item);
    if (status == ReadStatus::kBlockEnd) return true;
    if (status != ReadStatus::kItem) {
      *out += FailureName(status);
      return false;
    }
    *out += " ";
    if (item.isValue) *out += "val ";
    if (item.mark == KeyMark::kNoRemove) *out += "NoRemove ";
    if (item.mark == KeyMark::kForceRemove) *out += "ForceRemove ";
    *out += item.name.get();
    if (item.text) *out += "='" + std::string(item.text.get()) + "'";
    if (item.hasBlock) {
      *out += "{";
      if (!WalkBlock(reader, out)) return false;
      *out += " }";
    }
  }
}

inline std::string WalkScript(const char* script) {
  RegistryScriptReader reader(script);
  std::string out;
  for (;;) {
    ScriptRoot root;
    ReadStatus status = reader.NextRoot(&root);
    if (status == ReadStatus::kScriptEnd) return out;
    if (status != ReadStatus::kItem) return out + FailureName(status);
    if (!out.empty()) out += " ";
    out += RootName(root);
    out += "{";
    if (!WalkBlock(reader, &out)) return out;
    out += " }";
  }
}
