#include "server/dispatch_type_info.h"

#include <cstdlib>
#include <cstring>

#include "common/com_ptr.h"
#include "navtrap_idl.h"
#include "server/module_state.h"

namespace {

struct CachedName {
  BSTR name;
  UINT length;
  DISPID id;
};

struct TypeInfoCache {
  const IID* iid;
  ITypeInfo* volatile typeInfo;  // set last, once the names are in place; read without a lock
  CachedName* names;
  UINT nameCount;
  ModuleCleanup cleanup;
};

void ReleaseCache(void* argument) {
  TypeInfoCache* cache = static_cast<TypeInfoCache*>(argument);
  ITypeInfo* typeInfo = cache->typeInfo;
  cache->typeInfo = nullptr;
  if (typeInfo != nullptr) typeInfo->Release();
  for (UINT i = 0; i < cache->nameCount; ++i) ::SysFreeString(cache->names[i].name);
  std::free(cache->names);
  cache->names = nullptr;
  cache->nameCount = 0;
}

TypeInfoCache g_caches[] = {
    {&IID_IOstrelNetscape, nullptr, nullptr, 0, {ReleaseCache, &g_caches[0], nullptr}},
    {&IID_IIeCatch2, nullptr, nullptr, 0, {ReleaseCache, &g_caches[1], nullptr}},
    {&IID_IIeCatch5, nullptr, nullptr, 0, {ReleaseCache, &g_caches[2], nullptr}},
};

TypeInfoCache* FindCache(REFIID iid) noexcept {
  for (TypeInfoCache& cache : g_caches) {
    if (::IsEqualIID(*cache.iid, iid)) return &cache;
  }
  return nullptr;
}

// Every member's name with its DISPID. Without memory there is simply no name cache: every
// name then goes to the type information's own lookup.
void FillNameCache(ITypeInfo* typeInfo, TypeInfoCache& cache) noexcept {
  TYPEATTR* attributes = nullptr;
  if (FAILED(typeInfo->GetTypeAttr(&attributes))) return;
  UINT functionCount = attributes->cFuncs;
  typeInfo->ReleaseTypeAttr(attributes);
  if (functionCount == 0) return;
  CachedName* names = static_cast<CachedName*>(std::calloc(functionCount, sizeof(CachedName)));
  if (names == nullptr) return;
  UINT filled = 0;
  for (UINT i = 0; i < functionCount; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(typeInfo->GetFuncDesc(i, &function))) continue;
    MEMBERID id = function->memid;
    typeInfo->ReleaseFuncDesc(function);
    BSTR name = nullptr;
    UINT nameCount = 0;
    if (FAILED(typeInfo->GetNames(id, &name, 1, &nameCount)) || nameCount == 0 || name == nullptr) continue;
    names[filled++] = {name, ::SysStringLen(name), id};
  }
  cache.names = names;
  cache.nameCount = filled;
}

HRESULT LoadTypeInfo(TypeInfoCache& cache, LCID lcid) noexcept {
  ComPtr<ITypeInfo> typeInfo;
  {
    ComPtr<ITypeLib> library;
    HRESULT hr = ::LoadRegTypeLib(LIBID_NAVTRAPLib, 1, 0, lcid, library.Put());
    if (FAILED(hr)) return hr;
    hr = library->GetTypeInfoOfGuid(*cache.iid, typeInfo.Put());
    if (FAILED(hr)) return hr;
  }
  ComPtr<ITypeInfo2> typeInfo2;
  if (SUCCEEDED(typeInfo->QueryInterface(IID_ITypeInfo2, typeInfo2.PutVoid()))) {
    typeInfo = ComPtr<ITypeInfo>::Adopt(typeInfo2.Detach());
  }
  FillNameCache(typeInfo.Get(), cache);
  // The cache keeps this reference until unload.
  ::InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&cache.typeInfo), typeInfo.Detach());
  AddModuleCleanup(&cache.cleanup);
  return S_OK;
}

// The cache of `iid`, filled; its type information is borrowed, not AddRef'd.
HRESULT CachedTypeInfo(REFIID iid, LCID lcid, TypeInfoCache** found) noexcept {
  TypeInfoCache* cache = FindCache(iid);
  if (cache == nullptr) return E_INVALIDARG;
  HRESULT hr = S_OK;
  if (cache->typeInfo == nullptr) {
    CRITICAL_SECTION& lock = TypeInfoLock();
    ::EnterCriticalSection(&lock);
    if (cache->typeInfo == nullptr) hr = LoadTypeInfo(*cache, lcid);
    ::LeaveCriticalSection(&lock);
  }
  if (SUCCEEDED(hr)) *found = cache;
  return hr;
}

bool LookUpName(const TypeInfoCache& cache, const OLECHAR* name, DISPID* id) noexcept {
  UINT length = static_cast<UINT>(::lstrlenW(name));
  for (UINT i = 0; i < cache.nameCount; ++i) {
    const CachedName& entry = cache.names[i];
    if (entry.length == length && std::memcmp(entry.name, name, length * sizeof(OLECHAR)) == 0) {
      *id = entry.id;
      return true;
    }
  }
  return false;
}

}  // namespace

HRESULT GetDispatchTypeInfo(REFIID iid, LCID lcid, ITypeInfo** typeInfo) noexcept {
  if (typeInfo == nullptr) return E_POINTER;
  *typeInfo = nullptr;
  TypeInfoCache* cache = nullptr;
  HRESULT hr = CachedTypeInfo(iid, lcid, &cache);
  if (FAILED(hr)) return hr;
  cache->typeInfo->AddRef();
  *typeInfo = cache->typeInfo;
  return S_OK;
}

HRESULT GetDispatchIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) noexcept {
  if (count != 0 && (names == nullptr || ids == nullptr)) return E_POINTER;
  TypeInfoCache* cache = nullptr;
  HRESULT hr = CachedTypeInfo(iid, lcid, &cache);
  if (FAILED(hr)) return hr;
  for (UINT i = 0; i < count; ++i) {
    if (names[i] == nullptr) {
      ids[i] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    if (LookUpName(*cache, names[i], &ids[i])) continue;
    // A name not cached as written (another case, or a parameter name): the type information
    // resolves the whole request, so nothing is left for the cache to do.
    return cache->typeInfo->GetIDsOfNames(names, count, ids);
  }
  return S_OK;
}

HRESULT InvokeThroughTypeInfo(REFIID iid, void* instance, DISPID member, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* exception, UINT* argumentError) noexcept {
  TypeInfoCache* cache = nullptr;
  HRESULT hr = CachedTypeInfo(iid, LOCALE_USER_DEFAULT, &cache);
  if (FAILED(hr)) return hr;
  return cache->typeInfo->Invoke(instance, member, flags, params, result, exception, argumentError);
}
