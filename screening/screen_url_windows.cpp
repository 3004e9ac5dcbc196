#include <windows.h>

#include "screening/monitor_settings.h"
#include "screening/screen_url.h"

namespace {

// The decision's seam filled with the machine's real key state, settings and code page.
class WindowsScreeningPlatform final : public ScreeningPlatform {
 public:
  bool IsKeyDown(ScreenKey key) const noexcept override {
    return (::GetAsyncKeyState(key == ScreenKey::kAlt ? VK_MENU : VK_CONTROL) & 0x8000) != 0;
  }
  int ReadMonitorTypes(char* buffer, unsigned long* size) const noexcept override {
    return ::ReadMonitorTypes(buffer, size);
  }
  void LowerCase(char* text, unsigned long length) const noexcept override { ::CharLowerBuffA(text, length); }
};

}  // namespace

int ScreenUrl(const char* url, int fromBrowser, uint32_t flags) noexcept {
  return ScreenUrlWith(WindowsScreeningPlatform(), url, fromBrowser, flags);
}
