#pragma once
// What the browser helper objects IeCatch2 and IeCatch5 share: the browser taken from the
// site, the connection of their IDispatch to its DWebBrowserEvents2 events, GetSite, and the
// type information of their dual interface. Each class handles the events in its own Invoke.
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>

#include "common/com_ptr.h"
#include "screening/monitor_flags.h"
#include "screening/monitor_settings.h"
#include "server/dispatch_type_info.h"

template <typename EventInterface>  // IIeCatch2 or IIeCatch5
class BrowserHelper : public EventInterface, public IObjectWithSite {
 public:
  // Connects to the browser's events when the helper objects do the screening at this moment.
  HRESULT STDMETHODCALLTYPE SetSite(IUnknown* pUnkSite) noexcept override {
    if ((ReadMonitorFlags() & MONITOR_BY_HELPER_OBJECT) == 0) return S_OK;
    // A null site leaves the browser and the connection as they are: only quitting ends them.
    if (pUnkSite == nullptr) return S_OK;
    IWebBrowser2* browser = nullptr;
    if (FAILED(pUnkSite->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser)))) browser = nullptr;
    m_pBrowser = ComPtr<IWebBrowser2>::Adopt(browser);  // the earlier browser goes only now
    if (m_pBrowser) ConnectBrowserEvents(FALSE);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetSite(REFIID riid, void** ppvSite) noexcept override {
    if (ppvSite == nullptr) return E_POINTER;
    if (m_pSite) return m_pSite->QueryInterface(riid, ppvSite);
    *ppvSite = nullptr;
    return E_FAIL;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) noexcept override {
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID lcid, ITypeInfo** ppTInfo) noexcept override {
    return GetDispatchTypeInfo(__uuidof(EventInterface), lcid, ppTInfo);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                          DISPID* rgDispId) noexcept override {
    return GetDispatchIDsOfNames(__uuidof(EventInterface), rgszNames, cNames, lcid, rgDispId);
  }

 protected:
  BrowserHelper() noexcept = default;
  ~BrowserHelper() = default;

  // The browser first, then the site. The connection is not ended here: quitting ends it.
  void ReleaseHeldObjects() noexcept {
    m_pBrowser.Reset();
    m_pSite.Reset();
  }

  // The browser's quit event. On DWebBrowserEvents2 it is DISPID_ONQUIT; DISPID_QUIT belongs
  // to the older DWebBrowserEvents and is honoured as well.
  static bool IsQuitEvent(DISPID dispIdMember) noexcept {
    return dispIdMember == DISPID_ONQUIT || dispIdMember == DISPID_QUIT;
  }

  // Ends the connection. The connection's reference may be the last one on the object, so the
  // object keeps itself alive until the connection point is let go; the caller must not touch
  // the object afterwards.
  void EndBrowserConnection() noexcept {
    const ComPtr<IUnknown> self(static_cast<EventInterface*>(this));
    ConnectBrowserEvents(TRUE);
  }

  // Advises the object's IDispatch on the browser's DWebBrowserEvents2 connection point, or
  // with bDisconnect ends that connection. Failures leave things as they were.
  void ConnectBrowserEvents(BOOL bDisconnect) noexcept {
    if (!m_pBrowser) return;
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(m_pBrowser->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())) || !container) return;
    ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.Put())) || !point) return;
    if (!bDisconnect) {
      point->Advise(static_cast<EventInterface*>(this), &m_dwCookie);
    } else {
      point->Unadvise(m_dwCookie);  // the cookie is kept: a second quit tries it again
    }
  }  // the connection point goes first, then the container

  // GetSite answers from m_pSite; SetSite does not record the site, so it stays empty.
  ComPtr<IUnknown> m_pSite;
  DWORD m_dwCookie = 0;
  ComPtr<IWebBrowser2> m_pBrowser;
};
