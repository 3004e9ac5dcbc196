#include "server/class_factory.h"

#include <new>

#include "server/module_lock.h"

namespace {

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(InstanceCreator creator) noexcept : creator_(creator) {
    ::InitializeCriticalSection(&lock_);
  }
  ~ClassFactory() { ::DeleteCriticalSection(&lock_); }
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** object) noexcept override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!::IsEqualIID(riid, IID_IUnknown) && !::IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
  }

  // Count 1 is the object map's reference; the step to 2 is the first outside reference,
  // which takes the module lock that all outside references share.
  STDMETHODIMP_(ULONG) AddRef() noexcept override {
    ::EnterCriticalSection(&lock_);
    LONG count = ::InterlockedIncrement(&count_);
    if (count == 2) LockModule();
    ::LeaveCriticalSection(&lock_);
    return static_cast<ULONG>(count);
  }

  STDMETHODIMP_(ULONG) Release() noexcept override {
    ::EnterCriticalSection(&lock_);
    LONG count = ::InterlockedDecrement(&count_);
    ::LeaveCriticalSection(&lock_);
    if (count == 0) {
      delete this;
    } else if (count == 1) {
      UnlockModule();
    }
    return static_cast<ULONG>(count);
  }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) noexcept override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr && !::IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return creator_(outer, riid, object);
  }

  // Calls are not paired or checked: every TRUE holds the library, every FALSE lets go once.
  STDMETHODIMP LockServer(BOOL lock) noexcept override {
    if (lock) {
      LockModule();
    } else {
      UnlockModule();
    }
    return S_OK;
  }

 private:
  InstanceCreator creator_;
  CRITICAL_SECTION lock_;
  volatile LONG count_ = 0;
};

}  // namespace

HRESULT CreateClassFactory(InstanceCreator creator, IUnknown** factory) noexcept {
  *factory = nullptr;
  ClassFactory* made = new (std::nothrow) ClassFactory(creator);
  if (made == nullptr) return E_OUTOFMEMORY;
  HRESULT hr = made->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(factory));
  if (FAILED(hr)) delete made;
  return hr;
}
