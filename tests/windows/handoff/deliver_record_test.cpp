// Every record kind delivered to the reference manager, a real second process, and compared
// byte for byte with what its journal says it received.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "handoff/handoff.h"
#include "handoff/handoff_protocol.h"
#include "handoff_test_support.h"
#include "reference_manager_process.h"

namespace {

std::string Le32(uint32_t value) {
  return std::string{static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                     static_cast<char>(value >> 24)};
}
std::string Counted(const std::string& text) { return Le32(static_cast<uint32_t>(text.size())) + text; }

// One message as the manager saw it.
struct Seen {
  long msg, wparam, lparam;
  std::string route;
  std::string bytes;
};

Seen SeenIn(const JournalEntry& entry) {
  const std::vector<uint8_t> bytes = entry.Bytes();
  return {entry.Number("msg"), entry.Number("wparam"), entry.Number("lparam"), entry.Get("route"),
          std::string(bytes.begin(), bytes.end())};
}

void ExpectSeen(const JournalEntry& entry, long msg, long wparam, long lparam, const std::string& route,
                const std::string& bytes) {
  const Seen seen = SeenIn(entry);
  EXPECT_EQ(msg, seen.msg);
  EXPECT_EQ(wparam, seen.wparam);
  EXPECT_EQ(lparam, seen.lparam);
  EXPECT_EQ(route, seen.route);
  EXPECT_EQ(HexOf(bytes), HexOf(seen.bytes));
  EXPECT_EQ("0", entry.Get("malformed")) << entry.Get("error");
}

const char kUrl14[] = "http://h/a.zip";   // 14 bytes
const char kReferer10[] = "http://h/p";   // 10 bytes

TEST(DeliverRecord, HandsACatchWithoutRefererOverIn22BytesWithFromBrowserAsLParam) {
  ReferenceManagerProcess manager;
  ASSERT_TRUE(::IsWindow(manager.Window()));
  for (int fromBrowser : {1, 0}) {
    const DeliveryOutcome outcome = DeliverRecord(manager.Window(), CatchRecord{kUrl14, nullptr}, fromBrowser);
    EXPECT_EQ(DeliveryStatus::kReplied, outcome.status);
    EXPECT_EQ(1, outcome.reply);
  }
  const std::vector<JournalEntry> messages = manager.Messages();
  ASSERT_EQ(2u, messages.size());
  const std::string expected = std::string("\x0e\0\0\0", 4) + kUrl14 + std::string(4, '\0');
  ASSERT_EQ(22u, expected.size());
  ExpectSeen(messages[0], 1135, 119, 1, "block", expected);
  ExpectSeen(messages[1], 1135, 119, 0, "block", expected);
  EXPECT_EQ(kUrl14, messages[0].Get("url"));
  EXPECT_EQ("", messages[0].Get("referer"));
}

TEST(DeliverRecord, HandsACatchWithATenByteRefererOverIn32Bytes) {
  ReferenceManagerProcess manager;
  const DeliveryOutcome outcome = DeliverRecord(manager.Window(), CatchRecord{kUrl14, kReferer10}, 1);
  EXPECT_EQ(DeliveryStatus::kReplied, outcome.status);
  const std::vector<JournalEntry> messages = manager.Messages();
  ASSERT_EQ(1u, messages.size());
  const std::string bytes = SeenIn(messages[0]).bytes;
  ASSERT_EQ(32u, bytes.size());
  EXPECT_EQ(std::string("\x0a\0\0\0", 4), bytes.substr(18, 4));
  EXPECT_EQ(kReferer10, bytes.substr(22));
  ExpectSeen(messages[0], 1135, 119, 1, "block", Counted(kUrl14) + Counted(kReferer10));
  EXPECT_EQ(kReferer10, messages[0].Get("referer"));
}

TEST(DeliverRecord, HandsAUrlRecordOverIn13BytesWithItsSizeAsLParam) {
  ReferenceManagerProcess manager;
  const DeliveryOutcome outcome = DeliverRecord(manager.Window(), UrlRecord{nullptr, "x", nullptr});
  EXPECT_EQ(DeliveryStatus::kReplied, outcome.status);
  const std::vector<JournalEntry> messages = manager.Messages();
  ASSERT_EQ(1u, messages.size());
  ExpectSeen(messages[0], 1135, 85, 13, "block", std::string("\0\0\0\0\1\0\0\0x\0\0\0\0", 13));
}

TEST(DeliverRecord, HandsAListOfTwoUrlsOverIn16BytesWithTheSizeAsLParam) {
  ReferenceManagerProcess manager;
  const char* urls[] = {"abc", "defgh"};
  const DeliveryOutcome outcome = DeliverRecord(manager.Window(), UrlListRecord{urls, 2});
  EXPECT_EQ(DeliveryStatus::kReplied, outcome.status);
  const std::vector<JournalEntry> messages = manager.Messages();
  ASSERT_EQ(1u, messages.size());
  ExpectSeen(messages[0], 1135, 85, 16, "block", Counted("abc") + Counted("defgh"));
}

TEST(DeliverRecord, HandsAnExRecordWithEmptyStringsOverIn20Bytes) {
  ReferenceManagerProcess manager;
  const DeliveryOutcome outcome = DeliverRecord(manager.Window(), UrlExRecord{1, nullptr, nullptr, nullptr, nullptr});
  EXPECT_EQ(DeliveryStatus::kReplied, outcome.status);
  EXPECT_EQ(1, outcome.reply);
  const std::vector<JournalEntry> messages = manager.Messages();
  ASSERT_EQ(1u, messages.size());
  ExpectSeen(messages[0], 1044, 2, 20, "block", Le32(1) + std::string(16, '\0'));
}

TEST(DeliverRecord, AsksWhetherTheManagerKnowsAUrl) {
  ReferenceManagerProcess manager("--known http://h/known.zip");
  const DeliveryOutcome known = DeliverRecord(manager.Window(), UrlQueryRecord{"http://h/known.zip"});
  const DeliveryOutcome unknown = DeliverRecord(manager.Window(), UrlQueryRecord{"http://h/other.zip"});
  EXPECT_EQ(DeliveryStatus::kReplied, known.status);
  EXPECT_EQ(1, known.reply);
  EXPECT_EQ(DeliveryStatus::kReplied, unknown.status);
  EXPECT_EQ(0, unknown.reply);
  const std::vector<JournalEntry> messages = manager.Messages();
  ASSERT_EQ(2u, messages.size());
  ExpectSeen(messages[0], 1044, 1, 22, "block", Counted("http://h/known.zip"));
}

TEST(DeliverRecord, HandsAListExRecordOverAndPassesTheManagersAnswerOn) {
  ReferenceManagerProcess manager;
  const char* urls[] = {"u1", "", "u333"};
  const DeliveryOutcome outcome = DeliverRecord(manager.Window(), UrlListExRecord{-2, "C:\\dl", urls, 3});
  EXPECT_EQ(DeliveryStatus::kReplied, outcome.status);
  EXPECT_EQ(3, outcome.reply) << "the reference manager answers with the number of URLs";
  const std::vector<JournalEntry> messages = manager.Messages();
  ASSERT_EQ(1u, messages.size());
  const std::string bytes = Le32(0xFFFFFFFE) + Counted("C:\\dl") + Counted("u1") + Counted("") + Counted("u333");
  ExpectSeen(messages[0], 1044, 3, static_cast<long>(bytes.size()), "block", bytes);
  EXPECT_EQ("-2", messages[0].Get("flags"));
}

TEST(DeliverRecord, PassesAFailedRequestOnAsMinusOne) {
  ReferenceManagerProcess manager("--replies -1");
  const DeliveryOutcome outcome = DeliverRecord(manager.Window(), UrlExRecord{0, "s", "r", "u", "i"});
  EXPECT_EQ(DeliveryStatus::kReplied, outcome.status);
  EXPECT_EQ(REPLY_FAILED, outcome.reply);
}

TEST(DeliverRecord, SendsTheSameMessageAgainWhileTheManagerIsBusy) {
  ReferenceManagerProcess manager("--replies busy,busy,1");
  const DWORD start = ::GetTickCount();
  const DeliveryOutcome outcome = DeliverRecord(manager.Window(), CatchRecord{kUrl14, kReferer10}, 1);
  const DWORD elapsed = ::GetTickCount() - start;
  EXPECT_EQ(DeliveryStatus::kReplied, outcome.status);
  EXPECT_EQ(1, outcome.reply);
  const std::vector<JournalEntry> messages = manager.Messages();
  ASSERT_EQ(3u, messages.size());
  const long replies[] = {85, 85, 1};
  for (size_t i = 0; i < 3; ++i) {
    ExpectSeen(messages[i], 1135, 119, 1, "block", Counted(kUrl14) + Counted(kReferer10));
    EXPECT_EQ(replies[i], messages[i].Number("reply"));
  }
  // Two pauses of a second each lie between the three sends; shown, not asserted.
  testing::Test::RecordProperty("busy_elapsed_ms", static_cast<int>(elapsed));
  std::printf("three sends with two busy pauses took %lu ms\n", static_cast<unsigned long>(elapsed));
}

class DeliverRecordWithoutBlock : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(taken_.Held());
    ::DeleteFileA(HandoffFilePath().c_str());
  }
  BlockNameTaken taken_;
};

TEST_F(DeliverRecordWithoutBlock, PutsOnlyTheCatchsUrlBytesInTheFileAndDeletesItAfterTheReply) {
  ReferenceManagerProcess manager("--replies 5");
  const DeliveryOutcome outcome = DeliverRecord(manager.Window(), CatchRecord{kUrl14, kReferer10}, 0);
  EXPECT_EQ(DeliveryStatus::kReplied, outcome.status);
  EXPECT_EQ(5, outcome.reply);
  EXPECT_FALSE(FileExists(HandoffFilePath())) << "gone after the reply";
  const std::vector<JournalEntry> messages = manager.Messages();
  ASSERT_EQ(1u, messages.size());
  ExpectSeen(messages[0], 1135, 17, 0, "file", kUrl14);
}

TEST_F(DeliverRecordWithoutBlock, PutsAUrlRecordInTheFileWithLParamOne) {
  ReferenceManagerProcess manager;
  const DeliveryOutcome outcome = DeliverRecord(manager.Window(), UrlRecord{"r", "u", "i"});
  EXPECT_EQ(DeliveryStatus::kReplied, outcome.status);
  const std::vector<JournalEntry> messages = manager.Messages();
  ASSERT_EQ(1u, messages.size());
  ExpectSeen(messages[0], 1135, 34, 1, "file", Counted("r") + Counted("u") + Counted("i"));
  EXPECT_FALSE(FileExists(HandoffFilePath()));
}

TEST_F(DeliverRecordWithoutBlock, PutsAListInTheFileWithTheUrlCountAsLParamOnEveryRepeat) {
  ReferenceManagerProcess manager("--replies busy,1");
  const char* urls[] = {"abc", "defgh"};
  const DeliveryOutcome outcome = DeliverRecord(manager.Window(), UrlListRecord{urls, 2});
  EXPECT_EQ(DeliveryStatus::kReplied, outcome.status);
  const std::vector<JournalEntry> messages = manager.Messages();
  ASSERT_EQ(2u, messages.size());
  for (const JournalEntry& message : messages) {
    ExpectSeen(message, 1135, 34, 2, "file", Counted("abc") + Counted("defgh"));
  }
  EXPECT_FALSE(FileExists(HandoffFilePath()));
}

TEST_F(DeliverRecordWithoutBlock, SendsNoRequestAndSaysNoBlock) {
  ReferenceManagerProcess manager;
  const char* urls[] = {"a"};
  const DeliveryOutcome outcomes[] = {
      DeliverRecord(manager.Window(), UrlQueryRecord{"u"}),
      DeliverRecord(manager.Window(), UrlExRecord{0, "s", "r", "u", "i"}),
      DeliverRecord(manager.Window(), UrlListExRecord{0, "s", urls, 1}),
  };
  for (const DeliveryOutcome& outcome : outcomes) EXPECT_EQ(DeliveryStatus::kNoBlock, outcome.status);
  EXPECT_TRUE(manager.Messages().empty());
}

TEST_F(DeliverRecordWithoutBlock, SaysNoFileAndSendsNothingWhenTheTempDirectoryCannotBeHad) {
  ReferenceManagerProcess manager;
  const struct {
    std::string directory;
    bool returnable;
    const char* why;
  } cases[] = {
      {"C:\\" + std::string(300, 'd'), false, "GetTempPathA cannot return it"},
      {"C:\\" + std::string(246, 'd'), true, "the directory fits, the file name would not"},
  };
  for (const auto& c : cases) {
    ScopedTempDirectory temp(c.directory);
    char directory[MAX_PATH];
    const DWORD returned = ::GetTempPathA(MAX_PATH, directory);
    ASSERT_EQ(c.returnable, returned != 0 && returned < MAX_PATH) << c.why << ": returned " << returned;
    const DeliveryOutcome outcome = DeliverRecord(manager.Window(), CatchRecord{kUrl14, nullptr}, 1);
    EXPECT_EQ(DeliveryStatus::kNoFile, outcome.status) << c.why;
    EXPECT_EQ(0, outcome.reply) << c.why;
  }
  EXPECT_TRUE(manager.Messages().empty());
}

TEST_F(DeliverRecordWithoutBlock, SaysNoFileWhenTheFileCannotBeCreated) {
  ReferenceManagerProcess manager;
  // Someone holds the file open without letting others write it.
  UniqueFile held(::CreateFileA(HandoffFilePath().c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  const DeliveryOutcome outcome = DeliverRecord(manager.Window(), UrlRecord{"r", "u", "i"});
  EXPECT_EQ(DeliveryStatus::kNoFile, outcome.status);
  EXPECT_TRUE(manager.Messages().empty());
  held.Reset();
  ::DeleteFileA(HandoffFilePath().c_str());
}

TEST(DeliverRecord, LeavesTheBlockClosedAfterEveryHandOff) {
  ReferenceManagerProcess manager;
  DeliverRecord(manager.Window(), CatchRecord{kUrl14, kReferer10}, 1);
  UniqueHandle left(::OpenFileMappingA(FILE_MAP_READ, FALSE, HANDOFF_BLOCK_NAME));
  EXPECT_FALSE(left) << "no block is left behind once the reply has come";
}

}  // namespace
