#pragma once
// An outer object that aggregates one of our classes, as urlmon does with a protocol handler:
// it records what reaches it and answers QueryInterface for IUnknown and the IIDs it is told.
#include <windows.h>
#include <unknwn.h>

#include <vector>

#include "call_log.h"

class FakeOuterUnknown : public IUnknown {
 public:
  explicit FakeOuterUnknown(CallLog& log) : log_(log) {}

  // The outer answers these IIDs itself, through the inner unknown it holds.
  void DelegateToInner(IUnknown* inner, const IID& iid) {
    inner_ = inner;
    delegated_.push_back(iid);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    log_.Add("outer.QueryInterface");
    queried_.push_back(riid);
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (::IsEqualIID(riid, IID_IUnknown)) {
      *object = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    for (const IID& iid : delegated_) {
      if (::IsEqualIID(riid, iid)) return inner_->QueryInterface(riid, object);
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    log_.Add("outer.AddRef");
    return count_.Increment();
  }
  ULONG STDMETHODCALLTYPE Release() override {
    log_.Add("outer.Release");
    return count_.Decrement();
  }

  long References() const { return count_.Value(); }
  const std::vector<IID>& Queried() const { return queried_; }

 private:
  CallLog& log_;
  FakeCount count_;
  IUnknown* inner_ = nullptr;
  std::vector<IID> delegated_;
  std::vector<IID> queried_;
};
