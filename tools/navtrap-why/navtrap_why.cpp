// navtrap-why: why a URL is or is not caught. navtrap itself shows and logs nothing; this tool
// reads the same settings and runs the same decision, printing each step.
//   navtrap-why [--browser | --script] URL
// Exit code: 0 caught, 1 not caught, 2 usage.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "explain_observer.h"
#include "screening/monitor_flags.h"
#include "screening/monitor_settings.h"
#include "screening/screen_url.h"
#include "screening/settings_key.h"
#include "screening/url_parts.h"
#include "screening/windows_screening_platform.h"

namespace {

void PrintFlags(uint32_t flags) {
  static const struct {
    uint32_t bit;
    const char* name;
  } kBits[] = {{MONITOR_PLUGIN, "MONITOR_PLUGIN"},
               {MONITOR_BROWSER, "MONITOR_BROWSER"},
               {MONITOR_WITH_ALT, "MONITOR_WITH_ALT"},
               {MONITOR_BY_HELPER_OBJECT, "MONITOR_BY_HELPER_OBJECT"},
               {MONITOR_QUERY_URLS, "MONITOR_QUERY_URLS"},
               {MONITOR_OFF, "MONITOR_OFF"}};
  std::printf("flags      0x%08lx", static_cast<unsigned long>(flags));
  const char* separator = " =";
  for (const auto& bit : kBits) {
    if (flags & bit.bit) {
      std::printf("%s %s", separator, bit.name);
      separator = " |";
    }
  }
  std::printf("\n");
}

bool HasScreenedScheme(const char* url) {
  OwnedString scheme = ExtractUrlParts(url, URL_PART_SCHEME);
  if (!scheme) return false;
  ::CharLowerBuffA(scheme.get(), static_cast<DWORD>(std::strlen(scheme.get())));
  std::printf("scheme     \"%s\"\n", scheme.get());
  return std::strcmp(scheme.get(), "http:") == 0 || std::strcmp(scheme.get(), "ftp:") == 0;
}

// What the caller tests before the decision; false when it stops there.
bool CallerScreens(bool fromBrowser, uint32_t flags, const char* url) {
  if (!fromBrowser) {
    if (flags & MONITOR_OFF) {
      std::printf("caller     the scripting object's Initialize: MONITOR_OFF is set, so it answers not caught\n");
      return false;
    }
    std::printf("caller     the scripting object's Initialize (fromBrowser 0)\n");
    return true;
  }
  if (flags & MONITOR_OFF) {
    std::printf("caller     MONITOR_OFF is set: neither the protocol handler nor the helper object screens\n");
    return false;
  }
  if (!(flags & MONITOR_BY_HELPER_OBJECT)) {
    std::printf("caller     the protocol handler IeCatch screens every request (MONITOR_BY_HELPER_OBJECT clear)\n");
    return true;
  }
  std::printf("caller     the helper object IeCatch5 screens BeforeNavigate2 of http: and ftp: URLs\n");
  std::printf("           (only in browser windows opened after MONITOR_BY_HELPER_OBJECT was set)\n");
  if (!HasScreenedScheme(url)) {
    std::printf("decision   not caught: the helper object screens only \"http:\" and \"ftp:\"\n");
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool fromBrowser = true;
  const char* url = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--browser") == 0) fromBrowser = true;
    else if (std::strcmp(argv[i], "--script") == 0) fromBrowser = false;
    else if (url == nullptr && argv[i][0] != '-') url = argv[i];
    else url = nullptr, i = argc;
  }
  if (url == nullptr) {
    std::fprintf(stderr, "usage: navtrap-why [--browser | --script] URL\n");
    return 2;
  }
  std::printf("url        %s (from %s)\n", url, fromBrowser ? "the browser" : "a script");
  std::printf("settings   HKEY_CURRENT_USER\\%s%s\n", SETTINGS_KEY_PATH, OpenSettingsKey() ? "" : " (missing)");
  const uint32_t flags = ReadMonitorFlags();
  PrintFlags(flags);
  if (!CallerScreens(fromBrowser, flags, url)) return 1;
  ExplainObserver observer(stdout);
  const int answer = ScreenUrlWith(WindowsScreeningPlatform(), url, fromBrowser ? 1 : 0, flags, &observer);
  if (answer) std::printf("then       the URL goes to the manager; the browser's own handling is cancelled if it takes it\n");
  return answer ? 0 : 1;
}
