// The browser road: a WebBrowser control in a minimal headless container, with the helper
// object IeCatch5 given the browser through SetSite, as the browser does for every window.
// A sink of our own, connected after the helper object, sees the Cancel it leaves.
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>
#include <oleidl.h>

#include <cstdio>

#include "roads.h"

namespace {

// The least a container must give: the control does nothing without a client site.
class BareClientSite final : public IOleClientSite {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
      *object = static_cast<IOleClientSite*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
};

// Watches the navigation: whether BeforeNavigate2 ended cancelled, and when it completed.
class NavigationWatcher final : public IDispatch {
 public:
  HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  bool cancelled = false;

  void Reset() {
    cancelled = false;
    ::ResetEvent(done);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2) {
      *object = static_cast<IDispatch*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
    if (member == DISPID_BEFORENAVIGATE2 && params != nullptr && params->cArgs >= 7 &&
        params->rgvarg[0].vt == (VT_BYREF | VT_BOOL)) {
      cancelled = *params->rgvarg[0].pboolVal == VARIANT_TRUE;
      if (cancelled) ::SetEvent(done);
    } else if (member == DISPID_NAVIGATECOMPLETE2 || member == DISPID_DOCUMENTCOMPLETE || member == DISPID_NAVIGATEERROR) {
      ::SetEvent(done);
    }
    return S_OK;
  }
};

bool PumpUntil(HANDLE event, DWORD limitMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= limitMs) return false;
    const DWORD wait = ::MsgWaitForMultipleObjects(1, &event, FALSE, limitMs - elapsed, QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) return true;
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}

bool Connect(IWebBrowser2* browser, IDispatch* sink, DWORD* cookie) {
  IConnectionPointContainer* container = nullptr;
  IConnectionPoint* point = nullptr;
  bool connected = SUCCEEDED(browser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))) &&
                   SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point)) &&
                   SUCCEEDED(point->Advise(sink, cookie));
  if (point != nullptr) point->Release();
  if (container != nullptr) container->Release();
  return connected;
}

}  // namespace

int RunBrowserRoad(int count, wchar_t** urls) {
  ::OleInitialize(nullptr);
  BareClientSite site;
  NavigationWatcher watcher;
  IWebBrowser2* browser = nullptr;
  IOleObject* control = nullptr;
  IObjectWithSite* helper = nullptr;
  CLSID helperClass;
  int status = 1;
  DWORD cookie = 0;
  if (SUCCEEDED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IWebBrowser2,
                                   reinterpret_cast<void**>(&browser))) &&
      SUCCEEDED(browser->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&control))) &&
      SUCCEEDED(control->SetClientSite(&site)) && SUCCEEDED(::CLSIDFromProgID(L"Navtrap.IeCatch5", &helperClass)) &&
      SUCCEEDED(::CoCreateInstance(helperClass, nullptr, CLSCTX_INPROC_SERVER, IID_IObjectWithSite,
                                   reinterpret_cast<void**>(&helper))) &&
      SUCCEEDED(helper->SetSite(browser)) && Connect(browser, &watcher, &cookie)) {
    status = 0;
    for (int i = 0; i < count; ++i) {
      watcher.Reset();
      VARIANT empty;
      ::VariantInit(&empty);
      BSTR url = ::SysAllocString(urls[i]);
      browser->Navigate(url, &empty, &empty, &empty, &empty);
      ::SysFreeString(url);
      PumpUntil(watcher.done, 10000);
      // Without an HTML engine the control reports a failure after it fetched the page, so
      // "left alone" is all that is claimed here; the server's log tells whether it loaded.
      const char* what = watcher.cancelled ? "cancelled" : "left alone";
      std::printf("RESULT road=browser url=%ls browser=%s\n", urls[i], what);
    }
    // The browser window closes: its quit event ends the helper object's connection.
    IDispatch* events = nullptr;
    if (SUCCEEDED(helper->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&events)))) {
      DISPPARAMS none = {nullptr, nullptr, 0, 0};
      events->Invoke(DISPID_ONQUIT, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
      events->Release();
    }
  } else {
    std::fprintf(stderr, "navtrap-demo-host: the WebBrowser control or IeCatch5 could not be set up\n");
  }
  if (helper != nullptr) helper->Release();
  if (control != nullptr) {
    control->SetClientSite(nullptr);
    control->Close(OLECLOSE_NOSAVE);
    control->Release();
  }
  if (browser != nullptr) browser->Release();
  ::CloseHandle(watcher.done);
  ::OleUninitialize();
  return status;
}
