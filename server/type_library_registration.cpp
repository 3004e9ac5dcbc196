#include "server/type_library_registration.h"

#include <ole2.h>

#include <cstdlib>
#include <cstring>

#include "common/com_ptr.h"
#include "common/unique_handle.h"
#include "server/module_path.h"

namespace {

bool IsSeparator(wchar_t c) noexcept { return c == L'\\' || c == L'/' || c == L':'; }

// The path with its extension replaced by ".tlb" (added when the file name has none). Only a
// dot in the file name counts: a dot in a folder name is not an extension.
OwnedWideString TlbPathBeside(const wchar_t* path) noexcept {
  size_t length = ::lstrlenW(path);
  size_t stem = length;
  for (size_t i = length; i > 0 && !IsSeparator(path[i - 1]); --i) {
    if (path[i - 1] == L'.') {
      stem = i - 1;
      break;
    }
  }
  static const wchar_t kExtension[] = L".tlb";
  wchar_t* tlb = static_cast<wchar_t*>(std::malloc((stem + ARRAYSIZE(kExtension)) * sizeof(wchar_t)));
  if (tlb == nullptr) return OwnedWideString();
  std::memcpy(tlb, path, stem * sizeof(wchar_t));
  std::memcpy(tlb + stem, kExtension, sizeof(kExtension));
  return OwnedWideString(tlb);
}

// Loads the module's own library, else the ".tlb" beside it; `loadedFrom` names the file.
HRESULT LoadModuleTypeLibrary(HMODULE module, ComPtr<ITypeLib>* library, OwnedWideString* loadedFrom) noexcept {
  OwnedWideString path = ModuleFilePathW(module);
  if (!path) {
    DWORD error = ::GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
  }
  HRESULT hr = ::LoadTypeLib(path.get(), library->Put());
  if (FAILED(hr)) {
    path = TlbPathBeside(path.get());
    if (!path) return E_OUTOFMEMORY;
    hr = ::LoadTypeLib(path.get(), library->Put());
    if (FAILED(hr)) return hr;
  }
  *loadedFrom = std::move(path);
  return S_OK;
}

}  // namespace

HRESULT RegisterModuleTypeLibrary(HMODULE module) noexcept {
  ComPtr<ITypeLib> library;
  OwnedWideString path;
  HRESULT hr = LoadModuleTypeLibrary(module, &library, &path);
  if (FAILED(hr)) return hr;
  // The help folder is the loaded file's folder, separator included.
  OwnedWideString helpDirectory(static_cast<wchar_t*>(std::malloc((::lstrlenW(path.get()) + 1) * sizeof(wchar_t))));
  if (!helpDirectory) return E_OUTOFMEMORY;
  ::lstrcpyW(helpDirectory.get(), path.get());
  size_t cut = ::lstrlenW(helpDirectory.get());
  while (cut > 0 && !IsSeparator(helpDirectory.get()[cut - 1])) --cut;
  helpDirectory.get()[cut] = L'\0';
  return ::RegisterTypeLib(library.Get(), path.get(), helpDirectory.get());
}

void UnregisterModuleTypeLibrary(HMODULE module) noexcept {
  ComPtr<ITypeLib> library;
  OwnedWideString path;
  if (FAILED(LoadModuleTypeLibrary(module, &library, &path))) return;
  TLIBATTR* attributes = nullptr;
  if (FAILED(library->GetLibAttr(&attributes))) return;
  // Looked up by name, as older oleaut32 builds lack the function.
  UniqueModule oleaut(::LoadLibraryA("oleaut32.dll"));
  using UnRegisterTypeLibFunction = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
  auto unregister = oleaut ? reinterpret_cast<UnRegisterTypeLibFunction>(
                                 reinterpret_cast<void*>(::GetProcAddress(oleaut.Get(), "UnRegisterTypeLib")))
                           : nullptr;
  if (unregister != nullptr) {
    unregister(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
               attributes->syskind);
  }
  library->ReleaseTLibAttr(attributes);
}
