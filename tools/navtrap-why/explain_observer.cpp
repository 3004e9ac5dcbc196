#include "explain_observer.h"

const char* DescribeStep(ScreenStep step) noexcept {
  switch (step) {
    case ScreenStep::kForcedByAltAndCtrl: return "Alt and Ctrl are held together: a catch is forced";
    case ScreenStep::kAltStateNotWanted: return "the Alt key is not in the state MONITOR_WITH_ALT asks for";
    case ScreenStep::kNoUrl: return "there is no URL";
    case ScreenStep::kQueryNotScreened: return "the URL holds \"?\" or \"*\" and query URLs are not screened for this caller";
    case ScreenStep::kNoExtension: return "the last path segment has no extension";
    case ScreenStep::kExtensionLength: return "the extension is only \".\" or longer than 10 bytes";
    case ScreenStep::kNoPatternList: return "\"MonitorType\" cannot be read (missing, or over 254 bytes)";
    case ScreenStep::kCallerNotMonitored: return "monitoring is not allowed for this caller (MONITOR_BROWSER or MONITOR_PLUGIN clear)";
    case ScreenStep::kNoPatternMatched: return "no pattern matches the extension";
    case ScreenStep::kExcludedHost: return "\".mp3\" from the excluded player host is never caught";
    case ScreenStep::kPatternMatched: return "a pattern matches the extension";
  }
  return "?";
}

void ExplainObserver::OnKeys(bool altDown, bool ctrlDown) noexcept {
  std::fprintf(out_, "keys       Alt %s, Ctrl %s\n", altDown ? "down" : "up", ctrlDown ? "down" : "up");
}

void ExplainObserver::OnExtension(const char* lowered, int length, bool withQuery) noexcept {
  std::fprintf(out_, "extension  %.*s (searched over %s)\n", length, lowered, withQuery ? "path and query" : "the path only");
}

void ExplainObserver::OnPatternList(const char* lowered, unsigned long length) noexcept {
  std::fprintf(out_, "patterns   \"%.*s\" (%lu bytes, lower-cased)\n", static_cast<int>(length), lowered, length);
}

void ExplainObserver::OnPattern(const char* pattern, int length, bool matched) noexcept {
  std::fprintf(out_, "  try      %-16.*s %s\n", length, length == 0 ? "(empty)" : pattern,
               matched ? "matches" : "no match");
}

void ExplainObserver::OnDecided(ScreenStep step, int answer) noexcept {
  std::fprintf(out_, "decision   %s: %s\n", answer ? "CATCH" : "not caught", DescribeStep(step));
}
