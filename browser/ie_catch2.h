#pragma once
// IeCatch2: a browser helper object of the same make as IeCatch5 that screens nothing. It
// connects to the browser's events like IeCatch5 and acts only on the quit event.
#include <windows.h>

#include "browser/browser_helper.h"
#include "navtrap_idl.h"  // declares class IeCatch2 with its CLSID and IIeCatch2
#include "server/com_object.h"

class IeCatch2 : public BrowserHelper<IIeCatch2> {
 public:
  using ReferenceCount = PlainCount;
  static const InterfaceEntry<IeCatch2> kInterfaces[];

  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept override;

 protected:
  IeCatch2() noexcept = default;
  ~IeCatch2() = default;
};

// A new IeCatch2 alone, or as the aggregate part of `outer` (then riid must be IID_IUnknown).
HRESULT CreateIeCatch2(IUnknown* outer, REFIID riid, void** object) noexcept;
