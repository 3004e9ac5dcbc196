#pragma once
// The URL moniker layer's side of a request, as recording fakes in the style of Wine's urlmon
// tests: a protocol sink and a bind information object.
#include <windows.h>
#include <urlmon.h>

#include <vector>

#include "call_log.h"

struct ReportedResult {
  HRESULT result;
  DWORD error;
  bool textIsNull;
  DWORD thread;
};

class FakeProtocolSink : public IInternetProtocolSink {
 public:
  explicit FakeProtocolSink(CallLog& log) : log_(log), reported_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    ::InitializeCriticalSection(&lock_);
  }
  ~FakeProtocolSink() {
    ::CloseHandle(reported_);
    ::DeleteCriticalSection(&lock_);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!::IsEqualIID(riid, IID_IUnknown) && !::IsEqualIID(riid, IID_IInternetProtocolSink)) return E_NOINTERFACE;
    *object = static_cast<IInternetProtocolSink*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    log_.Add("sink.AddRef");
    return count_.Increment();
  }
  ULONG STDMETHODCALLTYPE Release() override {
    log_.Add("sink.Release");
    return count_.Decrement();
  }
  HRESULT STDMETHODCALLTYPE Switch(PROTOCOLDATA* data) override {
    log_.Add("sink.Switch");
    switched_ = *data;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ReportProgress(ULONG, LPCWSTR) override {
    log_.Add("sink.ReportProgress");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ReportData(DWORD, ULONG, ULONG) override {
    log_.Add("sink.ReportData");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ReportResult(HRESULT result, DWORD error, LPCWSTR text) override {
    log_.Add("sink.ReportResult");
    ::EnterCriticalSection(&lock_);
    results_.push_back({result, error, text == nullptr, ::GetCurrentThreadId()});
    ::LeaveCriticalSection(&lock_);
    ::SetEvent(reported_);
    return S_OK;
  }

  long References() const { return count_.Value(); }
  const PROTOCOLDATA& Switched() const { return switched_; }
  std::vector<ReportedResult> Results() const {
    ::EnterCriticalSection(&lock_);
    std::vector<ReportedResult> copy = results_;
    ::LeaveCriticalSection(&lock_);
    return copy;
  }
  // Waits for the first result; a generous bound so a loaded machine cannot fail the test.
  bool WaitForResult() const { return ::WaitForSingleObject(reported_, 10000) == WAIT_OBJECT_0; }

 private:
  CallLog& log_;
  FakeCount count_;
  HANDLE reported_;
  mutable CRITICAL_SECTION lock_;
  std::vector<ReportedResult> results_;
  PROTOCOLDATA switched_ = {0xFFFFFFFF, 0xFFFFFFFF, reinterpret_cast<void*>(-1), 0xFFFFFFFF};
};

// Held by a catching Start until Terminate; never called.
class FakeBindInfo : public IInternetBindInfo {
 public:
  explicit FakeBindInfo(CallLog& log) : log_(log) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!::IsEqualIID(riid, IID_IUnknown) && !::IsEqualIID(riid, IID_IInternetBindInfo)) return E_NOINTERFACE;
    *object = static_cast<IInternetBindInfo*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    log_.Add("bindInfo.AddRef");
    return count_.Increment();
  }
  ULONG STDMETHODCALLTYPE Release() override {
    log_.Add("bindInfo.Release");
    return count_.Decrement();
  }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override {
    log_.Add("bindInfo.GetBindInfo");
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetBindString(ULONG, LPOLESTR*, ULONG, ULONG*) override {
    log_.Add("bindInfo.GetBindString");
    return E_NOTIMPL;
  }

  long References() const { return count_.Value(); }

 private:
  CallLog& log_;
  FakeCount count_;
};
