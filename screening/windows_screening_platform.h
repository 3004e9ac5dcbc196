#pragma once
// The decision's seam filled with this machine's real key state, settings and code page.
#include "screening/screening_platform.h"

class WindowsScreeningPlatform final : public ScreeningPlatform {
 public:
  bool IsKeyDown(ScreenKey key) const noexcept override;
  int ReadMonitorTypes(char* buffer, unsigned long* size) const noexcept override;
  void LowerCase(char* text, unsigned long length) const noexcept override;
};
