#pragma once
// A browser as its helper objects see it, as recording fakes in the style of Wine's ieframe
// tests: IWebBrowser2 with a chosen location, a connection point container with the
// DWebBrowserEvents2 connection point, and a site that hands out the browser or does not.
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>

#include "call_log.h"

struct FakeBrowserOptions {
  bool hasContainer = true;       // QueryInterface for IConnectionPointContainer succeeds
  bool hasEventsPoint = true;     // FindConnectionPoint for DWebBrowserEvents2 succeeds
  HRESULT adviseResult = S_OK;    // what Advise answers
  HRESULT locationResult = S_OK;  // what get_LocationURL answers
  bool locationIsNull = false;    // get_LocationURL succeeds with a null string
  std::wstring location = L"http://pages.example/list.html";
};

class FakeBrowser : public IWebBrowser2, public IConnectionPointContainer, public IConnectionPoint {
 public:
  static constexpr DWORD kCookie = 0x5A17;

  FakeBrowser(CallLog& log, FakeBrowserOptions options = FakeBrowserOptions()) : log_(log), options_(options) {}
  ~FakeBrowser() { DropSink(); }

  void SetLocation(const std::wstring& location) { options_.location = location; }
  long References() const { return count_.Value(); }
  // The IDispatch that the browser's events go to, while connected.
  IDispatch* Sink() const { return sink_; }
  DWORD LastUnadvisedCookie() const { return unadvisedCookie_; }
  // As a browser that goes away without a quit event: the connection's reference is dropped.
  void DropSink() {
    IDispatch* sink = sink_;
    sink_ = nullptr;
    if (sink != nullptr) sink->Release();
  }

  // IUnknown of all three interfaces: one identity.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (::IsEqualIID(riid, IID_IUnknown) || ::IsEqualIID(riid, IID_IDispatch) || ::IsEqualIID(riid, IID_IWebBrowser) ||
        ::IsEqualIID(riid, IID_IWebBrowserApp) || ::IsEqualIID(riid, IID_IWebBrowser2)) {
      *object = static_cast<IWebBrowser2*>(this);
    } else if (::IsEqualIID(riid, IID_IConnectionPointContainer)) {
      log_.Add("browser.QueryInterface(IConnectionPointContainer)");
      if (!options_.hasContainer) return E_NOINTERFACE;
      *object = static_cast<IConnectionPointContainer*>(this);
    } else {
      return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*object)->AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    log_.Add("browser.AddRef");
    return count_.Increment();
  }
  ULONG STDMETHODCALLTYPE Release() override {
    log_.Add("browser.Release");
    return count_.Decrement();
  }

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
    log_.Add("container.FindConnectionPoint");
    *point = nullptr;
    if (!options_.hasEventsPoint || !::IsEqualIID(riid, DIID_DWebBrowserEvents2)) return CONNECT_E_NOCONNECTION;
    *point = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }

  // IConnectionPoint
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    *iid = DIID_DWebBrowserEvents2;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override {
    *container = static_cast<IConnectionPointContainer*>(this);
    AddRef();
    return S_OK;
  }
  // Like the real connection point: the sink is asked for IDispatch and held until Unadvise.
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    log_.Add("point.Advise");
    if (FAILED(options_.adviseResult)) return options_.adviseResult;
    IDispatch* dispatch = nullptr;
    if (FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) return CONNECT_E_CANNOTCONNECT;
    if (sink_ != nullptr) sink_->Release();
    sink_ = dispatch;
    *cookie = kCookie;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    log_.Add("point.Unadvise");
    unadvisedCookie_ = cookie;
    if (cookie != kCookie || sink_ == nullptr) return CONNECT_E_NOCONNECTION;
    IDispatch* sink = sink_;
    sink_ = nullptr;
    sink->Release();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

  // IDispatch of the browser itself: not used by the helper objects.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* location) override {
    log_.Add("browser.get_LocationURL");
    *location = nullptr;
    if (FAILED(options_.locationResult)) return options_.locationResult;
    if (!options_.locationIsNull) *location = ::SysAllocString(options_.location.c_str());
    return S_OK;
  }

  // The rest of IWebBrowser2 is never called by the helper objects.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
  HRESULT STDMETHODCALLTYPE GoBack() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GoForward() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GoHome() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GoSearch() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Navigate(BSTR URL, VARIANT *Flags, VARIANT *TargetFrameName, VARIANT *PostData, VARIANT *Headers) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Refresh() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Refresh2(VARIANT *Level) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Application(IDispatch **ppDisp) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Parent(IDispatch **ppDisp) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Container(IDispatch **ppDisp) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Document(IDispatch **ppDisp) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_TopLevelContainer(VARIANT_BOOL *pBool) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Type(BSTR *Type) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Left(LONG *pl) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Left(LONG Left) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Top(LONG *pl) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Top(LONG Top) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Width(LONG *pl) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Width(LONG Width) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Height(LONG *pl) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Height(LONG Height) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_LocationName(BSTR *LocationName) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL *pBool) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Quit() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ClientToWindow(int *pcx, int *pcy) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE PutProperty(BSTR Property, VARIANT vtValue) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetProperty(BSTR Property, VARIANT *pvtValue) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Name(BSTR *Name) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR *pHWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_FullName(BSTR *FullName) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Path(BSTR *Path) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL *pBool) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL Value) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_StatusBar(VARIANT_BOOL *pBool) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_StatusBar(VARIANT_BOOL Value) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_StatusText(BSTR *StatusText) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_StatusText(BSTR StatusText) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_ToolBar(int *Value) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_ToolBar(int Value) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL *Value) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_MenuBar(VARIANT_BOOL Value) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL *pbFullScreen) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_FullScreen(VARIANT_BOOL bFullScreen) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Navigate2(VARIANT *URL, VARIANT *Flags, VARIANT *TargetFrameName, VARIANT *PostData, VARIANT *Headers) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryStatusWB(OLECMDID cmdID, OLECMDF *pcmdf) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID cmdID, OLECMDEXECOPT cmdexecopt, VARIANT *pvaIn, VARIANT *pvaOut) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ShowBrowserBar(VARIANT *pvaClsid, VARIANT *pvarShow, VARIANT *pvarSize) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE *plReadyState) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Offline(VARIANT_BOOL *pbOffline) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Offline(VARIANT_BOOL bOffline) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Silent(VARIANT_BOOL *pbSilent) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL bSilent) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_RegisterAsBrowser(VARIANT_BOOL *pbRegister) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_RegisterAsBrowser(VARIANT_BOOL bRegister) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_RegisterAsDropTarget(VARIANT_BOOL *pbRegister) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_RegisterAsDropTarget(VARIANT_BOOL bRegister) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_TheaterMode(VARIANT_BOOL *pbRegister) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_TheaterMode(VARIANT_BOOL bRegister) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_AddressBar(VARIANT_BOOL *Value) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_AddressBar(VARIANT_BOOL Value) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Resizable(VARIANT_BOOL *Value) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Resizable(VARIANT_BOOL Value) override { return E_NOTIMPL; }
#pragma GCC diagnostic pop

 private:
  CallLog& log_;
  FakeBrowserOptions options_;
  FakeCount count_;
  IDispatch* sink_ = nullptr;
  DWORD unadvisedCookie_ = 0;
};

// The site a browser passes to its helper objects: the browser, or something that is none.
class FakeSite : public IUnknown {
 public:
  FakeSite(CallLog& log, IWebBrowser2* browser) : log_(log), browser_(browser) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    log_.Add("site.QueryInterface");
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (::IsEqualIID(riid, IID_IUnknown)) {
      *object = static_cast<IUnknown*>(this);
    } else if (::IsEqualIID(riid, IID_IWebBrowser2) && browser_ != nullptr) {
      *object = browser_;
    } else {
      return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*object)->AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return count_.Increment(); }
  ULONG STDMETHODCALLTYPE Release() override { return count_.Decrement(); }
  long References() const { return count_.Value(); }

 private:
  CallLog& log_;
  FakeCount count_;
  IWebBrowser2* browser_;
};
