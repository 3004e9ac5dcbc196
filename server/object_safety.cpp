#include "server/object_safety.h"

HRESULT ObjectSafety::HasInterface(REFIID riid) noexcept {
  IUnknown* found = nullptr;
  const HRESULT hr = QueryInterface(riid, reinterpret_cast<void**>(&found));
  if (SUCCEEDED(hr) && found != nullptr) found->Release();
  return hr;
}

HRESULT ObjectSafety::GetInterfaceSafetyOptions(REFIID riid, DWORD* pdwSupportedOptions,
                                                DWORD* pdwEnabledOptions) noexcept {
  if (pdwSupportedOptions == nullptr || pdwEnabledOptions == nullptr) return E_POINTER;
  const HRESULT hr = HasInterface(riid);
  if (FAILED(hr)) {
    *pdwSupportedOptions = 0;
    *pdwEnabledOptions = 0;
    return hr;
  }
  *pdwSupportedOptions = kSupportedOptions;
  *pdwEnabledOptions = m_dwCurrentSafety;
  return S_OK;
}

HRESULT ObjectSafety::SetInterfaceSafetyOptions(REFIID riid, DWORD dwOptionSetMask, DWORD dwEnabledOptions) noexcept {
  const HRESULT hr = HasInterface(riid);
  if (FAILED(hr)) return E_NOINTERFACE;
  if ((dwOptionSetMask & ~kSupportedOptions) != 0) return E_FAIL;
  m_dwCurrentSafety = (m_dwCurrentSafety & ~dwOptionSetMask) | (dwEnabledOptions & dwOptionSetMask);
  return S_OK;
}
