#include <windows.h>

#include "screening/monitor_settings.h"
#include "screening/screen_url.h"
#include "screening/windows_screening_platform.h"

bool WindowsScreeningPlatform::IsKeyDown(ScreenKey key) const noexcept {
  return (::GetAsyncKeyState(key == ScreenKey::kAlt ? VK_MENU : VK_CONTROL) & 0x8000) != 0;
}

int WindowsScreeningPlatform::ReadMonitorTypes(char* buffer, unsigned long* size) const noexcept {
  return ::ReadMonitorTypes(buffer, size);
}

void WindowsScreeningPlatform::LowerCase(char* text, unsigned long length) const noexcept {
  ::CharLowerBuffA(text, length);
}

int ScreenUrl(const char* url, int fromBrowser, uint32_t flags) noexcept {
  return ScreenUrlWith(WindowsScreeningPlatform(), url, fromBrowser, flags);
}
