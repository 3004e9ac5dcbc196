#include "browser/ie_catch2.h"

const InterfaceEntry<IeCatch2> IeCatch2::kInterfaces[] = {
    {&IID_IIeCatch2, InterfaceOf<IeCatch2, IIeCatch2>},
    {&IID_IDispatch, InterfaceOf<IeCatch2, IIeCatch2>},
    {&IID_IObjectWithSite, InterfaceOf<IeCatch2, IObjectWithSite>},
    {nullptr, nullptr},
};

HRESULT IeCatch2::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams, VARIANT*, EXCEPINFO*,
                         UINT*) noexcept {
  if (pDispParams == nullptr || !m_pBrowser) return E_INVALIDARG;
  if (IsQuitEvent(dispIdMember)) EndBrowserConnection();
  return S_OK;
}

HRESULT CreateIeCatch2(IUnknown* outer, REFIID riid, void** object) noexcept {
  return CreateComObject<IeCatch2>(outer, riid, object);
}
