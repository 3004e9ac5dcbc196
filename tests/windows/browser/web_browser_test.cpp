// IeCatch5 hosted on Wine's own WebBrowser control, in a minimal headless container, against
// a loopback HTTP server and the reference manager.
#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/ie_catch5.h"
#include "browser_test_support.h"
#include "call_log.h"
#include "common/automation_values.h"
#include "common/com_ptr.h"
#include "loopback_http_server.h"
#include "reference_manager_process.h"
#include "screening/monitor_flags.h"
#include "settings_fixture.h"

namespace {

// The container's side: without a client site the control does not navigate at all.
class BareClientSite : public IOleClientSite {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!::IsEqualIID(riid, IID_IUnknown) && !::IsEqualIID(riid, IID_IOleClientSite)) return E_NOINTERFACE;
    *object = static_cast<IOleClientSite*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return count_.Increment(); }
  ULONG STDMETHODCALLTYPE Release() override { return count_.Decrement(); }
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
    *container = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

 private:
  FakeCount count_;
};

// The test's own listener on the browser's events. Without an HTML engine a page navigation
// ends with DownloadComplete (after a NavigateError), never with NavigateComplete2.
class NavigationWatcher : public IDispatch {
 public:
  NavigationWatcher()
      : ended_(::CreateEventA(nullptr, FALSE, FALSE, nullptr)), starting_(::CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
  ~NavigationWatcher() {
    ::CloseHandle(ended_);
    ::CloseHandle(starting_);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!::IsEqualIID(riid, IID_IUnknown) && !::IsEqualIID(riid, IID_IDispatch) &&
        !::IsEqualIID(riid, DIID_DWebBrowserEvents2)) {
      return E_NOINTERFACE;
    }
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return count_.Increment(); }
  ULONG STDMETHODCALLTYPE Release() override { return count_.Decrement(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    if (event == DISPID_BEFORENAVIGATE2) {
      ++beforeNavigates_;
      ::SetEvent(starting_);
    }
    if (event == DISPID_DOWNLOADBEGIN) ++downloadsBegun_;
    if (event == DISPID_DOWNLOADCOMPLETE) {
      ++downloadsEnded_;
      ::SetEvent(ended_);
    }
    return S_OK;
  }

  HANDLE Ended() const { return ended_; }
  HANDLE Starting() const { return starting_; }
  int DownloadsEnded() const { return downloadsEnded_; }
  int DownloadsBegun() const { return downloadsBegun_; }
  int BeforeNavigates() const { return beforeNavigates_; }

 private:
  FakeCount count_;
  HANDLE ended_;
  HANDLE starting_;
  int downloadsEnded_ = 0;
  int downloadsBegun_ = 0;
  int beforeNavigates_ = 0;
};

class WebBrowserTest : public ModuleLockTest {
 protected:
  void SetUp() override {
    ModuleLockTest::SetUp();
    ASSERT_EQ(S_OK, ::OleInitialize(nullptr));
    ASSERT_TRUE(server_.Running());
    ASSERT_TRUE(manager_.Started());
    settings_.SetFlags(MONITOR_BY_HELPER_OBJECT | MONITOR_BROWSER);
    settings_.SetTypes(".zip");

    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IWebBrowser2,
                                       browser_.PutVoid()));
    ComPtr<IOleObject> control;
    ASSERT_EQ(S_OK, browser_->QueryInterface(IID_IOleObject, control.PutVoid()));
    ASSERT_EQ(S_OK, control->SetClientSite(&site_));
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, browser_->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()));
    ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID_DWebBrowserEvents2, events_.Put()));
    ASSERT_EQ(S_OK, events_->Advise(&watcher_, &watcherCookie_));
  }
  void TearDown() override {
    CloseBrowserWindow();
    helper_.Reset();
    if (events_) events_->Unadvise(watcherCookie_);
    events_.Reset();
    if (browser_) {
      ComPtr<IOleObject> control;
      if (SUCCEEDED(browser_->QueryInterface(IID_IOleObject, control.PutVoid()))) {
        control->Close(OLECLOSE_NOSAVE);
        control->SetClientSite(nullptr);
      }
      browser_.Reset();
    }
    ::OleUninitialize();
    ModuleLockTest::TearDown();
  }

  // IeCatch5 given the browser, as the browser gives its helper objects their site.
  void HostHelper() {
    ASSERT_EQ(S_OK, CreateIeCatch5(nullptr, IID_IObjectWithSite, helper_.PutVoid()));
    ASSERT_EQ(S_OK, helper_->SetSite(browser_.Get()));
  }

  HRESULT Navigate(const std::string& url) {
    const std::wstring wide(url.begin(), url.end());
    UniqueBstr text(::SysAllocString(wide.c_str()));
    return browser_->Navigate(text.Get(), nullptr, nullptr, nullptr, nullptr);
  }

  // Delivers messages until the server has answered a request for `path`.
  bool WaitForRequest(const std::string& path) {
    const DWORD start = ::GetTickCount();
    while (!server_.Saw(path)) {
      const DWORD elapsed = ::GetTickCount() - start;
      if (elapsed >= 20000 || !PumpMessagesUntil(server_.RequestEvent(), 20000 - elapsed)) return server_.Saw(path);
    }
    return true;
  }
  // Navigates and delivers messages until BeforeNavigate2 has gone to every listener: the
  // first navigation of a browser sends it inside Navigate, later ones from a posted task.
  void NavigateAndWaitForBeforeNavigate(const std::string& url) {
    const int before = watcher_.BeforeNavigates();
    Navigate(url);
    const DWORD start = ::GetTickCount();
    while (watcher_.BeforeNavigates() == before) {
      const DWORD elapsed = ::GetTickCount() - start;
      if (elapsed >= 20000 || !PumpMessagesUntil(watcher_.Starting(), 20000 - elapsed)) break;
    }
    EXPECT_EQ(before + 1, watcher_.BeforeNavigates()) << url;
  }
  // Delivers messages until the browser has ended `count` downloads in all.
  bool WaitForDownloadsEnded(int count) {
    const DWORD start = ::GetTickCount();
    while (watcher_.DownloadsEnded() < count) {
      const DWORD elapsed = ::GetTickCount() - start;
      if (elapsed >= 20000 || !PumpMessagesUntil(watcher_.Ended(), 20000 - elapsed)) return false;
    }
    return true;
  }
  // What the browser does with its helper objects as its window closes. Wine's browser never
  // sends it, and without it the connection and the helper's browser reference hold each other.
  void CloseBrowserWindow() {
    if (!helper_) return;
    ComPtr<IDispatch> events;
    if (FAILED(helper_->QueryInterface(IID_IDispatch, events.PutVoid()))) return;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    events->Invoke(DISPID_ONQUIT, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
  }
  std::string Location() {
    UniqueBstr location;
    if (FAILED(browser_->get_LocationURL(location.Put())) || !location) return std::string();
    const std::wstring wide(location.Get());
    return std::string(wide.begin(), wide.end());
  }

  LoopbackHttpServer server_;
  ReferenceManagerProcess manager_;
  ScopedSettings settings_;
  BareClientSite site_;
  NavigationWatcher watcher_;
  ComPtr<IWebBrowser2> browser_;
  ComPtr<IConnectionPoint> events_;
  DWORD watcherCookie_ = 0;
  ComPtr<IObjectWithSite> helper_;
};

TEST_F(WebBrowserTest, APageNavigationIsLeftAloneAndADownloadIsCancelledAndHandedOverWithItsReferringPage) {
  HostHelper();
  const std::string page = server_.Url("/pages/list.html");
  EXPECT_EQ(S_OK, Navigate(page));
  ASSERT_TRUE(WaitForRequest("/pages/list.html")) << "a page goes to the server as usual";
  ASSERT_TRUE(WaitForDownloadsEnded(1));
  EXPECT_EQ(page, Location());
  EXPECT_TRUE(manager_.Messages().empty()) << "a page is screened but not handed over";

  const std::string download = server_.Url("/files/setup.zip");
  const int begun = watcher_.DownloadsBegun();
  NavigateAndWaitForBeforeNavigate(download);
  EXPECT_EQ(begun, watcher_.DownloadsBegun()) << "cancelled: the browser began no download";
  const std::vector<JournalEntry> messages = manager_.Messages();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("1135", messages[0].Get("msg"));
  EXPECT_EQ("119", messages[0].Get("wparam"));
  EXPECT_EQ("1", messages[0].Get("lparam"));
  EXPECT_EQ(download, messages[0].Get("url"));
  EXPECT_EQ(page, messages[0].Get("referer")) << "the page the browser showed";

  // A later page's request shows the browser went on, and the download never reached the server.
  const std::string next = server_.Url("/pages/next.html");
  EXPECT_EQ(S_OK, Navigate(next));
  ASSERT_TRUE(WaitForRequest("/pages/next.html"));
  EXPECT_FALSE(server_.Saw("/files/setup.zip")) << "the cancelled navigation sent no request";
  EXPECT_EQ(1u, manager_.Messages().size());
}

TEST_F(WebBrowserTest, TheFirstNavigationHasNoReferringPage) {
  HostHelper();
  const std::string download = server_.Url("/files/first.zip");
  NavigateAndWaitForBeforeNavigate(download);
  const std::vector<JournalEntry> messages = manager_.Messages();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(download, messages[0].Get("url"));
  EXPECT_EQ("", messages[0].Get("referer"));
}

TEST_F(WebBrowserTest, TheQuitEventEndsTheRealConnectionSoDownloadsAreNoLongerCaught) {
  HostHelper();
  ComPtr<IDispatch> helperEvents;
  ASSERT_EQ(S_OK, helper_->QueryInterface(IID_IDispatch, helperEvents.PutVoid()));
  const ULONG connected = helperEvents->AddRef() - 1;
  helperEvents->Release();

  // Wine's browser never fires its quit event, so it is delivered the way the browser would.
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(S_OK, helperEvents->Invoke(DISPID_ONQUIT, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                                       nullptr, nullptr));
  const ULONG afterQuit = helperEvents->AddRef() - 1;
  helperEvents->Release();
  EXPECT_EQ(connected - 1, afterQuit) << "the browser's connection point let go of the helper";

  const std::string download = server_.Url("/files/after-quit.zip");
  const int begun = watcher_.DownloadsBegun();
  NavigateAndWaitForBeforeNavigate(download);
  EXPECT_EQ(begun + 1, watcher_.DownloadsBegun()) << "not cancelled: the browser began its download at once";
  ASSERT_TRUE(WaitForRequest("/files/after-quit.zip")) << "not cancelled: the browser fetched it";
  EXPECT_TRUE(manager_.Messages().empty());
}

TEST_F(WebBrowserTest, WithoutTheHelperFlagTheHelperDoesNotConnectAndNothingIsCancelled) {
  settings_.SetFlags(MONITOR_BROWSER);
  HostHelper();
  settings_.SetFlags(MONITOR_BY_HELPER_OBJECT | MONITOR_BROWSER);  // too late for this window
  const std::string download = server_.Url("/files/unwatched.zip");
  EXPECT_EQ(S_OK, Navigate(download));
  ASSERT_TRUE(WaitForRequest("/files/unwatched.zip"));
  EXPECT_TRUE(manager_.Messages().empty());
}

}  // namespace
