#include "screening/screen_url.h"

#include <cstring>

#include "screening/extension_pattern.h"
#include "screening/monitor_flags.h"
#include "screening/url_parts.h"

namespace {

constexpr size_t kMaxExtensionLength = 10;  // the "." and at most 9 more bytes

int Decide(ScreenObserver* observer, ScreenStep step, int answer) noexcept {
  if (observer != nullptr) observer->OnDecided(step, answer);
  return answer;
}

// Only a pattern with a set can be longer than the extension it matches (a set stands for one
// byte), and none can be shorter; so most of a long list is settled by lengths alone.
bool CanMatchByLength(const char* pattern, int patternLength, int extensionLength) noexcept {
  if (patternLength == extensionLength) return true;
  return patternLength > extensionLength && std::memchr(pattern, '[', static_cast<size_t>(patternLength)) != nullptr;
}

bool AnyPatternMatches(const char* list, unsigned long length, const char* extension, int extensionLength,
                       ScreenObserver* observer) noexcept {
  const char* const end = list + length;
  for (const char* pattern = list;;) {
    const char* stop = static_cast<const char*>(std::memchr(pattern, ';', static_cast<size_t>(end - pattern)));
    if (stop == nullptr) stop = end;
    const int patternLength = static_cast<int>(stop - pattern);
    const bool matched = CanMatchByLength(pattern, patternLength, extensionLength) &&
                         MatchExtensionPattern(extension, extensionLength, pattern, patternLength) != 0;
    if (observer != nullptr) observer->OnPattern(pattern, patternLength, matched);
    if (matched) return true;
    if (stop == end) return false;
    pattern = stop + 1;
  }
}

}  // namespace

int ScreenUrlWith(const ScreeningPlatform& platform, const char* url, int fromBrowser, uint32_t flags,
                  ScreenObserver* observer) noexcept {
  const bool altDown = platform.IsKeyDown(ScreenKey::kAlt);
  const bool ctrlDown = platform.IsKeyDown(ScreenKey::kControl);
  if (observer != nullptr) observer->OnKeys(altDown, ctrlDown);
  if (altDown && ctrlDown) return Decide(observer, ScreenStep::kForcedByAltAndCtrl, 1);
  if (altDown != ((flags & MONITOR_WITH_ALT) != 0)) return Decide(observer, ScreenStep::kAltStateNotWanted, 0);

  if (url == nullptr) return Decide(observer, ScreenStep::kNoUrl, 0);
  const bool withQuery = fromBrowser != 0 && (flags & MONITOR_QUERY_URLS) != 0;
  if (!withQuery && std::strpbrk(url, "?*") != nullptr) return Decide(observer, ScreenStep::kQueryNotScreened, 0);

  // Only extensions of up to ten bytes are screened, so the lower-cased copy lives on the stack.
  UrlExtensionSlices found;
  if (!FindUrlExtension(url, '.', withQuery ? 1 : 0, &found)) return Decide(observer, ScreenStep::kNoExtension, 0);
  if (found.length == 1 || found.length > kMaxExtensionLength) return Decide(observer, ScreenStep::kExtensionLength, 0);
  char extension[kMaxExtensionLength + 1];
  std::memcpy(extension, found.head, found.headLength);
  if (found.tailLength != 0) std::memcpy(extension + found.headLength, found.tail, found.tailLength);
  extension[found.length] = '\0';
  const int length = static_cast<int>(found.length);
  platform.LowerCase(extension, found.length);
  if (observer != nullptr) observer->OnExtension(extension, length, withQuery);

  char list[MONITOR_TYPES_CAPACITY];
  unsigned long listSize = sizeof(list);
  if (!platform.ReadMonitorTypes(list, &listSize)) return Decide(observer, ScreenStep::kNoPatternList, 0);
  if (fromBrowser ? (flags & MONITOR_BROWSER) == 0 : (flags & MONITOR_PLUGIN) == 0) {
    return Decide(observer, ScreenStep::kCallerNotMonitored, 0);
  }
  if (listSize > sizeof(list)) listSize = sizeof(list);
  platform.LowerCase(list, listSize);
  // The text ends at its first NUL, or with the bytes returned when they hold none.
  const void* terminator = std::memchr(list, '\0', listSize);
  const unsigned long textLength =
      terminator == nullptr ? listSize : static_cast<unsigned long>(static_cast<const char*>(terminator) - list);
  if (observer != nullptr) observer->OnPatternList(list, textLength);

  if (!AnyPatternMatches(list, textLength, extension, length, observer)) {
    return Decide(observer, ScreenStep::kNoPatternMatched, 0);
  }
  if (std::strcmp(extension, ".mp3") == 0 && std::strstr(url, MP3_EXCLUDED_HOST) != nullptr) {
    return Decide(observer, ScreenStep::kExcludedHost, 0);
  }
  return Decide(observer, ScreenStep::kPatternMatched, 1);
}
