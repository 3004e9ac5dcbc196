#pragma once
// IObjectSafety of a scripting object: it is safe for untrusted callers and data, and it
// remembers which of the two a host has switched on, in one option word for all its
// interfaces. Any interface that the object's QueryInterface gives counts as its own.
#include <windows.h>
#include <objsafe.h>

class ObjectSafety : public IObjectSafety {
 public:
  static constexpr DWORD kSupportedOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID riid, DWORD* pdwSupportedOptions,
                                                      DWORD* pdwEnabledOptions) noexcept override;
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID riid, DWORD dwOptionSetMask,
                                                      DWORD dwEnabledOptions) noexcept override;

 protected:
  ObjectSafety() noexcept = default;
  ~ObjectSafety() = default;

 private:
  // Whether the object has the interface; what was obtained is given back at once.
  HRESULT HasInterface(REFIID riid) noexcept;

  DWORD m_dwCurrentSafety = 0;
};
