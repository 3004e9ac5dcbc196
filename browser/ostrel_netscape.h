#pragma once
// OstrelNetscape, the scripting object: a host asks through it whether to take a download
// over, hands URLs and lists of URLs to the manager, and asks whether the manager knows a URL.
// Each call stands alone and runs to its end on the caller's thread.
#include <windows.h>

#include "navtrap_idl.h"  // declares class OstrelNetscape with its CLSID and IOstrelNetscape
#include "server/com_object.h"
#include "server/object_safety.h"

class OstrelNetscape : public IOstrelNetscape, public ObjectSafety {
 public:
  using ReferenceCount = PlainCount;
  static const InterfaceEntry<OstrelNetscape> kInterfaces[];

  // IDispatch, from the type information of IOstrelNetscape in the registered type library.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) noexcept override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) noexcept override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                          DISPID* rgDispId) noexcept override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept override;

  // IOstrelNetscape
  HRESULT STDMETHODCALLTYPE Initialize(BSTR pProtocol, BSTR pUrl, VARIANT_BOOL* Cancel) noexcept override;
  HRESULT STDMETHODCALLTYPE Open(BSTR pUrl) noexcept override;
  HRESULT STDMETHODCALLTYPE AddUrl(BSTR pUrl, BSTR pInfo, BSTR pReferer) noexcept override;
  HRESULT STDMETHODCALLTYPE AddUrlList(VARIANT* pList) noexcept override;
  HRESULT STDMETHODCALLTYPE IsUrlExist(BSTR pUrl, VARIANT_BOOL* pVal) noexcept override;
  HRESULT STDMETHODCALLTYPE AddUrlEx(BSTR pUrl, BSTR pInfo, BSTR pReferer, BSTR pSaveTo, LONG uFlags,
                                     VARIANT_BOOL* pVal) noexcept override;
  HRESULT STDMETHODCALLTYPE AddUrlListEx(VARIANT* pList, BSTR pSaveTo, LONG uFlags, LONG* pVal) noexcept override;

 protected:
  OstrelNetscape() noexcept = default;
  ~OstrelNetscape() = default;
  void ReleaseHeldObjects() noexcept {}  // each call stands alone: nothing is held
};

// A new OstrelNetscape alone, or as the aggregate part of `outer` (then riid must be IID_IUnknown).
HRESULT CreateOstrelNetscape(IUnknown* outer, REFIID riid, void** object) noexcept;
