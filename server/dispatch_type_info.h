#pragma once
// IDispatch of our dual interfaces, served from the registered type library. The type
// information of each interface is loaded once, on first success, and kept until unload;
// failures are not kept, so registering the library later in the same process makes the next
// call succeed. Names are matched without regard to case.
#include <windows.h>
#include <ole2.h>

// iid is IID_IOstrelNetscape, IID_IIeCatch2 or IID_IIeCatch5; any other gives E_INVALIDARG.
// The type information comes back with a reference added; E_POINTER when typeInfo is null.
HRESULT GetDispatchTypeInfo(REFIID iid, LCID lcid, ITypeInfo** typeInfo) noexcept;
HRESULT GetDispatchIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) noexcept;
// The type information's own Invoke over `instance`, the interface pointer of `iid`.
HRESULT InvokeThroughTypeInfo(REFIID iid, void* instance, DISPID member, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* exception, UINT* argumentError) noexcept;
