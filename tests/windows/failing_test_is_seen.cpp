#include <gtest/gtest.h>

// Marked WILL_FAIL: if a failing assertion under Wine ever exited 0, this test would fail.
TEST(TheHarness, ReportsAFailingAssertionAsAFailedRun) { EXPECT_EQ(1, 2); }
