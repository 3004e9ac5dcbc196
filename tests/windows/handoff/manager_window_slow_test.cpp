// The waits of FindManagerWindow after a start: about four and about ten seconds. Their
// durations are printed, not asserted.
#include <gtest/gtest.h>

#include <cstdio>

#include "handoff/handoff.h"
#include "launched_manager.h"

namespace {

class FindManagerWindowWait : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(NoManagerWindow()); }
  ScopedSettings settings_;
};

TEST_F(FindManagerWindowWait, FindsAWindowThatAppearsThreeAndAHalfSecondsAfterTheStart) {
  LaunchedManager copy("--window-after 3500");
  settings_.SetAppPath(copy.Exe());
  const DWORD start = ::GetTickCount();
  HWND window = FindManagerWindow();
  std::printf("window found after %lu ms\n", static_cast<unsigned long>(::GetTickCount() - start));
  EXPECT_TRUE(::IsWindow(window));
  EXPECT_EQ(1u, copy.Running());
}

TEST_F(FindManagerWindowWait, GivesUpAfterTenLookupsWhenNoWindowEverAppears) {
  LaunchedManager copy("--no-window");
  settings_.SetAppPath(copy.Exe());
  const DWORD start = ::GetTickCount();
  HWND window = FindManagerWindow();
  std::printf("gave up after %lu ms\n", static_cast<unsigned long>(::GetTickCount() - start));
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(1u, copy.Running()) << "started once, and not again while waiting";
  EXPECT_EQ(1u, copy.Starts().size());
}

}  // namespace
