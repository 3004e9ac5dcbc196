// OstrelNetscape's methods, reached through the vtable, with the reference manager answering:
// every row of the results table, the list checks, and the order of window and arguments.
#include <olectl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "browser/ostrel_netscape.h"
#include "browser_test_support.h"
#include "common/automation_values.h"
#include "common/com_ptr.h"
#include "common/unique_handle.h"
#include "handoff/handoff_protocol.h"
#include "reference_manager_process.h"
#include "screening/monitor_flags.h"
#include "settings_fixture.h"
#include "variant_array.h"

namespace {

// An event under the block's name: no mapping of that name can be made while it lives.
class NoBlockPossible {
 public:
  NoBlockPossible() : name_(::CreateEventA(nullptr, TRUE, FALSE, HANDOFF_BLOCK_NAME)) {}
  bool Held() const { return static_cast<bool>(name_); }

 private:
  UniqueHandle name_;
};

// The hand-off file held open without sharing: it cannot be written while this lives.
class NoFilePossible {
 public:
  NoFilePossible() {
    char directory[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, directory);
    path_ = std::string(directory) + HANDOFF_FILE_NAME;
    file_.Reset(::CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  ~NoFilePossible() {
    file_.Reset();
    ::DeleteFileA(path_.c_str());
  }
  bool Held() const { return static_cast<bool>(file_); }

 private:
  std::string path_;
  UniqueFile file_;
};

std::string Counted(const std::string& text) {
  const uint32_t n = static_cast<uint32_t>(text.size());
  std::string bytes(reinterpret_cast<const char*>(&n), 4);
  return bytes + text;
}

std::string Int32(int32_t value) { return std::string(reinterpret_cast<const char*>(&value), 4); }

class Bstr {
 public:
  explicit Bstr(const wchar_t* text) : text_(text == nullptr ? nullptr : ::SysAllocString(text)) {}
  operator BSTR() const { return text_.Get(); }

 private:
  UniqueBstr text_;
};

class OstrelNetscapeTest : public ModuleLockTest {
 protected:
  void SetUp() override {
    ModuleLockTest::SetUp();
    settings_.SetFlags(MONITOR_PLUGIN | MONITOR_BROWSER);
    settings_.SetTypes(".zip");
    ASSERT_EQ(S_OK, CreateOstrelNetscape(nullptr, IID_IOstrelNetscape, object_.PutVoid()));
  }
  void TearDown() override {
    object_.Reset();
    ModuleLockTest::TearDown();
  }

  // The manager for this test, answering with `replies` first.
  ReferenceManagerProcess& Manager(const std::string& replies = std::string()) {
    manager_.reset(new ReferenceManagerProcess(replies.empty() ? std::string() : "--replies " + replies));
    EXPECT_TRUE(manager_->Started());
    return *manager_;
  }
  std::vector<JournalEntry> Messages() const { return manager_ ? manager_->Messages() : std::vector<JournalEntry>(); }

  static void ExpectSeen(const JournalEntry& message, int msg, int wparam, long lparam, const char* route,
                         const std::string& bytes) {
    EXPECT_EQ(std::to_string(msg), message.Get("msg"));
    EXPECT_EQ(std::to_string(wparam), message.Get("wparam"));
    EXPECT_EQ(std::to_string(lparam), message.Get("lparam"));
    EXPECT_EQ(route, message.Get("route"));
    EXPECT_EQ(HexOf(bytes), message.Get("hex"));
  }

  ScopedSettings settings_;
  std::unique_ptr<ReferenceManagerProcess> manager_;
  ComPtr<IOstrelNetscape> object_;
};

TEST_F(OstrelNetscapeTest, WithoutAManagerWindowEveryMethodEndsBeforeLookingAtItsArguments) {
  // No manager runs and no "AppPath" names one: the lookup answers at once.
  VARIANT byValue;
  byValue.vt = VT_ARRAY | VT_VARIANT;
  byValue.parray = nullptr;
  VARIANT_BOOL flag = 0x1234;
  LONG count = 0x1234;
  EXPECT_EQ(S_OK, object_->AddUrl(Bstr(L"http://a/x.zip"), nullptr, nullptr));
  EXPECT_EQ(E_FAIL, object_->AddUrlList(&byValue)) << "E_FAIL, not the list's failure";
  EXPECT_EQ(E_FAIL, object_->AddUrlList(nullptr));
  EXPECT_EQ(E_FAIL, object_->IsUrlExist(Bstr(L"http://a/x.zip"), &flag));
  EXPECT_EQ(E_FAIL, object_->IsUrlExist(Bstr(L"http://a/x.zip"), nullptr));
  EXPECT_EQ(E_FAIL, object_->AddUrlEx(Bstr(L"http://a/x.zip"), nullptr, nullptr, nullptr, 0, &flag));
  EXPECT_EQ(E_FAIL, object_->AddUrlListEx(&byValue, nullptr, 0, &count));
  EXPECT_EQ(0x1234, flag) << "out-values are not written";
  EXPECT_EQ(0x1234, count);
  VARIANT_BOOL cancel = 0x1234;
  EXPECT_EQ(S_OK, object_->Initialize(nullptr, Bstr(L"http://a/x.zip"), &cancel));
  EXPECT_EQ(VARIANT_FALSE, cancel) << "a yes from the decision, but no manager to take it";
}

TEST_F(OstrelNetscapeTest, InitializeAsksTheDecisionForAPluginAndAnswersWithCancel) {
  Manager("1,0");
  VARIANT_BOOL cancel = 0x1234;
  EXPECT_EQ(S_OK, object_->Initialize(Bstr(L"http"), Bstr(L"http://a/x.zip"), &cancel));
  EXPECT_EQ(VARIANT_TRUE, cancel);
  EXPECT_EQ(S_OK, object_->Initialize(Bstr(L"http"), Bstr(L"http://a/x.zip"), &cancel));
  EXPECT_EQ(VARIANT_FALSE, cancel) << "the manager answered 0";
  const std::vector<JournalEntry> messages = Messages();
  ASSERT_EQ(2u, messages.size());
  ExpectSeen(messages[0], 1135, 119, 0, "block", Counted("http://a/x.zip") + Counted(""));

  EXPECT_EQ(S_OK, object_->Initialize(Bstr(L"http"), Bstr(L"http://a/page.html"), &cancel));
  EXPECT_EQ(VARIANT_FALSE, cancel) << "not a download";
  settings_.SetFlags(MONITOR_BROWSER);
  EXPECT_EQ(S_OK, object_->Initialize(Bstr(L"http"), Bstr(L"http://a/x.zip"), &cancel));
  EXPECT_EQ(VARIANT_FALSE, cancel) << "plug-ins are not monitored";
  EXPECT_EQ(2u, Messages().size());
}

TEST_F(OstrelNetscapeTest, InitializeGivesTheSameAnswerWhateverTheProtocolArgumentHolds) {
  Manager();
  for (const wchar_t* protocol : {L"http", L"", L"no protocol at all", static_cast<const wchar_t*>(nullptr)}) {
    VARIANT_BOOL cancel = 0x1234;
    EXPECT_EQ(S_OK, object_->Initialize(Bstr(protocol), Bstr(L"ftp://a/x.zip"), &cancel));
    EXPECT_EQ(VARIANT_TRUE, cancel);
  }
  EXPECT_EQ(4u, Messages().size());
}

TEST_F(OstrelNetscapeTest, InitializeWithMonitoringOffAnswersAtOnceEvenAgainstAltAndCtrl) {
  Manager();
  settings_.SetFlags(MONITOR_PLUGIN | MONITOR_OFF);
  HeldKeys forced(true, true);
  VARIANT_BOOL cancel = 0x1234;
  EXPECT_EQ(S_OK, object_->Initialize(nullptr, Bstr(L"http://a/x.zip"), &cancel));
  EXPECT_EQ(VARIANT_FALSE, cancel);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(OstrelNetscapeTest, InitializeWithANullUrlHandsOverAnEmptyUrlOnlyWhenAltAndCtrlForceIt) {
  Manager();
  VARIANT_BOOL cancel = 0x1234;
  EXPECT_EQ(S_OK, object_->Initialize(nullptr, nullptr, &cancel));
  EXPECT_EQ(VARIANT_FALSE, cancel) << "an absent URL is not caught";
  HeldKeys forced(true, true);
  EXPECT_EQ(S_OK, object_->Initialize(nullptr, nullptr, &cancel));
  EXPECT_EQ(VARIANT_TRUE, cancel);
  const std::vector<JournalEntry> messages = Messages();
  ASSERT_EQ(1u, messages.size());
  ExpectSeen(messages[0], 1135, 119, 0, "block", Counted("") + Counted(""));
}

TEST_F(OstrelNetscapeTest, InitializeTakesTheFileRouteWithoutABlock) {
  Manager();
  NoBlockPossible noBlock;
  ASSERT_TRUE(noBlock.Held());
  VARIANT_BOOL cancel = 0x1234;
  EXPECT_EQ(S_OK, object_->Initialize(nullptr, Bstr(L"http://a/x.zip"), &cancel));
  EXPECT_EQ(VARIANT_TRUE, cancel);
  const std::vector<JournalEntry> messages = Messages();
  ASSERT_EQ(1u, messages.size());
  ExpectSeen(messages[0], 1135, 17, 0, "file", "http://a/x.zip");
}

TEST_F(OstrelNetscapeTest, OpenDoesNothing) {
  Manager();
  EXPECT_EQ(S_OK, object_->Open(Bstr(L"http://a/x.zip")));
  EXPECT_EQ(S_OK, object_->Open(nullptr));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(OstrelNetscapeTest, AddUrlHandsOverRefererUrlAndInfoWhateverTheAnswer) {
  Manager("-1,0");
  EXPECT_EQ(S_OK, object_->AddUrl(Bstr(L"http://a/x.zip"), Bstr(L"An archive"), Bstr(L"http://a/")));
  EXPECT_EQ(S_OK, object_->AddUrl(Bstr(L"http://a/y.zip"), nullptr, nullptr));
  const std::vector<JournalEntry> messages = Messages();
  ASSERT_EQ(2u, messages.size());
  const std::string first = Counted("http://a/") + Counted("http://a/x.zip") + Counted("An archive");
  ExpectSeen(messages[0], 1135, 85, static_cast<long>(first.size()), "block", first);
  const std::string second = Counted("") + Counted("http://a/y.zip") + Counted("");
  ExpectSeen(messages[1], 1135, 85, static_cast<long>(second.size()), "block", second);
}

TEST_F(OstrelNetscapeTest, AddUrlTakesTheFileRouteWithoutABlockAndSaysOkEvenWhenNothingCouldBeSent) {
  Manager();
  NoBlockPossible noBlock;
  ASSERT_TRUE(noBlock.Held());
  EXPECT_EQ(S_OK, object_->AddUrl(Bstr(L"http://a/x.zip"), Bstr(L"i"), Bstr(L"r")));
  ASSERT_EQ(1u, Messages().size());
  ExpectSeen(Messages()[0], 1135, 34, 1, "file", Counted("r") + Counted("http://a/x.zip") + Counted("i"));
  NoFilePossible noFile;
  ASSERT_TRUE(noFile.Held());
  EXPECT_EQ(S_OK, object_->AddUrl(Bstr(L"http://a/x.zip"), Bstr(L"i"), Bstr(L"r")));
  EXPECT_EQ(1u, Messages().size()) << "nothing more was sent";
}

TEST_F(OstrelNetscapeTest, AddUrlListSendsTheUrlsInIndexOrderFromTheLowerBoundAndUnlocksTheArray) {
  Manager("-1");
  VariantArray array(5, Strings({L"http://a/5.zip", nullptr, L"http://a/7.zip"}));
  VARIANT list = array.ByReference();
  EXPECT_EQ(S_OK, object_->AddUrlList(&list)) << "the answer is not used";
  EXPECT_EQ(0u, array.Locks());
  const std::vector<JournalEntry> messages = Messages();
  ASSERT_EQ(1u, messages.size());
  const std::string record = Counted("http://a/5.zip") + Counted("") + Counted("http://a/7.zip");
  ExpectSeen(messages[0], 1135, 85, static_cast<long>(record.size()), "block", record);
}

TEST_F(OstrelNetscapeTest, AddUrlListTakesTheFileRouteWithoutABlockAndFailsWithBadFileModeWithoutEither) {
  Manager();
  VariantArray array(0, Strings({L"http://a/1.zip", L"http://a/2.zip"}));
  VARIANT list = array.ByReference();
  NoBlockPossible noBlock;
  EXPECT_EQ(S_OK, object_->AddUrlList(&list));
  ASSERT_EQ(1u, Messages().size());
  ExpectSeen(Messages()[0], 1135, 34, 2, "file", Counted("http://a/1.zip") + Counted("http://a/2.zip"));
  NoFilePossible noFile;
  EXPECT_EQ(CTL_E_BADFILEMODE, object_->AddUrlList(&list));
  EXPECT_EQ(1u, Messages().size());
  EXPECT_EQ(0u, array.Locks());
}

TEST_F(OstrelNetscapeTest, BadListsAreRefusedWithNothingSentAndTheArrayUnlocked) {
  Manager();
  VARIANT number;
  number.vt = VT_I4;
  number.lVal = 3;
  std::vector<VARIANT> mixed = Strings({L"http://a/1.zip"});
  mixed.push_back(number);
  VariantArray withNumber(0, mixed);
  VariantArray empty(::SafeArrayCreateVector(VT_VARIANT, 0, 0));
  SAFEARRAYBOUND square[2] = {{1, 0}, {1, 0}};
  VariantArray twoDimensions(::SafeArrayCreate(VT_VARIANT, 2, square));
  VariantArray good(0, Strings({L"http://a/1.zip"}));
  VARIANT byValue;
  byValue.vt = VT_ARRAY | VT_VARIANT;
  byValue.parray = good.Get();

  struct Case {
    const char* name;
    VARIANT list;
    VariantArray* array;
  };
  const Case cases[] = {
      {"an array by value", byValue, &good},
      {"an empty array", empty.ByReference(), &empty},
      {"two dimensions", twoDimensions.ByReference(), &twoDimensions},
      {"an element holding a number", withNumber.ByReference(), &withNumber},
  };
  for (const Case& c : cases) {
    VARIANT list = c.list;
    LONG count = 0x1234;
    EXPECT_EQ(CTL_E_ILLEGALFUNCTIONCALL, object_->AddUrlList(&list)) << c.name;
    EXPECT_EQ(CTL_E_ILLEGALFUNCTIONCALL, object_->AddUrlListEx(&list, Bstr(L"C:\\d"), 0, &count)) << c.name;
    EXPECT_EQ(0x1234, count) << c.name;
    EXPECT_EQ(0u, c.array->Locks()) << c.name;
  }
  EXPECT_EQ(CTL_E_ILLEGALFUNCTIONCALL, object_->AddUrlList(nullptr));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(OstrelNetscapeTest, IsUrlExistAnswersFromTheManagersReply) {
  Manager("0,5,-1");
  struct Case {
    HRESULT result;
    VARIANT_BOOL value;
  };
  const Case cases[] = {{S_OK, VARIANT_FALSE}, {S_OK, VARIANT_TRUE}, {E_FAIL, 0x1234}};
  for (const Case& c : cases) {
    VARIANT_BOOL value = 0x1234;
    EXPECT_EQ(c.result, object_->IsUrlExist(Bstr(L"http://a/x.zip"), &value));
    EXPECT_EQ(c.value, value);
  }
  const std::vector<JournalEntry> messages = Messages();
  ASSERT_EQ(3u, messages.size());
  const std::string record = Counted("http://a/x.zip");
  ExpectSeen(messages[0], 1044, 1, static_cast<long>(record.size()), "block", record);
}

TEST_F(OstrelNetscapeTest, AddUrlExSaysTrueForAnyReplyButTheFailureReply) {
  Manager("0,-1");
  VARIANT_BOOL value = 0x1234;
  EXPECT_EQ(S_OK, object_->AddUrlEx(Bstr(L"http://a/x.zip"), Bstr(L"i"), Bstr(L"r"), Bstr(L"C:\\d"), -7, &value));
  EXPECT_EQ(VARIANT_TRUE, value) << "reply 0 included";
  value = 0x1234;
  EXPECT_EQ(E_FAIL, object_->AddUrlEx(Bstr(L"http://a/x.zip"), nullptr, nullptr, nullptr, 0, &value));
  EXPECT_EQ(0x1234, value);
  const std::vector<JournalEntry> messages = Messages();
  ASSERT_EQ(2u, messages.size());
  const std::string record = Int32(-7) + Counted("C:\\d") + Counted("r") + Counted("http://a/x.zip") + Counted("i");
  ExpectSeen(messages[0], 1044, 2, static_cast<long>(record.size()), "block", record);
}

TEST_F(OstrelNetscapeTest, AddUrlListExAnswersWithTheReplyAndSendsFlagsFolderAndUrls) {
  Manager("7,-1");
  VariantArray array(0, Strings({L"http://a/1.zip", L"http://a/2.zip"}));
  VARIANT list = array.ByReference();
  LONG value = 0x1234;
  EXPECT_EQ(S_OK, object_->AddUrlListEx(&list, Bstr(L"C:\\d"), 0x10203, &value));
  EXPECT_EQ(7, value);
  value = 0x1234;
  EXPECT_EQ(E_FAIL, object_->AddUrlListEx(&list, nullptr, 0, &value));
  EXPECT_EQ(0x1234, value);
  EXPECT_EQ(0u, array.Locks());
  const std::vector<JournalEntry> messages = Messages();
  ASSERT_EQ(2u, messages.size());
  const std::string record = Int32(0x10203) + Counted("C:\\d") + Counted("http://a/1.zip") + Counted("http://a/2.zip");
  ExpectSeen(messages[0], 1044, 3, static_cast<long>(record.size()), "block", record);
}

TEST_F(OstrelNetscapeTest, RequestsFailWithoutABlockLeavingOutValuesAndTheArrayAlone) {
  Manager();
  NoBlockPossible noBlock;
  VariantArray array(0, Strings({L"http://a/1.zip"}));
  VARIANT list = array.ByReference();
  VARIANT_BOOL flag = 0x1234;
  LONG count = 0x1234;
  EXPECT_EQ(E_FAIL, object_->IsUrlExist(Bstr(L"http://a/x.zip"), &flag));
  EXPECT_EQ(E_FAIL, object_->AddUrlEx(Bstr(L"http://a/x.zip"), nullptr, nullptr, nullptr, 0, &flag));
  EXPECT_EQ(E_FAIL, object_->AddUrlListEx(&list, nullptr, 0, &count));
  EXPECT_EQ(0x1234, flag);
  EXPECT_EQ(0x1234, count);
  EXPECT_EQ(0u, array.Locks());
  EXPECT_TRUE(Messages().empty()) << "requests have no file route";
}

TEST_F(OstrelNetscapeTest, NullOutPointersAreRefusedAfterTheWindowLookupWithNothingSent) {
  Manager();
  VariantArray array(0, Strings({L"http://a/1.zip"}));
  VARIANT list = array.ByReference();
  EXPECT_EQ(E_POINTER, object_->Initialize(nullptr, Bstr(L"http://a/x.zip"), nullptr));
  EXPECT_EQ(E_POINTER, object_->IsUrlExist(Bstr(L"http://a/x.zip"), nullptr));
  EXPECT_EQ(E_POINTER, object_->AddUrlEx(Bstr(L"http://a/x.zip"), nullptr, nullptr, nullptr, 0, nullptr));
  EXPECT_EQ(E_POINTER, object_->AddUrlListEx(&list, nullptr, 0, nullptr));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(0u, array.Locks());
}

TEST_F(OstrelNetscapeTest, ItsIDispatchCountsOneTypeInformation) {
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(S_OK, object_->QueryInterface(IID_IDispatch, dispatch.PutVoid()));
  UINT count = 0;
  EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
  EXPECT_EQ(1u, count);
  EXPECT_EQ(E_POINTER, dispatch->GetTypeInfo(0, 0, nullptr));
}

}  // namespace
