// IeCatch against a recording sink and bind information, with the reference manager answering.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "browser/ie_catch.h"
#include "browser_test_support.h"
#include "common/com_ptr.h"
#include "outer_unknown_fake.h"
#include "protocol_fakes.h"
#include "reference_manager_process.h"
#include "screening/monitor_flags.h"
#include "settings_fixture.h"

namespace {

constexpr wchar_t kCaughtUrl[] = L"http://downloads.example/setup.zip";
constexpr char kCaughtUrlAnsi[] = "http://downloads.example/setup.zip";
constexpr wchar_t kPageUrl[] = L"http://downloads.example/index.html";

class IeCatchTest : public ModuleLockTest {
 protected:
  void SetUp() override {
    ModuleLockTest::SetUp();
    ASSERT_TRUE(manager_.Started());
    settings_.SetFlags(MONITOR_BROWSER);
    settings_.SetTypes(".zip;.exe");
    ASSERT_EQ(S_OK, CreateIeCatch(nullptr, IID_IInternetProtocol, protocol_.PutVoid()));
  }
  void TearDown() override {
    protocol_.Reset();
    WaitForAbortThreads();
    EXPECT_EQ(1, sink_.References()) << "the sink's count is back where it started";
    EXPECT_EQ(1, bindInfo_.References()) << "the bind information's count is back where it started";
    EXPECT_EQ(0u, log_.Count("bindInfo.GetBindInfo") + log_.Count("bindInfo.GetBindString"))
        << "the bind information is held, never called";
    ModuleLockTest::TearDown();
  }

  IeCatch* Catcher() const { return static_cast<IeCatch*>(protocol_.Get()); }
  HRESULT Start(const wchar_t* url, DWORD grfPI = 0) { return protocol_->Start(url, &sink_, &bindInfo_, grfPI, 0); }

  // A report from the abort thread names it; the thread's last references go as it ends.
  void WaitForAbortThreads() {
    for (const ReportedResult& result : sink_.Results()) {
      if (result.thread != ::GetCurrentThreadId()) {
        EXPECT_TRUE(WaitForThreadToEnd(result.thread));
      }
    }
  }

  std::vector<JournalEntry> Messages() const { return manager_.Messages(); }

  ReferenceManagerProcess manager_;
  ScopedSettings settings_;
  CallLog log_;
  FakeProtocolSink sink_{log_};
  FakeBindInfo bindInfo_{log_};
  ComPtr<IInternetProtocol> protocol_;
};

TEST_F(IeCatchTest, StepsAsideForEveryUrlWhileHelperObjectsScreenOrMonitoringIsOffEvenAgainstAltAndCtrl) {
  struct Case {
    const char* name;
    bool removeSettings;
    DWORD flags;
  };
  const Case cases[] = {
      {"helper objects screen", false, MONITOR_BROWSER | MONITOR_BY_HELPER_OBJECT},
      {"monitoring off", false, MONITOR_BROWSER | MONITOR_OFF},
      {"both", false, MONITOR_BROWSER | MONITOR_BY_HELPER_OBJECT | MONITOR_OFF},
      {"no settings key", true, 0},
  };
  for (const Case& c : cases) {
    if (c.removeSettings) {
      ScopedSettings::Remove();
    } else {
      settings_.SetFlags(c.flags);
    }
    for (bool forced : {false, true}) {
      HeldKeys keys(forced, forced);
      EXPECT_EQ(INET_E_USE_DEFAULT_PROTOCOLHANDLER, Start(kCaughtUrl)) << c.name << (forced ? ", Alt and Ctrl" : "");
    }
  }
  EXPECT_EQ(S_OK, protocol_->Terminate(0));
  EXPECT_TRUE(Messages().empty()) << "nothing reached the manager";
  EXPECT_TRUE(log_.Names().empty()) << "the sink and the bind information were not touched";
}

TEST_F(IeCatchTest, StepsAsideForAUrlThatIsNotCaughtAndHoldsNothing) {
  EXPECT_EQ(INET_E_USE_DEFAULT_PROTOCOLHANDLER, Start(kPageUrl));
  EXPECT_FALSE(Catcher()->IsAbortReportPending());
  EXPECT_EQ(S_OK, protocol_->Terminate(0));
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(log_.Names().empty());
}

TEST_F(IeCatchTest, StepsAsideWhenTheManagerDeclinesTheUrl) {
  manager_.Stop();
  ReferenceManagerProcess declines("--replies 0");
  EXPECT_EQ(INET_E_USE_DEFAULT_PROTOCOLHANDLER, Start(kCaughtUrl));
  ASSERT_EQ(1u, declines.Messages().size()) << "the manager was asked";
  EXPECT_TRUE(log_.Names().empty()) << "nothing was taken";
}

TEST_F(IeCatchTest, CatchesAUrlAndReportsTheAbortOnceFromAThreadOfItsOwn) {
  ASSERT_EQ(S_OK, Start(kCaughtUrl));

  const std::vector<JournalEntry> messages = Messages();
  ASSERT_EQ(1u, messages.size()) << "the hand-off finished inside Start";
  EXPECT_EQ("1135", messages[0].Get("msg"));
  EXPECT_EQ("119", messages[0].Get("wparam"));
  EXPECT_EQ("1", messages[0].Get("lparam")) << "from the browser";
  EXPECT_EQ(kCaughtUrlAnsi, messages[0].Get("url"));
  EXPECT_EQ("", messages[0].Get("referer")) << "the protocol handler never passes a referring page";

  ASSERT_TRUE(sink_.WaitForResult());
  WaitForAbortThreads();
  const std::vector<ReportedResult> results = sink_.Results();
  ASSERT_EQ(1u, results.size());
  EXPECT_EQ(E_ABORT, results[0].result);
  EXPECT_EQ(0u, results[0].error);
  EXPECT_TRUE(results[0].textIsNull);
  EXPECT_NE(::GetCurrentThreadId(), results[0].thread) << "reported from the abort thread";
  EXPECT_FALSE(Catcher()->IsAbortReportPending()) << "the marker is cleared after the report";
  EXPECT_EQ(0u, log_.Count("sink.Switch"));

  EXPECT_EQ(2, sink_.References()) << "the object holds the sink until Terminate";
  EXPECT_EQ(2, bindInfo_.References()) << "and the bind information";
  EXPECT_EQ(S_OK, protocol_->Terminate(0));
  EXPECT_EQ(1, sink_.References());
  EXPECT_EQ(1, bindInfo_.References());
  EXPECT_LT(log_.LastIndexOf("bindInfo.Release"), log_.LastIndexOf("sink.Release")) << "bind information first";
  EXPECT_EQ(S_OK, protocol_->Terminate(0)) << "a second Terminate releases nothing";
  EXPECT_EQ(1, sink_.References());
}

TEST_F(IeCatchTest, TerminateWhileTheReportIsPendingReleasesTheSinkOnlyAfterTheReport) {
  ASSERT_EQ(S_OK, Start(kCaughtUrl));
  const DWORD before = ::GetTickCount();
  EXPECT_EQ(S_OK, protocol_->Terminate(0));
  const DWORD waited = ::GetTickCount() - before;
  std::printf("Terminate with a pending report returned after %lu ms\n", waited);

  ASSERT_EQ(1u, sink_.Results().size()) << "the report came before Terminate returned";
  const int reported = log_.IndexOf("sink.ReportResult");
  EXPECT_LT(reported, log_.LastIndexOf("bindInfo.Release"));
  EXPECT_LT(log_.LastIndexOf("bindInfo.Release"), log_.LastIndexOf("sink.Release"));
  EXPECT_FALSE(Catcher()->IsAbortReportPending());
}

TEST_F(IeCatchTest, ForcedAsynchronousCatchSwitchesWithTheFixedRecordAndReportsNothing) {
  ASSERT_EQ(E_PENDING, Start(kCaughtUrl, PI_FORCE_ASYNC));
  ASSERT_EQ(1u, log_.Count("sink.Switch"));
  PROTOCOLDATA switched = sink_.Switched();
  EXPECT_EQ(static_cast<DWORD>(PI_FORCE_ASYNC), switched.grfFlags);
  EXPECT_EQ(1u, switched.dwState);
  EXPECT_EQ(nullptr, switched.pData);
  EXPECT_EQ(0u, switched.cbData);
  EXPECT_FALSE(Catcher()->IsAbortReportPending()) << "no abort thread on this path";

  EXPECT_EQ(E_FAIL, protocol_->Continue(&switched));
  EXPECT_EQ(S_OK, protocol_->Terminate(0));
  EXPECT_TRUE(sink_.Results().empty()) << "IeCatch reports no result on this path";
  EXPECT_EQ(1u, Messages().size());
}

TEST_F(IeCatchTest, ForcedAsynchronousCatchWithoutASinkIsRefusedButKeepsTheBindInformationUntilTerminate) {
  ASSERT_EQ(E_INVALIDARG, protocol_->Start(kCaughtUrl, nullptr, &bindInfo_, PI_FORCE_ASYNC, 0));
  EXPECT_EQ(2, bindInfo_.References());
  EXPECT_EQ(S_OK, protocol_->Terminate(0));
  EXPECT_EQ(1, bindInfo_.References());
}

TEST_F(IeCatchTest, AbortReportsAFailureCodeAsGivenAndAnyOtherAsEAbort) {
  ASSERT_EQ(E_PENDING, Start(kCaughtUrl, PI_FORCE_ASYNC));  // holds the sink without a thread
  const struct {
    HRESULT reason;
    HRESULT reported;
  } cases[] = {
      {S_OK, E_ABORT},
      {S_FALSE, E_ABORT},
      {E_FAIL, E_FAIL},
      {INET_E_DOWNLOAD_FAILURE, INET_E_DOWNLOAD_FAILURE},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(S_OK, protocol_->Abort(c.reason, 0));
    const std::vector<ReportedResult> results = sink_.Results();
    ASSERT_FALSE(results.empty());
    EXPECT_EQ(c.reported, results.back().result) << std::hex << c.reason;
    EXPECT_EQ(0u, results.back().error);
    EXPECT_TRUE(results.back().textIsNull);
    EXPECT_EQ(::GetCurrentThreadId(), results.back().thread);
  }
  EXPECT_EQ(4u, sink_.Results().size());
  EXPECT_EQ(S_OK, protocol_->Terminate(0));
}

TEST_F(IeCatchTest, AbortReportsNothingBeforeACatchingStartOrAfterTerminate) {
  EXPECT_EQ(S_OK, protocol_->Abort(E_FAIL, 0));
  ASSERT_EQ(E_PENDING, Start(kCaughtUrl, PI_FORCE_ASYNC));
  EXPECT_EQ(S_OK, protocol_->Terminate(0));
  EXPECT_EQ(S_OK, protocol_->Abort(E_FAIL, 0));
  EXPECT_TRUE(sink_.Results().empty());
}

TEST_F(IeCatchTest, AbortWhileTheReportIsPendingGivesTheSinkTwoResults) {
  ASSERT_EQ(S_OK, Start(kCaughtUrl));
  EXPECT_EQ(S_OK, protocol_->Abort(E_FAIL, 0));
  EXPECT_EQ(S_OK, protocol_->Terminate(0));
  const std::vector<ReportedResult> results = sink_.Results();
  ASSERT_EQ(2u, results.size());
  EXPECT_EQ(E_FAIL, results[0].result);
  EXPECT_EQ(::GetCurrentThreadId(), results[0].thread);
  EXPECT_EQ(E_ABORT, results[1].result);
  EXPECT_NE(::GetCurrentThreadId(), results[1].thread);
}

TEST_F(IeCatchTest, AnEmptyUrlReachesTheManagerAsAnEmptyString) {
  HeldKeys forced(true, true);  // forces the catch whatever the URL
  ASSERT_EQ(S_OK, Start(L""));
  const std::vector<JournalEntry> messages = Messages();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("", messages[0].Get("url"));
  EXPECT_EQ(HexOf(std::string(8, '\0')), messages[0].Get("hex")) << "two empty counted strings";
  EXPECT_EQ(S_OK, protocol_->Terminate(0));
}

TEST_F(IeCatchTest, ReadDeliversNoDataAndTheOtherMethodsGiveTheirFixedResults) {
  auto check = [this](const char* when) {
    char buffer[16] = {};
    ULONG read = 99;
    EXPECT_EQ(S_FALSE, protocol_->Read(buffer, sizeof(buffer), &read)) << when;
    EXPECT_EQ(0u, read) << when;
    EXPECT_EQ(S_FALSE, protocol_->Read(buffer, sizeof(buffer), nullptr)) << when;
    LARGE_INTEGER move = {};
    ULARGE_INTEGER position = {};
    EXPECT_EQ(E_NOTIMPL, protocol_->Seek(move, 0, &position)) << when;
    EXPECT_EQ(E_NOTIMPL, protocol_->Suspend()) << when;
    EXPECT_EQ(E_NOTIMPL, protocol_->Resume()) << when;
    EXPECT_EQ(S_OK, protocol_->LockRequest(0)) << when;
    EXPECT_EQ(S_OK, protocol_->UnlockRequest()) << when;
    EXPECT_EQ(E_FAIL, protocol_->Continue(nullptr)) << when;
  };
  check("fresh");
  ASSERT_EQ(E_PENDING, Start(kCaughtUrl, PI_FORCE_ASYNC));
  check("switched");
  EXPECT_EQ(S_OK, protocol_->Terminate(0));
  check("terminated");
}

TEST_F(IeCatchTest, AnObjectReleasedWhileItsReportIsPendingLivesUntilTheReportAndThenLetsEverythingGo) {
  ASSERT_EQ(S_OK, Start(kCaughtUrl));
  protocol_.Reset();  // the only outside reference, with the abort thread still waiting
  ASSERT_TRUE(sink_.WaitForResult()) << "the object was still there to report";
  WaitForAbortThreads();
  EXPECT_EQ(E_ABORT, sink_.Results()[0].result);
  EXPECT_EQ(2u, log_.Count("sink.Release")) << "the object's reference and the thread's";
  EXPECT_LT(log_.IndexOf("sink.ReportResult"), log_.IndexOf("sink.Release"))
      << "the object let go of the sink only after the report";
  EXPECT_EQ(0, ModuleLockCount()) << "the thread's own references and lock are gone with it";
  EXPECT_EQ(1, sink_.References()) << "the object's destruction gave back the sink";
  EXPECT_EQ(1, bindInfo_.References());
}

TEST_F(IeCatchTest, AnAggregatedObjectsAbortThreadHoldsTheOuterObject) {
  CallLog outerLog;
  FakeOuterUnknown outer(outerLog);
  ComPtr<IUnknown> inner;
  ASSERT_EQ(S_OK, CreateIeCatch(&outer, IID_IUnknown, inner.PutVoid()));
  ComPtr<IInternetProtocol> aggregated;
  ASSERT_EQ(S_OK, inner->QueryInterface(IID_IInternetProtocol, aggregated.PutVoid()));
  EXPECT_EQ(2, outer.References()) << "the interface's reference is the outer object's";

  ASSERT_EQ(S_OK, aggregated->Start(kCaughtUrl, &sink_, &bindInfo_, 0, 0));
  ASSERT_TRUE(sink_.WaitForResult());
  WaitForAbortThreads();
  const DWORD abortThread = sink_.Results()[0].thread;
  bool heldByThread = false;
  bool releasedByThread = false;
  for (const LoggedCall& call : outerLog.Calls()) {
    if (call.thread != abortThread) continue;
    heldByThread |= call.name == "outer.AddRef";
    releasedByThread |= call.name == "outer.Release";
  }
  EXPECT_FALSE(heldByThread) << "the reference was taken before the thread started";
  EXPECT_TRUE(releasedByThread) << "and given back by the thread as it ended";
  EXPECT_EQ(2, outer.References());

  EXPECT_EQ(S_OK, aggregated->Terminate(0));
  aggregated.Reset();
  inner.Reset();
  EXPECT_EQ(1, outer.References());
}

TEST_F(IeCatchTest, ACaughtRequestLeavesNoHandleOpen) {
  auto catchOnce = [this]() {
    ComPtr<IInternetProtocol> protocol;
    ASSERT_EQ(S_OK, CreateIeCatch(nullptr, IID_IInternetProtocol, protocol.PutVoid()));
    ASSERT_EQ(S_OK, protocol->Start(kCaughtUrl, &sink_, &bindInfo_, 0, 0));
    ASSERT_EQ(S_OK, protocol->Terminate(0));
    protocol.Reset();
    WaitForAbortThreads();
  };
  catchOnce();  // whatever the system opens once per process is open from here on
  const int before = CountOpenHandles();
  catchOnce();
  EXPECT_EQ(before, CountOpenHandles());
}

// Every free region of the address space big enough for a thread's stack, reserved while the
// object lives: thread creation fails for real, and smaller allocations still work.
class AddressSpaceFiller {
 public:
  explicit AddressSpaceFiller(SIZE_T chunk) {
    reserved_.reserve(8192);
    while (reserved_.size() < reserved_.capacity()) {
      void* region = ::VirtualAlloc(nullptr, chunk, MEM_RESERVE, PAGE_NOACCESS);
      if (region == nullptr) break;
      reserved_.push_back(region);
    }
  }
  ~AddressSpaceFiller() {
    for (void* region : reserved_) ::VirtualFree(region, 0, MEM_RELEASE);
  }
  AddressSpaceFiller(const AddressSpaceFiller&) = delete;
  AddressSpaceFiller& operator=(const AddressSpaceFiller&) = delete;

 private:
  std::vector<void*> reserved_;
};

DWORD WINAPI DoNothing(void*) { return 0; }

TEST_F(IeCatchTest, AFailedAbortThreadStillEndsTheRequest) {
  HRESULT started = E_FAIL;
  bool threadsFailed = false;
  {
    AddressSpaceFiller filler(1024 * 1024);
    HANDLE probe = ::CreateThread(nullptr, 0, DoNothing, nullptr, 0, nullptr);
    threadsFailed = probe == nullptr;
    if (probe != nullptr) {
      ::WaitForSingleObject(probe, INFINITE);
      ::CloseHandle(probe);
    }
    if (threadsFailed) started = Start(kCaughtUrl);
  }
  ASSERT_TRUE(threadsFailed) << "no thread could be started with the address space full";
  EXPECT_EQ(S_OK, started);
  ASSERT_EQ(1u, Messages().size()) << "the URL was caught";
  const std::vector<ReportedResult> results = sink_.Results();
  ASSERT_EQ(1u, results.size()) << "the request was ended";
  EXPECT_EQ(E_ABORT, results[0].result);
  EXPECT_EQ(::GetCurrentThreadId(), results[0].thread) << "from Start itself";
  EXPECT_FALSE(Catcher()->IsAbortReportPending());
  EXPECT_EQ(S_OK, protocol_->Terminate(0));
}

}  // namespace
