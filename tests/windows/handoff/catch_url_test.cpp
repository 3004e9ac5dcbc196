// CatchUrl end to end: the decision, the manager's window (started if need be) and the
// hand-off, against the reference manager as a second process.
#include <gtest/gtest.h>

#include <string>

#include "handoff/handoff.h"
#include "handoff/handoff_protocol.h"
#include "launched_manager.h"
#include "screening/monitor_flags.h"

namespace {

class CatchUrlTest : public testing::Test {
 protected:
  void SetUp() override {
    settings_.SetFlags(MONITOR_BROWSER | MONITOR_PLUGIN);
    settings_.SetTypes(".zip");
  }
  static constexpr uint32_t kFlags = MONITOR_BROWSER | MONITOR_PLUGIN;
  ScopedSettings settings_;
};

TEST_F(CatchUrlTest, DoesNotLookForTheManagerWhenTheDecisionIsNo) {
  ASSERT_TRUE(NoManagerWindow());
  LaunchedManager copy;
  settings_.SetAppPath(copy.Exe());
  EXPECT_EQ(0, CatchUrl("http://host/file.exe", 1, kFlags, "http://host/"));
  EXPECT_EQ(0, CatchUrl("http://host/file.zip", 1, MONITOR_PLUGIN, "http://host/")) << "browser not monitored";
  EXPECT_EQ(0u, copy.Running()) << "nothing was started";

  ReferenceManagerProcess running;
  EXPECT_EQ(0, CatchUrl("http://host/file.exe", 1, kFlags, nullptr));
  EXPECT_TRUE(running.Messages().empty());
}

TEST_F(CatchUrlTest, HandsTheUrlAndRefererOverAndPassesTheManagersAnswerOn) {
  ReferenceManagerProcess manager("--replies 7,0");
  EXPECT_EQ(7, CatchUrl("http://host/d/file.zip", 1, kFlags, "http://host/d/"));
  EXPECT_EQ(0, CatchUrl("http://host/d/other.zip", 0, kFlags, nullptr)) << "the manager did not take it";
  const std::vector<JournalEntry> messages = manager.Messages();
  ASSERT_EQ(2u, messages.size());
  EXPECT_EQ(1135, messages[0].Number("msg"));
  EXPECT_EQ(119, messages[0].Number("wparam"));
  EXPECT_EQ(1, messages[0].Number("lparam"));
  EXPECT_EQ("http://host/d/file.zip", messages[0].Get("url"));
  EXPECT_EQ("http://host/d/", messages[0].Get("referer"));
  EXPECT_EQ(0, messages[1].Number("lparam")) << "fromBrowser travels as lParam";
  EXPECT_EQ("", messages[1].Get("referer"));
  EXPECT_EQ("0", messages[1].Get("malformed"));
}

TEST_F(CatchUrlTest, StartsTheManagerFromAppPathAndThenHandsOver) {
  ASSERT_TRUE(NoManagerWindow());
  LaunchedManager copy;
  settings_.SetAppPath(copy.Exe());
  EXPECT_EQ(1, CatchUrl("http://host/file.zip", 1, kFlags, nullptr));
  EXPECT_EQ(1u, copy.Starts().size());
  ASSERT_EQ(1u, copy.Messages().size());
  EXPECT_EQ("http://host/file.zip", copy.Messages()[0].Get("url"));
}

TEST_F(CatchUrlTest, SaysNotCaughtWithoutAManager) {
  ASSERT_TRUE(NoManagerWindow());
  EXPECT_EQ(0, CatchUrl("http://host/file.zip", 1, kFlags, nullptr));
}

TEST_F(CatchUrlTest, SaysNotCaughtWhenNeitherBlockNorFileCouldBeMade) {
  ReferenceManagerProcess manager;
  BlockNameTaken taken;
  ASSERT_TRUE(taken.Held());
  ScopedTempDirectory temp("C:\\" + std::string(300, 't'));
  EXPECT_EQ(0, CatchUrl("http://host/file.zip", 1, kFlags, nullptr));
  EXPECT_TRUE(manager.Messages().empty());
}

TEST_F(CatchUrlTest, TakesTheFileRouteWhenNoBlockCanBeMade) {
  ReferenceManagerProcess manager("--replies 3");
  BlockNameTaken taken;
  ASSERT_TRUE(taken.Held());
  EXPECT_EQ(3, CatchUrl("http://host/file.zip", 0, kFlags, "http://host/"));
  const std::vector<JournalEntry> messages = manager.Messages();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(ADD_CATCH_FILE, static_cast<unsigned>(messages[0].Number("wparam")));
  EXPECT_EQ(0, messages[0].Number("lparam"));
  EXPECT_EQ("http://host/file.zip", messages[0].Get("url"));
}

}  // namespace
