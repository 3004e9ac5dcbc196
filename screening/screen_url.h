#pragma once
// The catch decision for one URL: key state, flags, extension and the user's patterns.
#include <cstdint>

#include "screening/screening_platform.h"

// Which step gave the answer. The DLL ignores it; the explainer tool prints it.
enum class ScreenStep {
  kForcedByAltAndCtrl,    // 1: Alt and Ctrl held together
  kAltStateNotWanted,     // 0: Alt down without MONITOR_WITH_ALT, or up with it
  kNoUrl,                 // 0
  kQueryNotScreened,      // 0: "?" or "*" in the URL and query URLs are not screened
  kNoExtension,           // 0: none found (or no memory to take it out)
  kExtensionLength,       // 0: only the "." or longer than 10 bytes
  kNoPatternList,         // 0: "MonitorType" unreadable
  kCallerNotMonitored,    // 0: MONITOR_BROWSER or MONITOR_PLUGIN clear for this caller
  kNoPatternMatched,      // 0
  kExcludedHost,          // 0: ".mp3" from the excluded host
  kPatternMatched,        // 1
};

// Receives what the decision looked at, for anyone who wants to explain it.
class ScreenObserver {
 public:
  virtual void OnKeys(bool altDown, bool ctrlDown) noexcept = 0;
  virtual void OnExtension(const char* lowered, int length, bool withQuery) noexcept = 0;
  virtual void OnPatternList(const char* lowered, unsigned long length) noexcept = 0;
  virtual void OnPattern(const char* pattern, int length, bool matched) noexcept = 0;
  virtual void OnDecided(ScreenStep step, int answer) noexcept = 0;

 protected:
  ~ScreenObserver() = default;
};

// Host names are searched in the URL as given (case-sensitive), so this is stored lower case.
// It is the manager's own player site: its ".mp3" links are meant to play in the page.
constexpr char MP3_EXCLUDED_HOST[] = "play.ostrel.com";

// 1 to catch, 0 not to. `url` may be null. `flags` are the caller's fresh "Monitor Flags".
int ScreenUrlWith(const ScreeningPlatform& platform, const char* url, int fromBrowser, uint32_t flags,
                  ScreenObserver* observer = nullptr) noexcept;

// The same decision with the real key state and settings of this machine (Windows only).
int ScreenUrl(const char* url, int fromBrowser, uint32_t flags) noexcept;
