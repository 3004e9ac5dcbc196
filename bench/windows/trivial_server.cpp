// The smallest in-process server that answers the same calls as navtrap.dll: one class
// factory, one object with nothing but IUnknown. The load benchmark measures navtrap.dll
// against it, so the figure shows what navtrap adds to the loader's and COM's own cost.
#include <windows.h>
#include <ole2.h>

#include <new>

namespace {

volatile LONG g_locks = 0;

class TrivialObject final : public IUnknown {
 public:
  TrivialObject() { ::InterlockedIncrement(&g_locks); }
  ~TrivialObject() { ::InterlockedDecrement(&g_locks); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown) return E_NOINTERFACE;
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG count = --count_;
    if (count == 0) delete this;
    return count;
  }

 private:
  ULONG count_ = 0;
};

class TrivialFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    TrivialObject* made = new (std::nothrow) TrivialObject;
    if (made == nullptr) return E_OUTOFMEMORY;
    made->AddRef();
    HRESULT hr = made->QueryInterface(riid, object);
    made->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

TrivialFactory g_factory;

}  // namespace

STDAPI DllCanUnloadNow() { return g_locks == 0 ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID, REFIID riid, void** object) { return g_factory.QueryInterface(riid, object); }
