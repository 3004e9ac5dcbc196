#include <gtest/gtest.h>

// Marked WILL_FAIL: a crash under Wine must fail the run, never pass as exit code 0.
TEST(TheHarness, ReportsACrashAsAFailedRun) {
  volatile int* nowhere = nullptr;
  *nowhere = 1;
}
