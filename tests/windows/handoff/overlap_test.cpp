// Hand-offs that overlap in time: threads, processes, a hand-off nested on a thread while it
// waits for the manager, and a thread that must answer the manager while it waits for its turn.
// Every record must reach the manager intact and exactly once, or be refused without waiting.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "handoff/handoff.h"
#include "handoff/handoff_turn.h"
#include "handoff_test_support.h"
#include "settings_fixture.h"
#include "overlap_records.h"
#include "reference_manager_process.h"

namespace {

constexpr UINT WM_NOTIFY_HANDOFF = WM_APP + 1;  // what the reference manager sends before each reply
constexpr UINT WM_PROBE = WM_APP + 2;

// A hidden window on the creating thread that runs `onMessage` for WM_APP + 1 and WM_APP + 2.
class CallbackWindow {
 public:
  CallbackWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "navtrap-test-callback";
    ::RegisterClassA(&windowClass);  // fails harmlessly when already registered
    window_ = ::CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, nullptr, nullptr, windowClass.hInstance, nullptr);
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~CallbackWindow() { ::DestroyWindow(window_); }
  CallbackWindow(const CallbackWindow&) = delete;
  CallbackWindow& operator=(const CallbackWindow&) = delete;

  HWND Get() const { return window_; }
  std::string NotifyArgument() const {
    char text[64];
    std::snprintf(text, sizeof(text), "--notify-window %lx", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window_)));
    return text;
  }
  std::function<void(UINT)> onMessage;
  int calls = 0;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CallbackWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && (message == WM_NOTIFY_HANDOFF || message == WM_PROBE)) {
      ++self->calls;
      if (self->onMessage) self->onMessage(message);
      return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  HWND window_ = nullptr;
};

std::string BytesOf(const JournalEntry& entry) {
  const std::vector<uint8_t> bytes = entry.Bytes();
  return std::string(bytes.begin(), bytes.end());
}

// Checks every journal line against the records that were sent: each line is exactly one
// record's message and bytes, and each record has exactly one line that was not a busy answer.
void ExpectEachRecordIntactAndOnce(const std::vector<JournalEntry>& messages, const std::vector<OverlapRecord>& records,
                                   const std::vector<std::string>& tokens) {
  std::map<std::string, int> answered;
  for (const JournalEntry& entry : messages) {
    ASSERT_EQ("0", entry.Get("malformed")) << entry.Get("error");
    const std::string bytes = BytesOf(entry);
    int match = -1;
    for (size_t i = 0; i < records.size(); ++i) {
      if (bytes.find("/" + tokens[i] + "/") == std::string::npos) continue;
      ASSERT_EQ(-1, match) << "one message carries two records: " << tokens[match] << " and " << tokens[i];
      match = static_cast<int>(i);
    }
    ASSERT_NE(-1, match) << "a message that no one sent: " << HexOf(bytes);
    const OverlapRecord& record = records[match];
    EXPECT_EQ(static_cast<long>(record.Message()), entry.Number("msg")) << tokens[match];
    EXPECT_EQ(static_cast<long>(record.WParam()), entry.Number("wparam")) << tokens[match];
    EXPECT_EQ(static_cast<long>(record.LParam()), entry.Number("lparam")) << tokens[match];
    EXPECT_EQ(HexOf(record.Bytes()), HexOf(bytes)) << tokens[match];
    if (entry.Number("reply") != REPLY_BUSY) ++answered[tokens[match]];
  }
  for (const std::string& token : tokens) EXPECT_EQ(1, answered[token]) << token;
}

TEST(Overlap, ThreadsAndProcessesHandingOffAtOnceEachReachTheManagerIntactAndOnce) {
  constexpr int kThreads = 4;
  constexpr int kProcesses = 2;
  constexpr int kEach = 24;  // four of each kind
  ReferenceManagerProcess manager("--busy-every 40");
  ASSERT_TRUE(::IsWindow(manager.Window()));

  NamedEvent go("navtrap-test-overlap-go");
  std::vector<std::unique_ptr<PeerProcess>> peers;
  for (int p = 0; p < kProcesses; ++p) {
    peers.push_back(std::make_unique<PeerProcess>("hand-off P" + std::to_string(p) + " " + std::to_string(kEach) + " " + go.Name()));
    ASSERT_TRUE(peers.back()->Started());
  }
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ::WaitForSingleObject(go.Get(), INFINITE);
      for (int i = 0; i < kEach; ++i) {
        if (!DeliverOverlapRecord(manager.Window(), OverlapRecord("T" + std::to_string(t), i))) ++failures[t];
      }
    });
  }
  go.Set();
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(0, failures[t]) << "thread " << t;
  for (int p = 0; p < kProcesses; ++p) EXPECT_EQ(0u, peers[p]->ExitCode()) << "process " << p;

  std::vector<OverlapRecord> records;
  std::vector<std::string> tokens;
  for (const char* label : {"T0", "T1", "T2", "T3", "P0", "P1"}) {
    for (int i = 0; i < kEach; ++i) {
      records.emplace_back(label, i);
      tokens.push_back(OverlapRecord::Token(label, i));
    }
  }
  const std::vector<JournalEntry> messages = manager.Messages();
  EXPECT_GE(messages.size(), records.size());
  ExpectEachRecordIntactAndOnce(messages, records, tokens);
}

// The outer hand-off runs on this thread; the manager's notice before its reply reaches the
// callback window on this same thread while SendMessage waits, and starts the nested one.
class NestedHandOff : public testing::Test {
 protected:
  void StartManager(const std::string& arguments = std::string()) {
    manager_ = std::make_unique<ReferenceManagerProcess>(window_.NotifyArgument() + " " + arguments);
    ASSERT_TRUE(::IsWindow(manager_->Window()));
  }
  // Runs `nested` once, at the first notice (the one of the outer hand-off).
  void NestOnce(std::function<void()> nested) {
    window_.onMessage = [this, nested](UINT) {
      if (notices_++ == 0) nested();
    };
  }
  CallbackWindow window_;
  std::unique_ptr<ReferenceManagerProcess> manager_;
  int notices_ = 0;
};

const char kOuterUrl[] = "http://host/outer/file.zip";
const char kOuterReferer[] = "http://host/outer/";
const char kNestedUrl[] = "http://host/nested/other.zip";

TEST_F(NestedHandOff, TakesTheFileWhileTheOuterHoldsTheBlockAndBothArriveIntact) {
  StartManager();
  ::DeleteFileA(HandoffFilePath().c_str());
  DeliveryOutcome nested = {DeliveryStatus::kNoBlock, 0};
  NestOnce([&] { nested = DeliverRecord(manager_->Window(), CatchRecord{kNestedUrl, "http://host/nested/"}, 1); });

  const DeliveryOutcome outer = DeliverRecord(manager_->Window(), CatchRecord{kOuterUrl, kOuterReferer}, 1);
  EXPECT_EQ(2, notices_) << "one for each message the manager received";
  EXPECT_EQ(DeliveryStatus::kReplied, outer.status);
  EXPECT_EQ(1, outer.reply);
  EXPECT_EQ(DeliveryStatus::kReplied, nested.status);
  EXPECT_EQ(1, nested.reply);

  const std::vector<JournalEntry> messages = manager_->Messages();
  ASSERT_EQ(2u, messages.size());
  // The nested one is answered first, inside the outer's wait; by the file, so the URL alone.
  EXPECT_EQ(17, messages[0].Number("wparam"));
  EXPECT_EQ("file", messages[0].Get("route"));
  EXPECT_EQ(kNestedUrl, BytesOf(messages[0]));
  EXPECT_EQ(119, messages[1].Number("wparam"));
  EXPECT_EQ("block", messages[1].Get("route"));
  EXPECT_EQ(OverlapRecord::Counted(kOuterUrl) + OverlapRecord::Counted(kOuterReferer), BytesOf(messages[1]));
  EXPECT_FALSE(FileExists(HandoffFilePath()));
}

TEST_F(NestedHandOff, OfARequestFindsNoBlockWhileTheOuterHoldsItAndSendsNothing) {
  StartManager();
  DeliveryOutcome nested = {DeliveryStatus::kReplied, 99};
  NestOnce([&] { nested = DeliverRecord(manager_->Window(), UrlQueryRecord{kNestedUrl}); });

  const DeliveryOutcome outer = DeliverRecord(manager_->Window(), UrlRecord{kOuterReferer, kOuterUrl, "info"});
  EXPECT_EQ(DeliveryStatus::kReplied, outer.status);
  EXPECT_EQ(DeliveryStatus::kNoBlock, nested.status);
  const std::vector<JournalEntry> messages = manager_->Messages();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(OverlapRecord::Counted(kOuterReferer) + OverlapRecord::Counted(kOuterUrl) + OverlapRecord::Counted("info"),
            BytesOf(messages[0]));
}

TEST_F(NestedHandOff, FindsNeitherWhenTheOuterUsesTheFileAndNoBlockCanBeMade) {
  BlockNameTaken taken;
  ASSERT_TRUE(taken.Held());
  StartManager();
  DeliveryOutcome nested = {DeliveryStatus::kReplied, 99};
  NestOnce([&] { nested = DeliverRecord(manager_->Window(), CatchRecord{kNestedUrl, nullptr}, 1); });

  const DeliveryOutcome outer = DeliverRecord(manager_->Window(), CatchRecord{kOuterUrl, kOuterReferer}, 1);
  EXPECT_EQ(DeliveryStatus::kReplied, outer.status);
  EXPECT_EQ(DeliveryStatus::kNoFile, nested.status);
  const std::vector<JournalEntry> messages = manager_->Messages();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("file", messages[0].Get("route"));
  EXPECT_EQ(kOuterUrl, BytesOf(messages[0])) << "the outer's file was not overwritten";
}

TEST_F(NestedHandOff, CatchUrlSaysNotCaughtWhenNothingCouldBeSent) {
  BlockNameTaken taken;
  ASSERT_TRUE(taken.Held());
  StartManager();
  ScopedSettings settings;
  settings.SetFlags(0x008);  // MONITOR_BROWSER
  settings.SetTypes(".zip");
  int nested = -1;
  NestOnce([&] { nested = CatchUrl(kNestedUrl, 1, 0x008, nullptr); });

  EXPECT_EQ(1, CatchUrl(kOuterUrl, 1, 0x008, kOuterReferer));
  EXPECT_EQ(0, nested) << "the browser goes on when the manager never got the URL";
  EXPECT_EQ(1u, manager_->Messages().size());
}

// A thread waiting for its turn while the holder waits for the manager, and the manager sends
// that waiting thread a message before it answers the holder: the waiter must answer it.
TEST(TurnWait, AnswersMessagesSentMeanwhileSoAManagerThatSendsBackCannotDeadlock) {
  HANDLE bReady = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HWND bWindow = nullptr;
  int bNotices = 0;
  DeliveryOutcome bOutcome = {DeliveryStatus::kNoBlock, 0};
  std::unique_ptr<ReferenceManagerProcess> manager;
  HANDLE managerReady = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);

  std::thread b([&] {
    CallbackWindow window;
    window.onMessage = [&](UINT message) {
      if (message == WM_NOTIFY_HANDOFF) ++bNotices;
    };
    bWindow = window.Get();
    ::SetEvent(bReady);
    ::WaitForSingleObject(managerReady, INFINITE);
    // This thread's only chance to handle messages is the turn wait inside DeliverRecord.
    bOutcome = DeliverRecord(manager->Window(), CatchRecord{"http://host/b/b.zip", nullptr}, 1);
  });
  ::WaitForSingleObject(bReady, INFINITE);
  char argument[64];
  std::snprintf(argument, sizeof(argument), "--notify-window %lx", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(bWindow)));

  {
    HandoffTurn held;  // this thread holds the turn before b asks for it
    manager = std::make_unique<ReferenceManagerProcess>(argument);
    ASSERT_TRUE(::IsWindow(manager->Window()));
    ::SetEvent(managerReady);
    // b answers a probe only once it is inside its turn wait: then it is surely waiting.
    ::SendMessageA(bWindow, WM_PROBE, 0, 0);
    // Joins this thread's turn; the manager tells b before it answers, and b is still waiting.
    const DeliveryOutcome outcome = DeliverRecord(manager->Window(), CatchRecord{"http://host/a/a.zip", nullptr}, 1);
    EXPECT_EQ(DeliveryStatus::kReplied, outcome.status);
    EXPECT_EQ(1, bNotices) << "b answered the manager while it waited for its turn";
  }
  b.join();
  EXPECT_EQ(DeliveryStatus::kReplied, bOutcome.status);
  EXPECT_EQ(2, bNotices);
  const std::vector<JournalEntry> messages = manager->Messages();
  ASSERT_EQ(2u, messages.size());
  EXPECT_EQ("http://host/a/a.zip", messages[0].Get("url"));
  EXPECT_EQ("http://host/b/b.zip", messages[1].Get("url"));
  ::CloseHandle(bReady);
  ::CloseHandle(managerReady);
}

// A hand-off started inside a message from another thread never waits for the turn: that
// sender may be the very thing the turn's holder is waiting for.
TEST(TurnWait, IsNotEnteredInsideAMessageSentByAnotherThread) {
  ReferenceManagerProcess manager;
  HANDLE bReady = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HWND bWindow = nullptr;
  DWORD bThread = 0;
  DeliveryOutcome inside = {DeliveryStatus::kReplied, 99};
  std::thread b([&] {
    bThread = ::GetCurrentThreadId();
    CallbackWindow window;
    window.onMessage = [&](UINT) { inside = DeliverRecord(manager.Window(), UrlRecord{"r", "http://host/inside/", "i"}); };
    bWindow = window.Get();
    ::SetEvent(bReady);
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
  });
  ::WaitForSingleObject(bReady, INFINITE);
  {
    HandoffTurn held;
    ::SendMessageA(bWindow, WM_PROBE, 0, 0);  // would never return if b waited for `held`
  }
  EXPECT_EQ(DeliveryStatus::kNoFile, inside.status);
  // Once the turn is free, the same call from inside a sent message goes through.
  ::SendMessageA(bWindow, WM_PROBE, 0, 0);
  EXPECT_EQ(DeliveryStatus::kReplied, inside.status);
  ::PostThreadMessageA(bThread, WM_QUIT, 0, 0);
  b.join();
  EXPECT_EQ(1u, manager.Messages().size());
  ::CloseHandle(bReady);
}

}  // namespace
