// IeCatch under Wine's own urlmon: a class factory of the test's, registered with
// RegisterNameSpace for "http" and "ftp", and downloads from a loopback HTTP server.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "browser/ie_catch.h"
#include "browser_test_support.h"
#include "call_log.h"
#include "common/com_ptr.h"
#include "loopback_http_server.h"
#include "reference_manager_process.h"
#include "screening/monitor_flags.h"
#include "settings_fixture.h"

namespace {

// What urlmon asked the factory for: aggregated or not, and which interface.
struct CreationRequest {
  bool aggregated;
  IID iid;
};

// The class factory a host would get from the library for IeCatch, with the same checks.
class IeCatchFactory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!::IsEqualIID(riid, IID_IUnknown) && !::IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return count_.Increment(); }
  ULONG STDMETHODCALLTYPE Release() override { return count_.Decrement(); }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    requests_.push_back({outer != nullptr, riid});
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr && !::IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return CreateIeCatch(outer, riid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  const std::vector<CreationRequest>& Requests() const { return requests_; }

 private:
  FakeCount count_;
  std::vector<CreationRequest> requests_;
};

class UrlmonTest : public ModuleLockTest {
 protected:
  void SetUp() override {
    ModuleLockTest::SetUp();
    settledLocks_ = ModuleLockCount();
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_TRUE(server_.Running());
    ASSERT_TRUE(manager_.Started());
    settings_.SetFlags(MONITOR_BROWSER);
    settings_.SetTypes(".zip");
    char directory[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, directory);
    target_ = std::string(directory) + "navtrap-urlmon-download.bin";
    ::DeleteFileA(target_.c_str());
  }
  void TearDown() override {
    if (session_) {
      session_->UnregisterNameSpace(&factory_, L"http");
      session_->UnregisterNameSpace(&factory_, L"ftp");
      session_.Reset();
    }
    WaitForModuleUnlocked();
    ::CoUninitialize();
    ::DeleteFileA(target_.c_str());
    ModuleLockTest::TearDown();
  }

  void RegisterIeCatch() {
    ASSERT_EQ(S_OK, ::CoInternetGetSession(0, session_.Put(), 0));
    ASSERT_EQ(S_OK, session_->RegisterNameSpace(&factory_, CLSID_IeCatch, L"http", 0, nullptr, 0));
    ASSERT_EQ(S_OK, session_->RegisterNameSpace(&factory_, CLSID_IeCatch, L"ftp", 0, nullptr, 0));
  }

  // URLDownloadToFile binds synchronously, pumping messages itself.
  HRESULT Download(const std::string& url) {
    const std::wstring wide(url.begin(), url.end());
    const std::wstring target(target_.begin(), target_.end());
    return ::URLDownloadToFileW(nullptr, wide.c_str(), target.c_str(), 0, nullptr);
  }
  bool Downloaded() const { return ::GetFileAttributesA(target_.c_str()) != INVALID_FILE_ATTRIBUTES; }

  // The abort thread gives back its module lock as it ends, a moment after urlmon has let the
  // object go. Nothing outside the library can wait on that thread, so the count is watched
  // while this thread delivers urlmon's messages, until it is back where the test expects it.
  void WaitForModuleUnlocked() const {
    const DWORD start = ::GetTickCount();
    while (ModuleLockCount() > settledLocks_ && ::GetTickCount() - start < 10000) {
      MSG message;
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }

  LoopbackHttpServer server_;
  ReferenceManagerProcess manager_;
  ScopedSettings settings_;
  IeCatchFactory factory_;
  ComPtr<IInternetSession> session_;
  std::string target_;
  long settledLocks_ = 0;  // the count once every object of ours that urlmon let go is gone
};

TEST_F(UrlmonTest, WithoutTheNamespaceTheLoopbackServerServesTheDownload) {
  EXPECT_EQ(S_OK, Download(server_.Url("/plain/setup.zip")));
  EXPECT_TRUE(server_.Saw("/plain/setup.zip"));
  EXPECT_TRUE(Downloaded());
  EXPECT_TRUE(manager_.Messages().empty());
}

TEST_F(UrlmonTest, ACaughtHttpUrlEndsTheBindWithoutDataAndReachesTheManager) {
  RegisterIeCatch();
  const std::string url = server_.Url("/files/setup.zip");
  const HRESULT result = Download(url);
  EXPECT_TRUE(FAILED(result)) << std::hex << result;
  std::printf("a caught download ends with 0x%08lx\n", static_cast<unsigned long>(result));
  EXPECT_FALSE(server_.Saw("/files/setup.zip")) << "no request reached the server";
  EXPECT_TRUE(server_.Paths().empty());

  const std::vector<JournalEntry> messages = manager_.Messages();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("1135", messages[0].Get("msg"));
  EXPECT_EQ("119", messages[0].Get("wparam"));
  EXPECT_EQ("1", messages[0].Get("lparam"));
  EXPECT_EQ(url, messages[0].Get("url"));
  EXPECT_EQ("", messages[0].Get("referer"));

  ASSERT_FALSE(factory_.Requests().empty());
  EXPECT_TRUE(factory_.Requests()[0].aggregated) << "urlmon asks for an aggregated handler first";
  EXPECT_TRUE(::IsEqualIID(IID_IUnknown, factory_.Requests()[0].iid));
}

TEST_F(UrlmonTest, TheHandlerIsGivenTheCanonicalUrl) {
  RegisterIeCatch();
  const std::string port = server_.Url("").substr(std::string("http://127.0.0.1").size());
  EXPECT_TRUE(FAILED(Download("HTTP://u:p@127.0.0.1" + port + "/./x/../setup.zip")));
  const std::vector<JournalEntry> messages = manager_.Messages();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("http://127.0.0.1" + port + "/setup.zip", messages[0].Get("url"));
  EXPECT_TRUE(server_.Paths().empty());
}

TEST_F(UrlmonTest, ACaughtFtpUrlNeedsNoServer) {
  RegisterIeCatch();
  EXPECT_TRUE(FAILED(Download("ftp://127.0.0.1:1/pub/setup.zip")));
  const std::vector<JournalEntry> messages = manager_.Messages();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("ftp://127.0.0.1:1/pub/setup.zip", messages[0].Get("url"));
}

TEST_F(UrlmonTest, AUrlThatIsNotCaughtIsHandedBackAndReachesNobody) {
  RegisterIeCatch();
  struct Case {
    const char* name;
    DWORD flags;
    const char* path;
  };
  const Case cases[] = {
      {"a page", MONITOR_BROWSER, "/pages/index.html"},
      {"the helper objects screen", MONITOR_BROWSER | MONITOR_BY_HELPER_OBJECT, "/files/helper.zip"},
      {"monitoring off", MONITOR_BROWSER | MONITOR_OFF, "/files/off.zip"},
  };
  const long locksBefore = ModuleLockCount();
  for (const Case& c : cases) {
    settings_.SetFlags(c.flags);
    // Wine's urlmon does not go on with its own handler once a namespace handler steps aside:
    // the bind ends with the handler's answer.
    EXPECT_EQ(INET_E_USE_DEFAULT_PROTOCOLHANDLER, Download(server_.Url(c.path))) << c.name;
    EXPECT_FALSE(Downloaded()) << c.name;
  }
  EXPECT_TRUE(server_.Paths().empty()) << "nothing reached the server";
  EXPECT_TRUE(manager_.Messages().empty()) << "nothing reached the manager";

  // On this path Wine's urlmon never calls Terminate and keeps its binding objects, and the
  // handler inside them, to the end of the process. A handler that stepped aside holds nothing
  // and started no thread, so each bind leaves exactly its one object's lock.
  EXPECT_EQ(locksBefore + 3, ModuleLockCount());
  settledLocks_ = ModuleLockCount();
  ExpectLocksKeptByPeer(ModuleLockCount() - locksBefore);
}

}  // namespace
