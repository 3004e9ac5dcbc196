#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_screening_platform.h"
#include "screening/monitor_flags.h"
#include "screening/screen_url.h"

namespace {

struct DecisionCase {
  const char* url;
  uint32_t flags;
  int fromBrowser;
  bool alt;
  bool ctrl;
  int expected;
  const char* why;
};

TEST(ScreenUrl, DecidesTheWorkedExamples) {
  const DecisionCase cases[] = {
      {"ftp://host/d/file.ZIP", 0x008, 1, false, false, 1, "extension .zip after lower-casing"},
      {"ftp://host/d/file.r05", 0x008, 1, false, false, 1, "second pattern"},
      {"ftp://host/d/archive.tar.gz", 0x008, 1, false, false, 0, ".gz is not in the list"},
      {"ftp://host/get?f=a.zip", 0x008, 1, false, false, 0, "? without MONITOR_QUERY_URLS"},
      {"ftp://host/get?f=a.zip", 0x208, 1, false, false, 1, "path and query give .zip"},
      {"ftp://host/get?f=a.zip", 0x208, 0, false, false, 0, "query URLs ignored for scripts"},
      {"ftp://host/d/file.zip", 0x008, 1, true, false, 0, "Alt down without MONITOR_WITH_ALT"},
      {"ftp://host/d/file.exe", 0x008, 1, true, true, 1, "forced"},
  };
  for (const DecisionCase& c : cases) {
    FakeScreeningPlatform platform;
    platform.alt = c.alt;
    platform.ctrl = c.ctrl;
    EXPECT_EQ(c.expected, ScreenUrlWith(platform, c.url, c.fromBrowser, c.flags)) << c.url << ": " << c.why;
  }
}

TEST(ScreenUrl, AltAndCtrlTogetherForceACatchWhateverElseHolds) {
  const char* urls[] = {nullptr, "ftp://h/a.zip?x", "ftp://h/a.verylongext", "ftp://h/noext", "ftp://h/a.gz"};
  for (const char* url : urls) {
    FakeScreeningPlatform platform("");
    platform.listReadable = false;
    platform.alt = platform.ctrl = true;
    EXPECT_EQ(1, ScreenUrlWith(platform, url, 1, 0)) << (url ? url : "(null)");
    EXPECT_EQ(1, ScreenUrlWith(platform, url, 0, MONITOR_WITH_ALT)) << (url ? url : "(null)");
    const std::vector<std::string> onlyKeys = {"key alt", "key ctrl", "key alt", "key ctrl"};
    EXPECT_EQ(onlyKeys, platform.calls) << "nothing but the keys is looked at";
  }
}

TEST(ScreenUrl, TestsAltAgainstItsFlagAndIgnoresCtrlAlone) {
  const struct {
    bool alt, ctrl;
    uint32_t flags;
    int expected;
  } cases[] = {
      {false, false, 0x008, 1}, {false, true, 0x008, 1}, {true, false, 0x008, 0},
      {false, false, 0x028, 0}, {true, false, 0x028, 1}, {false, true, 0x028, 0},
  };
  for (const auto& c : cases) {
    FakeScreeningPlatform platform;
    platform.alt = c.alt;
    platform.ctrl = c.ctrl;
    EXPECT_EQ(c.expected, ScreenUrlWith(platform, "http://h/a.zip", 1, c.flags))
        << "alt " << c.alt << " ctrl " << c.ctrl << " flags " << c.flags;
  }
}

TEST(ScreenUrl, ChecksTheCallersFlagAfterReadingTheList) {
  const struct {
    int fromBrowser;
    uint32_t flags;
    int expected;
  } cases[] = {
      {1, MONITOR_BROWSER, 1}, {1, MONITOR_PLUGIN, 0}, {0, MONITOR_PLUGIN, 1},
      {0, MONITOR_BROWSER, 0}, {7, MONITOR_BROWSER, 1}, {1, 0, 0},
  };
  for (const auto& c : cases) {
    FakeScreeningPlatform platform;
    EXPECT_EQ(c.expected, ScreenUrlWith(platform, "http://h/a.zip", c.fromBrowser, c.flags))
        << "fromBrowser " << c.fromBrowser << " flags " << c.flags;
    EXPECT_EQ("read list", platform.calls.back());
  }
}

TEST(ScreenUrl, ScreensExtensionsOfTwoToTenBytes) {
  FakeScreeningPlatform platform(".;.[a-z]????????;.[a-z]?????????");
  EXPECT_EQ(0, ScreenUrlWith(platform, "http://h/a.", 1, MONITOR_BROWSER)) << "the extension '.' alone";
  EXPECT_EQ(1, ScreenUrlWith(platform, "http://h/a.abcdefghi", 1, MONITOR_BROWSER)) << "ten bytes";
  EXPECT_EQ(0, ScreenUrlWith(platform, "http://h/a.abcdefghij", 1, MONITOR_BROWSER)) << "eleven bytes";
  EXPECT_EQ(0, ScreenUrlWith(platform, "http://h/dir.zip/file", 1, MONITOR_BROWSER)) << "last segment only";
  EXPECT_EQ(0, ScreenUrlWith(platform, nullptr, 1, MONITOR_BROWSER));
  EXPECT_EQ(0, ScreenUrlWith(platform, "http://h/a*.zip", 1, MONITOR_BROWSER)) << "* like ?";
}

TEST(ScreenUrl, LowerCasesTheExtensionAndTheListButNotTheUrl) {
  FakeScreeningPlatform platform(".ZIP;.MP3");
  EXPECT_EQ(1, ScreenUrlWith(platform, "http://h/A.Zip", 1, MONITOR_BROWSER));
  EXPECT_EQ(1, ScreenUrlWith(platform, "http://h/a.mp3", 1, MONITOR_BROWSER));
  const std::string excluded = std::string("http://") + MP3_EXCLUDED_HOST + "/song";
  EXPECT_EQ(0, ScreenUrlWith(platform, (excluded + ".mp3").c_str(), 1, MONITOR_BROWSER));
  EXPECT_EQ(0, ScreenUrlWith(platform, (excluded + ".MP3").c_str(), 1, MONITOR_BROWSER)) << "extension lowered first";
  EXPECT_EQ(1, ScreenUrlWith(platform, "http://PLAY.OSTREL.COM/song.mp3", 1, MONITOR_BROWSER)) << "host compared as given";
  EXPECT_EQ(1, ScreenUrlWith(platform, (excluded + ".zip").c_str(), 1, MONITOR_BROWSER)) << "only .mp3 is excluded";
  FakeScreeningPlatform query(".mp3?x=1");
  EXPECT_EQ(1, ScreenUrlWith(query, (excluded + ".mp3?x=1").c_str(), 1, MONITOR_BROWSER | MONITOR_QUERY_URLS))
      << "not .mp3 exactly";
}

TEST(ScreenUrl, WalksEveryEntryOfTheListAsItStands) {
  const struct {
    const char* list;
    const char* url;
    int expected;
  } cases[] = {
      {".gz;.zip;", "http://h/a.zip", 1},   {".gz;;.zip", "http://h/a.zip", 1},
      {";.zip", "http://h/a.zip", 1},       {".gz; .zip", "http://h/a.zip", 0},
      {".gz; .zip;.rar", "http://h/a.rar", 1}, {"", "http://h/a.zip", 0},
      {";;;", "http://h/a.zip", 0},
  };
  for (const auto& c : cases) {
    FakeScreeningPlatform platform(c.list);
    EXPECT_EQ(c.expected, ScreenUrlWith(platform, c.url, 1, MONITOR_BROWSER)) << "[" << c.list << "]";
  }
}

TEST(ScreenUrl, ReadsAListOf254BytesWholeAndNotOneByteMore) {
  const std::string filler = std::string(249, 'x') + ";";  // 250 bytes
  FakeScreeningPlatform fits(filler + ".zip");              // 254 bytes of text and a terminator
  EXPECT_EQ(1, ScreenUrlWith(fits, "http://h/a.zip", 1, MONITOR_BROWSER));
  FakeScreeningPlatform tooLong(filler + ".zip;");
  EXPECT_EQ(0, ScreenUrlWith(tooLong, "http://h/a.zip", 1, MONITOR_BROWSER));
  FakeScreeningPlatform unterminated;
  unterminated.list = filler + ".zip;";                      // 255 bytes stored without a terminator
  EXPECT_EQ(1, ScreenUrlWith(unterminated, "http://h/a.zip", 1, MONITOR_BROWSER));
  FakeScreeningPlatform stopsAtNul;
  stopsAtNul.list = std::string(".gz\0.zip", 8);
  EXPECT_EQ(0, ScreenUrlWith(stopsAtNul, "http://h/a.zip", 1, MONITOR_BROWSER));
}

class RecordingObserver final : public ScreenObserver {
 public:
  std::vector<std::string> seen;
  void OnKeys(bool alt, bool ctrl) noexcept override { seen.push_back(std::string("keys ") + (alt ? "A" : "-") + (ctrl ? "C" : "-")); }
  void OnExtension(const char* lowered, int length, bool) noexcept override { seen.push_back("ext " + std::string(lowered, length)); }
  void OnPatternList(const char* list, unsigned long length) noexcept override { seen.push_back("list " + std::string(list, length)); }
  void OnPattern(const char* p, int length, bool matched) noexcept override {
    seen.push_back("try " + std::string(p, length) + (matched ? " yes" : " no"));
  }
  void OnDecided(ScreenStep step, int answer) noexcept override {
    seen.push_back("step " + std::to_string(static_cast<int>(step)) + " answer " + std::to_string(answer));
  }
};

TEST(ScreenUrl, ReportsWhatItLookedAtAndWhichStepDecided) {
  FakeScreeningPlatform platform(".GZ;.Zip;.rar");
  RecordingObserver observer;
  EXPECT_EQ(1, ScreenUrlWith(platform, "http://h/a.ZIP", 1, MONITOR_BROWSER, &observer));
  const std::vector<std::string> expected = {
      "keys --", "ext .zip", "list .gz;.zip;.rar", "try .gz no", "try .zip yes",
      "step " + std::to_string(static_cast<int>(ScreenStep::kPatternMatched)) + " answer 1"};
  EXPECT_EQ(expected, observer.seen);

  RecordingObserver refused;
  EXPECT_EQ(0, ScreenUrlWith(platform, "http://h/a.zip?x", 1, MONITOR_BROWSER, &refused));
  EXPECT_EQ("step " + std::to_string(static_cast<int>(ScreenStep::kQueryNotScreened)) + " answer 0", refused.seen.back());
}

}  // namespace
