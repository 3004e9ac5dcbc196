#include "server/registration_script.h"

#include <cstring>

#include "common/unique_handle.h"
#include "server/module_path.h"
#include "server/registry_script_executor.h"
#include "server/script_placeholders.h"

namespace {

HRESULT LastErrorResult() noexcept {
  DWORD error = ::GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

}  // namespace

HRESULT RunRegistrationScript(HMODULE module, WORD scriptId, bool registering) noexcept {
  OwnedString path = ModuleFilePathA(module);
  if (!path) return LastErrorResult();
  // The script quotes the path, so its quotes are doubled to come back as they are.
  OwnedString quotedPath = DoubleSingleQuotes(path.get());
  if (!quotedPath) return E_OUTOFMEMORY;

  UniqueModule file(::LoadLibraryExA(path.get(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!file) return LastErrorResult();
  HRSRC resource = ::FindResourceA(file.Get(), MAKEINTRESOURCEA(scriptId), "REGISTRY");
  if (resource == nullptr) return LastErrorResult();
  HGLOBAL loaded = ::LoadResource(file.Get(), resource);
  const char* text = static_cast<const char*>(::LockResource(loaded));
  if (text == nullptr) return LastErrorResult();
  DWORD size = ::SizeofResource(file.Get(), resource);
  // The resource need not end with a NUL; the script is what comes before the first one.
  const void* nul = std::memchr(text, '\0', size);
  size_t length = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - text) : size;

  const ScriptReplacement replacements[] = {{"MODULE", quotedPath.get()}};
  OwnedString script;
  switch (ExpandPlaceholders(text, length, replacements, 1, &script)) {
    case ExpandStatus::kExpanded: break;
    case ExpandStatus::kMalformed: return DISP_E_EXCEPTION;
    case ExpandStatus::kNoMemory: return E_OUTOFMEMORY;
  }
  file.Reset();
  return RunRegistryScript(script.get(), registering);
}
