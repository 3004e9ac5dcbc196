// Finding the manager's window, and starting the manager from "AppPath" when it has none.
#include <windows.h>

#include <cstring>

#include "handoff/handoff.h"
#include "handoff/handoff_protocol.h"
#include "screening/settings_key.h"

namespace {

constexpr DWORD kAppPathCapacity = MAX_PATH;  // terminator included: 259 characters at most
constexpr int kWindowLookups = 10;
constexpr DWORD kLookupPauseMs = 1000;
constexpr DWORD kStartFlags = CREATE_NEW_PROCESS_GROUP | NORMAL_PRIORITY_CLASS;

HWND LookUpManagerWindow() noexcept { return ::FindWindowExA(nullptr, nullptr, MANAGER_WINDOW_CLASS, nullptr); }

// "AppPath" as a terminated string; false when it is missing or does not fit.
bool ReadAppPath(char (&path)[kAppPathCapacity]) noexcept {
  UniqueKey key = OpenSettingsKey();
  if (!key) return false;
  DWORD size = kAppPathCapacity;
  if (!QuerySettingsValue(key.Get(), "AppPath", path, &size)) return false;
  // A value stored without its terminator gets one, if there is room for it.
  if (size == 0 || path[size - 1] != '\0') {
    if (size >= kAppPathCapacity) return false;
    path[size] = '\0';
  }
  return true;
}

// The program's folder: the path cut at its last backslash, or the whole path without one.
void CutAtLastBackslash(char* directory) noexcept {
  char* last = std::strrchr(directory, '\\');
  if (last != nullptr) *last = '\0';
}

bool StartManager(const char* appPath) noexcept {
  char directory[kAppPathCapacity];
  std::memcpy(directory, appPath, std::strlen(appPath) + 1);
  CutAtLastBackslash(directory);

  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (::CreateProcessA(appPath, nullptr, nullptr, nullptr, FALSE, kStartFlags, nullptr, directory, &startup, &process)) {
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
  }
  return ::WinExec(appPath, SW_SHOW) > 31;
}

}  // namespace

HWND FindManagerWindow() noexcept {
  HWND window = LookUpManagerWindow();
  if (::IsWindow(window)) return window;

  char appPath[kAppPathCapacity];
  if (!ReadAppPath(appPath) || !StartManager(appPath)) return window;

  // The first test is on the lookup made before the start, so the first pause follows it.
  for (int lookups = 0; lookups < kWindowLookups && !::IsWindow(window); ++lookups) {
    ::Sleep(kLookupPauseMs);
    window = LookUpManagerWindow();
  }
  return window;
}
