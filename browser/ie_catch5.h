#pragma once
// IeCatch5, the browser helper object. Connected to a browser window's events, it screens the
// "http:" and "ftp:" URLs of BeforeNavigate2 and cancels a navigation that the manager takes,
// with the page the browser shows as the referring page.
#include <windows.h>

#include "browser/browser_helper.h"
#include "navtrap_idl.h"  // declares class IeCatch5 with its CLSID and IIeCatch5
#include "server/com_object.h"

class IeCatch5 : public BrowserHelper<IIeCatch5> {
 public:
  using ReferenceCount = PlainCount;
  static const InterfaceEntry<IeCatch5> kInterfaces[];

  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept override;

 protected:
  IeCatch5() noexcept = default;
  ~IeCatch5() = default;

 private:
  void ScreenNavigation(VARIANT* url, VARIANT_BOOL* cancel) noexcept;
};

// A new IeCatch5 alone, or as the aggregate part of `outer` (then riid must be IID_IUnknown).
HRESULT CreateIeCatch5(IUnknown* outer, REFIID riid, void** object) noexcept;
