// IeCatch2 and IeCatch5 against a recording browser, site and connection point, with the
// reference manager answering.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/ie_catch2.h"
#include "browser/ie_catch5.h"
#include "browser_fakes.h"
#include "browser_test_support.h"
#include "common/com_ptr.h"
#include "reference_manager_process.h"
#include "screening/monitor_flags.h"
#include "settings_fixture.h"

namespace {

using Creator = HRESULT (*)(IUnknown*, REFIID, void**) noexcept;

constexpr wchar_t kDownload[] = L"http://downloads.example/setup.zip";
constexpr char kDownloadAnsi[] = "http://downloads.example/setup.zip";
constexpr DWORD kHelperFlags = MONITOR_BY_HELPER_OBJECT | MONITOR_BROWSER;

// The arguments of BeforeNavigate2 in the shape the browser gives them, reversed in rgvarg:
// [6] pDisp, [5] URL, [4] Flags, [3] TargetFrameName, [2] PostData, [1] Headers, [0] Cancel.
class BeforeNavigateEvent {
 public:
  explicit BeforeNavigateEvent(const wchar_t* url, VARIANT_BOOL cancel = VARIANT_FALSE) : cancel_(cancel) {
    ::VariantInit(&url_);
    url_.vt = VT_BSTR;
    url_.bstrVal = ::SysAllocString(url);
    for (VARIANT& other : others_) ::VariantInit(&other);
    args_[6].vt = VT_DISPATCH;
    args_[6].pdispVal = nullptr;
    args_[5].vt = VT_BYREF | VT_VARIANT;
    args_[5].pvarVal = &url_;
    for (int i = 1; i <= 4; ++i) {
      args_[i].vt = VT_BYREF | VT_VARIANT;
      args_[i].pvarVal = &others_[i - 1];
    }
    args_[0].vt = VT_BYREF | VT_BOOL;
    args_[0].pboolVal = &cancel_;
    params_.rgvarg = args_;
    params_.rgdispidNamedArgs = nullptr;
    params_.cArgs = 7;
    params_.cNamedArgs = 0;
  }
  ~BeforeNavigateEvent() { ::VariantClear(&url_); }
  BeforeNavigateEvent(const BeforeNavigateEvent&) = delete;
  BeforeNavigateEvent& operator=(const BeforeNavigateEvent&) = delete;

  DISPPARAMS* Params() { return &params_; }
  VARIANT* Arguments() { return args_; }
  VARIANT& Url() { return url_; }
  VARIANT_BOOL Cancel() const { return cancel_; }

 private:
  VARIANT url_;
  VARIANT others_[4];
  VARIANT_BOOL cancel_;
  VARIANT args_[7];
  DISPPARAMS params_;
};

HRESULT Fire(IDispatch* sink, DISPID event, DISPPARAMS* params) {
  return sink->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params, nullptr, nullptr, nullptr);
}

class BrowserHelperTest : public ModuleLockTest {
 protected:
  void SetUp() override {
    ModuleLockTest::SetUp();
    ASSERT_TRUE(manager_.Started());
    settings_.SetFlags(kHelperFlags);
    settings_.SetTypes(".zip");
  }
  void TearDown() override {
    helper_.Reset();
    browser_.DropSink();  // as a browser that goes away without a quit event
    EXPECT_EQ(1, browser_.References()) << "the browser's count is back where it started";
    EXPECT_EQ(1, site_.References());
    ModuleLockTest::TearDown();
  }

  void Create(Creator creator) {
    helper_.Reset();
    browser_.DropSink();
    ASSERT_EQ(S_OK, creator(nullptr, IID_IObjectWithSite, helper_.PutVoid()));
  }
  ComPtr<IDispatch> Dispatch() {
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(S_OK, helper_->QueryInterface(IID_IDispatch, dispatch.PutVoid()));
    return dispatch;
  }
  // Connects the helper to the fake browser, which then holds its IDispatch.
  void Connect(Creator creator) {
    Create(creator);
    ASSERT_EQ(S_OK, helper_->SetSite(&site_));
    ASSERT_EQ(Dispatch().Get(), browser_.Sink()) << "connected through its IDispatch";
  }
  std::vector<JournalEntry> Messages() const { return manager_.Messages(); }

  ReferenceManagerProcess manager_;
  ScopedSettings settings_;
  CallLog log_;
  FakeBrowser browser_{log_};
  FakeSite site_{log_, &browser_};
  ComPtr<IObjectWithSite> helper_;
};

const struct {
  const char* name;
  Creator create;
} kBothClasses[] = {{"IeCatch2", CreateIeCatch2}, {"IeCatch5", CreateIeCatch5}};

TEST_F(BrowserHelperTest, SetSiteWithTheHelperFlagClearAsksTheSiteForNothing) {
  settings_.SetFlags(MONITOR_BROWSER);
  for (const auto& helper : kBothClasses) {
    Create(helper.create);
    EXPECT_EQ(S_OK, helper_->SetSite(&site_)) << helper.name;
    EXPECT_EQ(0u, log_.Count("site.QueryInterface")) << helper.name;
    BeforeNavigateEvent event(kDownload);
    EXPECT_EQ(E_INVALIDARG, Fire(Dispatch().Get(), DISPID_BEFORENAVIGATE2, event.Params()))
        << helper.name << ": no browser is held";
    EXPECT_EQ(E_INVALIDARG, Fire(Dispatch().Get(), DISPID_ONQUIT, event.Params())) << helper.name;
  }
  EXPECT_TRUE(Messages().empty());
}

TEST_F(BrowserHelperTest, SetSiteConnectsTheObjectsIDispatchToTheBrowsersEvents) {
  for (const auto& helper : kBothClasses) {
    log_.Clear();
    Connect(helper.create);
    const std::vector<std::string> expected = {"site.QueryInterface", "browser.QueryInterface(IConnectionPointContainer)",
                                               "container.FindConnectionPoint", "point.Advise"};
    EXPECT_EQ(expected, log_.Methods()) << helper.name;
    EXPECT_EQ(2, browser_.References()) << helper.name << ": only the object's reference on the browser stays";
    EXPECT_EQ(1, site_.References()) << helper.name << ": the site is not kept";
  }
}

TEST_F(BrowserHelperTest, SetSiteConnectsWithMonitoringOffTooSinceOnlyTheHelperFlagCounts) {
  settings_.SetFlags(kHelperFlags | MONITOR_OFF);
  Connect(CreateIeCatch5);
}

TEST_F(BrowserHelperTest, SetSiteWithANullSiteLeavesAConnectedObjectConnected) {
  for (const auto& helper : kBothClasses) {
    Connect(helper.create);
    EXPECT_EQ(S_OK, helper_->SetSite(nullptr)) << helper.name;
    EXPECT_EQ(Dispatch().Get(), browser_.Sink()) << helper.name;
    EXPECT_EQ(0u, log_.Count("point.Unadvise")) << helper.name;
    EXPECT_EQ(2, browser_.References()) << helper.name;
  }
}

TEST_F(BrowserHelperTest, ASiteOrBrowserThatCannotConnectLeavesTheObjectUnconnected) {
  struct Case {
    const char* name;
    bool siteIsBrowser;
    FakeBrowserOptions options;
    bool browserHeld;
  };
  FakeBrowserOptions noContainer;
  noContainer.hasContainer = false;
  FakeBrowserOptions noPoint;
  noPoint.hasEventsPoint = false;
  FakeBrowserOptions adviseFails;
  adviseFails.adviseResult = CONNECT_E_ADVISELIMIT;
  const Case cases[] = {
      {"a site that is no browser", false, FakeBrowserOptions(), false},
      {"a browser without a connection point container", true, noContainer, true},
      {"a browser without the events connection point", true, noPoint, true},
      {"an Advise that fails", true, adviseFails, true},
  };
  for (const Case& c : cases) {
    CallLog log;
    FakeBrowser browser(log, c.options);
    FakeSite site(log, c.siteIsBrowser ? &browser : nullptr);
    ComPtr<IObjectWithSite> helper;
    ASSERT_EQ(S_OK, CreateIeCatch5(nullptr, IID_IObjectWithSite, helper.PutVoid()));
    EXPECT_EQ(S_OK, helper->SetSite(&site)) << c.name;
    EXPECT_EQ(nullptr, browser.Sink()) << c.name;
    EXPECT_EQ(c.browserHeld ? 2 : 1, browser.References()) << c.name;
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, helper->QueryInterface(IID_IDispatch, dispatch.PutVoid()));
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(c.browserHeld ? S_OK : E_INVALIDARG, Fire(dispatch.Get(), DISPID_NAVIGATECOMPLETE2, &none)) << c.name;
    dispatch.Reset();
    helper.Reset();
    EXPECT_EQ(1, browser.References()) << c.name << ": given back at the object's end";
    EXPECT_EQ(1, site.References()) << c.name;
  }
}

TEST_F(BrowserHelperTest, BothQuitEventsEndTheConnectionAndAFurtherQuitTriesTheSameCookieAgain) {
  const DISPID quitEvents[] = {DISPID_ONQUIT, DISPID_QUIT};
  for (const auto& helper : kBothClasses) {
    for (DISPID quit : quitEvents) {
      Connect(helper.create);
      const size_t before = log_.Count("point.Unadvise");
      DISPPARAMS none = {nullptr, nullptr, 0, 0};
      EXPECT_EQ(S_OK, Fire(browser_.Sink(), quit, &none)) << helper.name << " " << quit;
      EXPECT_EQ(before + 1, log_.Count("point.Unadvise")) << helper.name << " " << quit;
      EXPECT_EQ(FakeBrowser::kCookie, browser_.LastUnadvisedCookie());
      EXPECT_EQ(nullptr, browser_.Sink()) << helper.name << " " << quit << ": the connection is over";
      EXPECT_EQ(S_OK, Fire(Dispatch().Get(), quit, &none)) << "the failure of the second Unadvise is ignored";
      EXPECT_EQ(before + 2, log_.Count("point.Unadvise"));
      EXPECT_EQ(FakeBrowser::kCookie, browser_.LastUnadvisedCookie()) << "the cookie is kept";
      EXPECT_EQ(2, browser_.References()) << "the browser is still held after quitting";
    }
  }
}

TEST_F(BrowserHelperTest, QuitEndsTheConnectionEvenWhenTheConnectionHoldsTheLastReference) {
  for (const auto& helper : kBothClasses) {
    Connect(helper.create);
    ComPtr<IDispatch> sink(browser_.Sink());
    helper_.Reset();  // from here the connection's reference keeps the object
    EXPECT_EQ(1, ModuleLockCount());
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    IDispatch* raw = sink.Detach();
    raw->Release();  // the browser delivers its events on its own reference
    EXPECT_EQ(S_OK, Fire(raw, DISPID_ONQUIT, &none)) << helper.name;
    EXPECT_EQ(0, ModuleLockCount()) << helper.name << ": the object went once the connection let go";
    EXPECT_EQ(1, browser_.References()) << helper.name << ": and gave back the browser";
  }
}

TEST_F(BrowserHelperTest, AnEventWithoutParametersIsRefusedQuitIncluded) {
  for (const auto& helper : kBothClasses) {
    Connect(helper.create);
    EXPECT_EQ(E_INVALIDARG, Fire(browser_.Sink(), DISPID_ONQUIT, nullptr)) << helper.name;
    EXPECT_EQ(E_INVALIDARG, Fire(browser_.Sink(), DISPID_QUIT, nullptr)) << helper.name;
    EXPECT_EQ(E_INVALIDARG, Fire(browser_.Sink(), DISPID_BEFORENAVIGATE2, nullptr)) << helper.name;
    EXPECT_EQ(0u, log_.Count("point.Unadvise")) << helper.name;
  }
}

TEST_F(BrowserHelperTest, GetSiteAnswersNothingAndTheTypeInformationCountIsOne) {
  for (const auto& helper : kBothClasses) {
    for (bool connected : {false, true}) {
      if (connected) {
        Connect(helper.create);
      } else {
        Create(helper.create);
      }
      EXPECT_EQ(E_POINTER, helper_->GetSite(IID_IUnknown, nullptr)) << helper.name;
      void* site = reinterpret_cast<void*>(1);
      EXPECT_EQ(E_FAIL, helper_->GetSite(IID_IUnknown, &site)) << helper.name;
      EXPECT_EQ(nullptr, site) << helper.name;
      UINT count = 0;
      EXPECT_EQ(S_OK, Dispatch()->GetTypeInfoCount(&count)) << helper.name;
      EXPECT_EQ(1u, count) << helper.name;
    }
  }
}

TEST_F(BrowserHelperTest, ACaughtNavigationIsCancelledWithTheBrowsersLocationAsTheReferringPage) {
  Connect(CreateIeCatch5);
  BeforeNavigateEvent event(kDownload);
  EXPECT_EQ(S_OK, Fire(browser_.Sink(), DISPID_BEFORENAVIGATE2, event.Params()));
  EXPECT_EQ(VARIANT_TRUE, event.Cancel());
  EXPECT_EQ(0xFFFF, static_cast<unsigned short>(event.Cancel()));
  const std::vector<JournalEntry> messages = Messages();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("1135", messages[0].Get("msg"));
  EXPECT_EQ("119", messages[0].Get("wparam"));
  EXPECT_EQ("1", messages[0].Get("lparam"));
  EXPECT_EQ(kDownloadAnsi, messages[0].Get("url"));
  EXPECT_EQ("http://pages.example/list.html", messages[0].Get("referer"));
  EXPECT_STREQ(L"http://downloads.example/setup.zip", event.Url().bstrVal) << "the browser's URL is untouched";
}

TEST_F(BrowserHelperTest, TheReferringPageIsTheLocationWhenTheEventFires) {
  Connect(CreateIeCatch5);
  browser_.SetLocation(L"http://pages.example/second.html");
  BeforeNavigateEvent event(kDownload);
  EXPECT_EQ(S_OK, Fire(browser_.Sink(), DISPID_BEFORENAVIGATE2, event.Params()));
  ASSERT_EQ(1u, Messages().size());
  EXPECT_EQ("http://pages.example/second.html", Messages()[0].Get("referer"));
}

TEST_F(BrowserHelperTest, AnEmptyOrUnreadableLocationGivesAHandOffWithoutAReferringPage) {
  struct Case {
    const char* name;
    FakeBrowserOptions options;
  };
  FakeBrowserOptions empty;
  empty.location = L"";
  FakeBrowserOptions fails;
  fails.locationResult = E_FAIL;
  FakeBrowserOptions null;
  null.locationIsNull = true;
  const Case cases[] = {{"empty", empty}, {"failing", fails}, {"null", null}};
  size_t handed = 0;
  for (const Case& c : cases) {
    CallLog log;
    FakeBrowser browser(log, c.options);
    FakeSite site(log, &browser);
    ComPtr<IObjectWithSite> helper;
    ASSERT_EQ(S_OK, CreateIeCatch5(nullptr, IID_IObjectWithSite, helper.PutVoid()));
    ASSERT_EQ(S_OK, helper->SetSite(&site));
    BeforeNavigateEvent event(kDownload);
    EXPECT_EQ(S_OK, Fire(browser.Sink(), DISPID_BEFORENAVIGATE2, event.Params())) << c.name;
    EXPECT_EQ(VARIANT_TRUE, event.Cancel()) << c.name;
    const std::vector<JournalEntry> messages = Messages();
    ASSERT_EQ(++handed, messages.size()) << c.name;
    EXPECT_EQ("", messages.back().Get("referer")) << c.name;
    const std::string url = kDownloadAnsi;
    EXPECT_EQ(std::to_string(8 + url.size()), messages.back().Get("bytes")) << c.name;
    browser.DropSink();
  }
}

TEST_F(BrowserHelperTest, OnlyHttpAndFtpUrlsAreScreenedWhateverTheCaseOfTheirScheme) {
  Connect(CreateIeCatch5);
  struct Case {
    const wchar_t* url;
    bool screened;
  };
  const Case cases[] = {
      {L"HTTP://downloads.example/a.zip", true},
      {L"Ftp://downloads.example/b.zip", true},
      {L"ftp://downloads.example/c.zip", true},
      {L"https://downloads.example/d.zip", false},
      {L"javascript:void('e.zip')", false},
      {L"about:blank.zip", false},
      {L"file:///C:/f.zip", false},
      {L"downloads.example/g.zip", false},
  };
  size_t handed = 0;
  for (const Case& c : cases) {
    const size_t locationReads = log_.Count("browser.get_LocationURL");
    BeforeNavigateEvent event(c.url);
    EXPECT_EQ(S_OK, Fire(browser_.Sink(), DISPID_BEFORENAVIGATE2, event.Params()));
    if (c.screened) ++handed;
    EXPECT_EQ(handed, Messages().size()) << std::string(c.url, c.url + wcslen(c.url));
    EXPECT_EQ(c.screened ? VARIANT_TRUE : VARIANT_FALSE, event.Cancel());
    EXPECT_EQ(c.screened ? locationReads + 1 : locationReads, log_.Count("browser.get_LocationURL"))
        << "the scheme is tested before the location is read";
  }
}

TEST_F(BrowserHelperTest, AnUncaughtNavigationLeavesCancelAsTheBrowserSetIt) {
  Connect(CreateIeCatch5);
  for (VARIANT_BOOL initial : {VARIANT_FALSE, VARIANT_TRUE, static_cast<VARIANT_BOOL>(1)}) {
    BeforeNavigateEvent page(L"http://pages.example/next.html", initial);
    EXPECT_EQ(S_OK, Fire(browser_.Sink(), DISPID_BEFORENAVIGATE2, page.Params()));
    EXPECT_EQ(initial, page.Cancel());
  }
  EXPECT_TRUE(Messages().empty());
  manager_.Stop();
  ReferenceManagerProcess declines("--replies 0");
  BeforeNavigateEvent declined(kDownload);
  EXPECT_EQ(S_OK, Fire(browser_.Sink(), DISPID_BEFORENAVIGATE2, declined.Params()));
  EXPECT_EQ(1u, declines.Messages().size()) << "the manager was asked";
  EXPECT_EQ(VARIANT_FALSE, declined.Cancel()) << "and declined";
}

TEST_F(BrowserHelperTest, ArgumentShapesOtherThanTheBrowsersAreLeftAloneEvenAgainstAltAndCtrl) {
  Connect(CreateIeCatch5);
  HeldKeys forced(true, true);
  struct Case {
    const char* name;
    void (*spoil)(BeforeNavigateEvent&);
  };
  const Case cases[] = {
      {"five arguments", [](BeforeNavigateEvent& e) { e.Params()->cArgs = 5; }},
      {"no argument array", [](BeforeNavigateEvent& e) { e.Params()->rgvarg = nullptr; }},
      {"the URL as a plain BSTR",
       [](BeforeNavigateEvent& e) {
         e.Arguments()[5].vt = VT_BSTR;
         e.Arguments()[5].bstrVal = e.Url().bstrVal;
       }},
      {"the URL reference null", [](BeforeNavigateEvent& e) { e.Arguments()[5].pvarVal = nullptr; }},
      {"Cancel as a plain VT_BOOL", [](BeforeNavigateEvent& e) { e.Arguments()[0].vt = VT_BOOL; }},
      {"Cancel as a reference to a long", [](BeforeNavigateEvent& e) { e.Arguments()[0].vt = VT_BYREF | VT_I4; }},
      {"a URL that is no string",
       [](BeforeNavigateEvent& e) {
         ::VariantClear(&e.Url());
         e.Url().vt = VT_NULL;
       }},
      {"a number as URL",
       [](BeforeNavigateEvent& e) {
         ::VariantClear(&e.Url());
         e.Url().vt = VT_I4;
         e.Url().lVal = 7;
       }},
      {"a null string as URL",
       [](BeforeNavigateEvent& e) {
         ::VariantClear(&e.Url());
         e.Url().vt = VT_BSTR;
         e.Url().bstrVal = nullptr;
       }},
  };
  for (const Case& c : cases) {
    BeforeNavigateEvent event(kDownload);
    c.spoil(event);
    EXPECT_EQ(S_OK, Fire(browser_.Sink(), DISPID_BEFORENAVIGATE2, event.Params())) << c.name;
    EXPECT_EQ(VARIANT_FALSE, event.Cancel()) << c.name;
    EXPECT_TRUE(Messages().empty()) << c.name;
  }
  BeforeNavigateEvent control(kDownload);
  EXPECT_EQ(S_OK, Fire(browser_.Sink(), DISPID_BEFORENAVIGATE2, control.Params()));
  EXPECT_EQ(VARIANT_TRUE, control.Cancel()) << "the browser's own shape is caught";
}

TEST_F(BrowserHelperTest, EachNavigationReadsTheFlagsAgainAndScreensNothingWhileOffOrHandedBack) {
  Connect(CreateIeCatch5);
  HeldKeys forced(true, true);
  struct Case {
    const char* name;
    bool removeSettings;
    DWORD flags;
  };
  const Case cases[] = {
      {"monitoring off", false, kHelperFlags | MONITOR_OFF},
      {"the helper flag cleared", false, MONITOR_BROWSER},
      {"no settings", true, 0},
  };
  for (const Case& c : cases) {
    if (c.removeSettings) {
      ScopedSettings::Remove();
    } else {
      settings_.SetFlags(c.flags);
    }
    BeforeNavigateEvent event(kDownload);
    EXPECT_EQ(S_OK, Fire(browser_.Sink(), DISPID_BEFORENAVIGATE2, event.Params())) << c.name;
    EXPECT_EQ(VARIANT_FALSE, event.Cancel()) << c.name;
    EXPECT_EQ(Dispatch().Get(), browser_.Sink()) << c.name << ": still connected";
  }
  EXPECT_TRUE(Messages().empty());
  settings_.SetFlags(kHelperFlags);
  BeforeNavigateEvent again(kDownload);
  EXPECT_EQ(S_OK, Fire(browser_.Sink(), DISPID_BEFORENAVIGATE2, again.Params()));
  EXPECT_EQ(VARIANT_TRUE, again.Cancel()) << "screening again at the next event";
}

TEST_F(BrowserHelperTest, OtherEventsAreIgnored) {
  Connect(CreateIeCatch5);
  BeforeNavigateEvent event(kDownload);
  for (DISPID other : {DISPID_NAVIGATECOMPLETE2, DISPID_DOCUMENTCOMPLETE, DISPID_NEWWINDOW2, 0, -1}) {
    EXPECT_EQ(S_OK, Fire(browser_.Sink(), other, event.Params())) << other;
  }
  EXPECT_EQ(VARIANT_FALSE, event.Cancel());
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(0u, log_.Count("point.Unadvise"));
}

TEST_F(BrowserHelperTest, IeCatch2IgnoresBeforeNavigate2) {
  Connect(CreateIeCatch2);
  HeldKeys forced(true, true);
  BeforeNavigateEvent event(kDownload);
  EXPECT_EQ(S_OK, Fire(browser_.Sink(), DISPID_BEFORENAVIGATE2, event.Params()));
  EXPECT_EQ(VARIANT_FALSE, event.Cancel());
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(0u, log_.Count("browser.get_LocationURL"));
}

TEST_F(BrowserHelperTest, ASecondSiteSwitchesBrowsersAndAdvisesAgain) {
  Connect(CreateIeCatch5);
  CallLog secondLog;
  FakeBrowser second(secondLog);
  FakeSite secondSite(secondLog, &second);
  EXPECT_EQ(S_OK, helper_->SetSite(&secondSite));
  EXPECT_EQ(Dispatch().Get(), second.Sink());
  EXPECT_EQ(2, second.References());
  EXPECT_EQ(1, browser_.References()) << "the first browser was given back";
  EXPECT_EQ(Dispatch().Get(), browser_.Sink()) << "its connection is left as it was";
  BeforeNavigateEvent event(kDownload);
  EXPECT_EQ(S_OK, Fire(second.Sink(), DISPID_BEFORENAVIGATE2, event.Params()));
  ASSERT_EQ(1u, Messages().size());
  EXPECT_EQ("http://pages.example/list.html", Messages()[0].Get("referer"));
  helper_.Reset();
  second.DropSink();
  browser_.DropSink();  // the object goes now, while the second browser it holds still exists
}

}  // namespace
