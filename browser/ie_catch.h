#pragma once
// IeCatch, the pluggable protocol handler. It never fetches anything: for each request it
// either steps aside (INET_E_USE_DEFAULT_PROTOCOLHANDLER) or hands the URL to the manager and
// ends the request without data. One object serves one request.
#include <windows.h>
#include <urlmon.h>

#include "common/com_ptr.h"
#include "common/unique_handle.h"
#include "navtrap_idl.h"  // declares class IeCatch with its CLSID
#include "server/com_object.h"

class IeCatch : public IInternetProtocol {
 public:
  // The abort thread holds a reference on the object, so its count is shared between threads.
  using ReferenceCount = SharedCount;
  static const InterfaceEntry<IeCatch> kInterfaces[];

  // IInternetProtocolRoot
  HRESULT STDMETHODCALLTYPE Start(LPCWSTR szUrl, IInternetProtocolSink* pOIProtSink, IInternetBindInfo* pOIBindInfo,
                                  DWORD grfPI, HANDLE_PTR dwReserved) noexcept override;
  HRESULT STDMETHODCALLTYPE Continue(PROTOCOLDATA* pProtocolData) noexcept override;
  HRESULT STDMETHODCALLTYPE Abort(HRESULT hrReason, DWORD dwOptions) noexcept override;
  HRESULT STDMETHODCALLTYPE Terminate(DWORD dwOptions) noexcept override;
  HRESULT STDMETHODCALLTYPE Suspend() noexcept override;
  HRESULT STDMETHODCALLTYPE Resume() noexcept override;
  // IInternetProtocol
  HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) noexcept override;
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) noexcept override;
  HRESULT STDMETHODCALLTYPE LockRequest(DWORD dwOptions) noexcept override;
  HRESULT STDMETHODCALLTYPE UnlockRequest() noexcept override;

  // True from a catching Start until the abort thread has reported (or Terminate gave up on it).
  bool IsAbortReportPending() const noexcept;

 protected:
  IeCatch() noexcept = default;
  ~IeCatch() = default;
  void ReleaseHeldObjects() noexcept;

 private:
  struct AbortThread;
  static DWORD WINAPI AbortThreadProc(void* parameter) noexcept;
  void StartAbortThread() noexcept;

  // The value of the abort thread's handle while its report is pending, else 0: a marker only,
  // shared with the abort thread through interlocked operations.
  volatile LONG m_hAbortThread = 0;
  ComPtr<IInternetProtocolSink> m_pSink;
  ComPtr<IInternetBindInfo> m_pBindInfo;
  // The abort thread itself, so that Terminate can wait for its report.
  UniqueHandle m_abortThread;
};

// A new IeCatch alone, or as the aggregate part of `outer` (then riid must be IID_IUnknown).
HRESULT CreateIeCatch(IUnknown* outer, REFIID riid, void** object) noexcept;
