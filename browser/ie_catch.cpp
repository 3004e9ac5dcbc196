#include "browser/ie_catch.h"

#include <cstdint>
#include <new>

#include "browser/request_url.h"
#include "handoff/handoff.h"
#include "screening/monitor_flags.h"
#include "screening/monitor_settings.h"

const InterfaceEntry<IeCatch> IeCatch::kInterfaces[] = {
    {&IID_IInternetProtocol, InterfaceOf<IeCatch, IInternetProtocol>},
    {&IID_IInternetProtocolRoot, InterfaceOf<IeCatch, IInternetProtocol>},
    {nullptr, nullptr},
};

namespace {
// The browser learns of a catch from a result that comes a little after Start has returned.
constexpr DWORD kAbortReportDelayMs = 100;
// How long Terminate waits for a pending report before it lets the request go.
constexpr DWORD kTerminateWaitMs = 1000;
}  // namespace

// What the abort thread owns while it runs, so that neither the object, nor the sink, nor the
// library whose code it runs can go away under it. The module lock is given back last.
struct IeCatch::AbortThread {
  AbortThread(IeCatch* catcher, IInternetProtocolSink* reportSink, HMODULE module) noexcept
      : object(catcher), objectReference(static_cast<IInternetProtocol*>(catcher)), sink(reportSink), library(module) {}

  const ModuleReference moduleLock;
  IeCatch* const object;
  const ComPtr<IInternetProtocol> objectReference;
  const ComPtr<IInternetProtocolSink> sink;
  // A loader reference on this library, given back as the thread exits.
  const HMODULE library;
};

HRESULT IeCatch::Start(LPCWSTR szUrl, IInternetProtocolSink* pOIProtSink, IInternetBindInfo* pOIBindInfo, DWORD grfPI,
                       HANDLE_PTR) noexcept {
  const uint32_t flags = ReadMonitorFlags();
  // The helper objects screen, or monitoring is off: nothing is screened here, not even the
  // catch that Alt and Ctrl force.
  if ((flags & (MONITOR_BY_HELPER_OBJECT | MONITOR_OFF)) != 0) return INET_E_USE_DEFAULT_PROTOCOLHANDLER;

  int caught = 0;
  {
    const OwnedString url = ConvertRequestUrl(CP_ACP, szUrl);
    if (url) caught = CatchUrl(url.get(), 1, flags, nullptr);
  }
  if (caught == 0) return INET_E_USE_DEFAULT_PROTOCOLHANDLER;

  m_pSink = ComPtr<IInternetProtocolSink>(pOIProtSink);
  m_pBindInfo = ComPtr<IInternetBindInfo>(pOIBindInfo);
  if ((grfPI & PI_FORCE_ASYNC) != 0) {
    if (!m_pSink) return E_INVALIDARG;
    PROTOCOLDATA data = {PI_FORCE_ASYNC, 1, nullptr, 0};
    m_pSink->Switch(&data);
    return E_PENDING;
  }
  StartAbortThread();
  return S_OK;
}

void IeCatch::StartAbortThread() noexcept {
  HMODULE library = nullptr;
  AbortThread* context = nullptr;
  HANDLE thread = nullptr;
  if (::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(reinterpret_cast<const void*>(&IeCatch::AbortThreadProc)),
                           &library)) {
    context = new (std::nothrow) AbortThread(this, m_pSink.Get(), library);
    // Started suspended, so that the marker is set before the thread can clear it.
    if (context != nullptr) thread = ::CreateThread(nullptr, 0, AbortThreadProc, context, CREATE_SUSPENDED, nullptr);
  }
  if (thread == nullptr) {
    delete context;
    if (library != nullptr) ::FreeLibrary(library);
    // Without a thread the request still has to end: the same result, from here.
    if (m_pSink) m_pSink->ReportResult(E_ABORT, 0, nullptr);
    return;
  }
  m_abortThread.Reset(thread);
  ::InterlockedExchange(&m_hAbortThread, static_cast<LONG>(reinterpret_cast<LONG_PTR>(thread)));
  ::ResumeThread(thread);
}

DWORD WINAPI IeCatch::AbortThreadProc(void* parameter) noexcept {
  AbortThread* context = static_cast<AbortThread*>(parameter);
  ::Sleep(kAbortReportDelayMs);
  IeCatch* object = context->object;
  // A Terminate that stopped waiting has cleared the marker: the request is over by then.
  if (::InterlockedCompareExchange(&object->m_hAbortThread, 0, 0) != 0 && context->sink) {
    context->sink->ReportResult(E_ABORT, 0, nullptr);
  }
  ::InterlockedExchange(&object->m_hAbortThread, 0);
  const HMODULE library = context->library;
  delete context;  // the sink, the object and the module lock; possibly the object's last reference
  ::FreeLibraryAndExitThread(library, 0);
  return 0;
}

bool IeCatch::IsAbortReportPending() const noexcept {
  return ::InterlockedCompareExchange(const_cast<volatile LONG*>(&m_hAbortThread), 0, 0) != 0;
}

HRESULT IeCatch::Continue(PROTOCOLDATA*) noexcept { return E_FAIL; }

HRESULT IeCatch::Abort(HRESULT hrReason, DWORD) noexcept {
  if (m_pSink) m_pSink->ReportResult(FAILED(hrReason) ? hrReason : E_ABORT, 0, nullptr);
  return S_OK;
}

HRESULT IeCatch::Terminate(DWORD) noexcept {
  if (IsAbortReportPending() && ::WaitForSingleObject(m_abortThread.Get(), kTerminateWaitMs) != WAIT_OBJECT_0) {
    ::InterlockedExchange(&m_hAbortThread, 0);
  }
  m_abortThread.Reset();
  // The bind information first, then the sink.
  m_pBindInfo.Reset();
  m_pSink.Reset();
  return S_OK;
}

// Only reached when no abort thread runs: the thread holds a reference on the object.
void IeCatch::ReleaseHeldObjects() noexcept {
  m_abortThread.Reset();
  m_pBindInfo.Reset();
  m_pSink.Reset();
}

HRESULT IeCatch::Suspend() noexcept { return E_NOTIMPL; }
HRESULT IeCatch::Resume() noexcept { return E_NOTIMPL; }

HRESULT IeCatch::Read(void*, ULONG, ULONG* pcbRead) noexcept {
  if (pcbRead != nullptr) *pcbRead = 0;
  return S_FALSE;
}

HRESULT IeCatch::Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) noexcept { return E_NOTIMPL; }
HRESULT IeCatch::LockRequest(DWORD) noexcept { return S_OK; }
HRESULT IeCatch::UnlockRequest() noexcept { return S_OK; }

HRESULT CreateIeCatch(IUnknown* outer, REFIID riid, void** object) noexcept {
  return CreateComObject<IeCatch>(outer, riid, object);
}
