#pragma once
// Chosen key state and pattern list for the decision, recording what it asked for.
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "screening/screening_platform.h"

class FakeScreeningPlatform final : public ScreeningPlatform {
 public:
  bool alt = false;
  bool ctrl = false;
  bool listReadable = true;
  std::string list;  // stored bytes, terminator included where wanted
  mutable std::vector<std::string> calls;

  explicit FakeScreeningPlatform(std::string patterns = ".zip;.r[0-9][0-9]") : list(patterns + '\0') {}

  bool IsKeyDown(ScreenKey key) const noexcept override {
    calls.push_back(key == ScreenKey::kAlt ? "key alt" : "key ctrl");
    return key == ScreenKey::kAlt ? alt : ctrl;
  }
  int ReadMonitorTypes(char* buffer, unsigned long* size) const noexcept override {
    calls.push_back("read list");
    if (!listReadable || list.size() > *size) return 0;
    std::memcpy(buffer, list.data(), list.size());
    *size = static_cast<unsigned long>(list.size());
    return 1;
  }
  void LowerCase(char* text, unsigned long length) const noexcept override {
    for (unsigned long i = 0; i < length; ++i) text[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
  }
};
