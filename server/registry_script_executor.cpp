#include "server/registry_script_executor.h"

#include "common/unique_handle.h"
#include "server/registry_script_reader.h"

namespace {

HKEY RootKey(ScriptRoot root) noexcept {
  switch (root) {
    case ScriptRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    case ScriptRoot::kCurrentUser: return HKEY_CURRENT_USER;
    case ScriptRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
    case ScriptRoot::kUsers: return HKEY_USERS;
  }
  return nullptr;
}

HRESULT FailureOf(ReadStatus status) noexcept {
  return status == ReadStatus::kNoMemory ? E_OUTOFMEMORY : DISP_E_EXCEPTION;
}

// CLSID and TypeLib hold other software's entries: ForceRemove never sweeps them away.
bool IsSharedKeyName(const char* name) noexcept {
  return ::lstrcmpiA(name, "CLSID") == 0 || ::lstrcmpiA(name, "TypeLib") == 0;
}

void SetString(HKEY key, const char* name, const char* text) noexcept {
  ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(::lstrlenA(text) + 1));
}

bool KeyExists(HKEY parent, const char* name) noexcept {
  UniqueKey key;
  return ::RegOpenKeyExA(parent, name, 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

// Deletes a key with everything under it; what cannot be deleted stays.
void DeleteKeyTree(HKEY parent, const char* name) noexcept {
  {
    UniqueKey key;
    if (::RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS) return;
    char subkey[256];  // the longest key name the registry allows, and its terminator
    DWORD index = 0;
    for (;;) {
      DWORD length = sizeof(subkey);
      if (::RegEnumKeyExA(key.Get(), index, subkey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      DeleteKeyTree(key.Get(), subkey);
      if (KeyExists(key.Get(), subkey)) ++index;  // it would not go: step past it
    }
  }
  ::RegDeleteKeyA(parent, name);
}

bool OpenOrCreate(HKEY parent, const char* name, UniqueKey* key) noexcept {
  if (::RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, key->Put()) == ERROR_SUCCESS) return true;
  if (::RegOpenKeyExA(parent, name, 0, KEY_READ, key->Put()) == ERROR_SUCCESS) return true;
  return ::RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key->Put(),
                           nullptr) == ERROR_SUCCESS;
}

bool HasSubkeys(HKEY key) noexcept {
  DWORD subkeys = 0;
  if (::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS) {
    return true;  // unknown: keep it
  }
  return subkeys != 0;
}

HRESULT RegisterBlock(RegistryScriptReader& reader, HKEY parent) noexcept {
  for (;;) {
    ScriptItem item;
    ReadStatus status = reader.NextItem(&item);
    if (status == ReadStatus::kBlockEnd) return S_OK;
    if (status != ReadStatus::kItem) return FailureOf(status);
    if (item.isValue) {
      SetString(parent, item.name.get(), item.text.get());
      continue;
    }
    if (item.mark == KeyMark::kForceRemove && !IsSharedKeyName(item.name.get())) DeleteKeyTree(parent, item.name.get());
    UniqueKey key;
    if (!OpenOrCreate(parent, item.name.get(), &key)) return DISP_E_EXCEPTION;
    // A key opened for reading only loses this value without a failure, as the rules say.
    if (item.text) SetString(key.Get(), nullptr, item.text.get());
    if (item.hasBlock) {
      HRESULT hr = RegisterBlock(reader, key.Get());
      if (FAILED(hr)) return hr;
    }
  }
}

HRESULT UnregisterBlock(RegistryScriptReader& reader, HKEY parent) noexcept {
  for (;;) {
    ScriptItem item;
    ReadStatus status = reader.NextItem(&item);
    if (status == ReadStatus::kBlockEnd) return S_OK;
    if (status != ReadStatus::kItem) return FailureOf(status);
    if (item.isValue) {
      ::RegDeleteValueA(parent, item.name.get());
      continue;
    }
    UniqueKey key;
    if (::RegOpenKeyExA(parent, item.name.get(), 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS &&
        ::RegOpenKeyExA(parent, item.name.get(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
      // Not there (or not ours to see): nothing listed under it is touched.
      if (item.hasBlock) {
        status = reader.SkipBlock();
        if (status != ReadStatus::kBlockEnd) return FailureOf(status);
      }
      continue;
    }
    if (item.hasBlock) {
      HRESULT hr = UnregisterBlock(reader, key.Get());
      if (FAILED(hr)) return hr;
    }
    // A key that still has subkeys holds somebody else's entries and stays.
    if (item.mark == KeyMark::kNoRemove || HasSubkeys(key.Get())) continue;
    key.Reset();
    ::RegDeleteKeyA(parent, item.name.get());
  }
}

}  // namespace

HRESULT RunRegistryScript(const char* script, bool registering) noexcept {
  RegistryScriptReader reader(script);
  for (;;) {
    ScriptRoot root;
    ReadStatus status = reader.NextRoot(&root);
    if (status == ReadStatus::kScriptEnd) return S_OK;
    if (status != ReadStatus::kItem) return FailureOf(status);
    RegistryScriptReader::Mark blockStart = reader.Position();
    if (!registering) {
      HRESULT hr = UnregisterBlock(reader, RootKey(root));
      if (FAILED(hr)) return hr;
      continue;
    }
    HRESULT hr = RegisterBlock(reader, RootKey(root));
    if (FAILED(hr)) {
      // Take back what the failing block wrote; blocks before it stay.
      reader.Rewind(blockStart);
      UnregisterBlock(reader, RootKey(root));
      return hr;
    }
  }
}
