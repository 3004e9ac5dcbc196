#pragma once
// The manager's settings in the test prefix's real registry, and real key state injected with
// SendInput. Both are put back when the fixture ends, on every path.
#include <windows.h>

#include <string>

#include "screening/settings_key.h"

class ScopedSettings {
 public:
  ScopedSettings() { Remove(); }
  ~ScopedSettings() { Remove(); }
  ScopedSettings(const ScopedSettings&) = delete;
  ScopedSettings& operator=(const ScopedSettings&) = delete;

  static void Remove() { ::RegDeleteTreeA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH); }

  void SetFlags(DWORD flags) { SetRaw("Monitor Flags", REG_DWORD, &flags, sizeof(flags)); }
  void SetTypes(const std::string& list) { SetRaw("MonitorType", REG_SZ, list.c_str(), static_cast<DWORD>(list.size() + 1)); }
  void SetAppPath(const std::string& path) { SetRaw("AppPath", REG_SZ, path.c_str(), static_cast<DWORD>(path.size() + 1)); }

  void SetRaw(const char* name, DWORD type, const void* data, DWORD size) {
    UniqueKey key;
    ::RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(), nullptr);
    ::RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size);
  }
  void DeleteValue(const char* name) {
    UniqueKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, KEY_SET_VALUE, key.Put()) == ERROR_SUCCESS) {
      ::RegDeleteValueA(key.Get(), name);
    }
  }
};

// Holds Alt and/or Ctrl down for its lifetime; the keys are visible to GetAsyncKeyState in
// every process of the prefix, so they are always released.
class HeldKeys {
 public:
  HeldKeys(bool alt, bool ctrl) : alt_(alt), ctrl_(ctrl) {
    if (alt_) Send(VK_MENU, 0);
    if (ctrl_) Send(VK_CONTROL, 0);
  }
  ~HeldKeys() {
    if (ctrl_) Send(VK_CONTROL, KEYEVENTF_KEYUP);
    if (alt_) Send(VK_MENU, KEYEVENTF_KEYUP);
  }
  HeldKeys(const HeldKeys&) = delete;
  HeldKeys& operator=(const HeldKeys&) = delete;

 private:
  static void Send(WORD key, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = flags;
    ::SendInput(1, &input, sizeof(input));
  }
  bool alt_;
  bool ctrl_;
};
