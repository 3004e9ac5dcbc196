#include <gtest/gtest.h>

#include <string>

#include "screening/monitor_flags.h"
#include "screening/screen_url.h"
#include "settings_fixture.h"

namespace {

class ScreenUrlOnWindows : public testing::Test {
 protected:
  void SetUp() override {
    settings_.SetFlags(MONITOR_BROWSER);
    settings_.SetTypes(".ZIP;.r[0-9][0-9]");
  }
  ScopedSettings settings_;
};

TEST_F(ScreenUrlOnWindows, ReadsThePatternListFromTheRegistryAtEveryCall) {
  EXPECT_EQ(1, ScreenUrl("ftp://host/d/file.Zip", 1, MONITOR_BROWSER));
  EXPECT_EQ(1, ScreenUrl("ftp://host/d/file.r05", 1, MONITOR_BROWSER));
  EXPECT_EQ(0, ScreenUrl("ftp://host/d/file.gz", 1, MONITOR_BROWSER));
  settings_.SetTypes(".gz");
  EXPECT_EQ(1, ScreenUrl("ftp://host/d/file.gz", 1, MONITOR_BROWSER));
  settings_.DeleteValue("MonitorType");
  EXPECT_EQ(0, ScreenUrl("ftp://host/d/file.gz", 1, MONITOR_BROWSER));
}

TEST_F(ScreenUrlOnWindows, AnswersNoWhenTheListIsTooLongToRead) {
  settings_.SetTypes(std::string(250, 'x') + ";.zip");  // 255 bytes of text
  EXPECT_EQ(0, ScreenUrl("ftp://host/a.zip", 1, MONITOR_BROWSER));
  settings_.SetTypes(std::string(249, 'x') + ";.zip");  // 254 bytes of text
  EXPECT_EQ(1, ScreenUrl("ftp://host/a.zip", 1, MONITOR_BROWSER));
}

TEST_F(ScreenUrlOnWindows, SeesTheRealKeyState) {
  const struct {
    bool alt, ctrl;
    uint32_t flags;
    const char* url;
    int expected;
  } cases[] = {
      {false, false, MONITOR_BROWSER, "ftp://host/a.zip", 1},
      {true, false, MONITOR_BROWSER, "ftp://host/a.zip", 0},
      {false, true, MONITOR_BROWSER, "ftp://host/a.zip", 1},
      {true, false, MONITOR_BROWSER | MONITOR_WITH_ALT, "ftp://host/a.zip", 1},
      {false, false, MONITOR_BROWSER | MONITOR_WITH_ALT, "ftp://host/a.zip", 0},
      {true, true, 0, "ftp://host/a.exe", 1},
      {true, true, 0, nullptr, 1},
  };
  for (const auto& c : cases) {
    HeldKeys keys(c.alt, c.ctrl);
    EXPECT_EQ(c.expected, ScreenUrl(c.url, 1, c.flags)) << "alt " << c.alt << " ctrl " << c.ctrl << " flags " << c.flags;
  }
  EXPECT_EQ(0, ::GetAsyncKeyState(VK_MENU) & 0x8000) << "keys released";
}

TEST_F(ScreenUrlOnWindows, ForcesACatchWithAltAndCtrlEvenWithoutSettings) {
  ScopedSettings::Remove();
  HeldKeys keys(true, true);
  EXPECT_EQ(1, ScreenUrl("http://h/page.html?x", 0, 0));
}

}  // namespace
