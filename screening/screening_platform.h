#pragma once
// What the catch decision needs from the platform: the key state, the pattern list and
// lower-casing in the system's code page. Windows fills it with the real calls; tests and the
// native benchmark fill it with chosen answers.

enum class ScreenKey { kAlt, kControl };

class ScreeningPlatform {
 public:
  // True while the key is physically down.
  virtual bool IsKeyDown(ScreenKey key) const noexcept = 0;
  // Reads "MonitorType" into buffer; size is the capacity in and the bytes returned out.
  // 1 on success, 0 when the settings or the value cannot be read into the buffer.
  virtual int ReadMonitorTypes(char* buffer, unsigned long* size) const noexcept = 0;
  virtual void LowerCase(char* text, unsigned long length) const noexcept = 0;

 protected:
  ~ScreeningPlatform() = default;
};
