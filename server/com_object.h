#pragma once
// Class instances of the server: a reference count, one module lock for the whole life of the
// object, QueryInterface over the class's interface table, and the aggregate part through
// which an outer object owns an instance.
//
// A class states what it is in plain data and leaves IUnknown to the object that wraps it:
//
//   class Example : public IExample, public IObjectSafety {
//    public:
//     using ReferenceCount = PlainCount;
//     static const InterfaceEntry<Example> kInterfaces[];  // first entry: the identity
//     ... the methods of its interfaces, without IUnknown's three ...
//    protected:
//     void ReleaseHeldObjects() noexcept;  // lets go of what the object holds
//   };
//   const InterfaceEntry<Example> Example::kInterfaces[] = {
//       {&IID_IExample, InterfaceOf<Example, IExample>},
//       {&IID_IObjectSafety, InterfaceOf<Example, IObjectSafety>},
//       {&IID_IDispatch, InterfaceOf<Example, IExample>},  // the same pointer as the first
//       {nullptr, nullptr},
//   };
//
// CreateComObject<Example> makes it alone (ComObject) or inside an outer object
// (ComAggregatePart).
//
// When the last reference goes, the count is set to 1 and the class lets go of what it holds
// while the object is still whole: a release that calls back into the object finds working
// methods, and the references it takes and drops cannot destroy the object a second time.
// Only then is the object destroyed.
#include <windows.h>
#include <unknwn.h>

#include <new>

#include "server/module_lock.h"

// One row of a class's interface table: an IID and the way from the object to the interface
// pointer that answers it. Rows that lead to the same pointer are one interface.
template <typename Class>
struct InterfaceEntry {
  const IID* iid;  // null ends the table
  IUnknown* (*find)(Class* object) noexcept;
};

template <typename Class, typename Interface>
IUnknown* InterfaceOf(Class* object) noexcept {
  return static_cast<Interface*>(object);
}

// IID_IUnknown gives the first row's pointer, the object's identity; any other IID the first
// row that names it. What is handed out is AddRef'ed through itself, so on an aggregate part
// the reference reaches the outer object.
template <typename Class>
HRESULT QueryInterfaceFromTable(Class* object, REFIID riid, void** result) noexcept {
  if (result == nullptr) return E_POINTER;
  *result = nullptr;
  const InterfaceEntry<Class>* table = Class::kInterfaces;
  IUnknown* found = nullptr;
  if (::IsEqualIID(riid, IID_IUnknown)) {
    found = table[0].find(object);
  } else {
    for (const InterfaceEntry<Class>* entry = table; entry->iid != nullptr; ++entry) {
      if (::IsEqualIID(riid, *entry->iid)) {
        found = entry->find(object);
        break;
      }
    }
  }
  if (found == nullptr) return E_NOINTERFACE;
  found->AddRef();
  *result = found;
  return S_OK;
}

// The count of an object that only its apartment's thread touches.
class PlainCount {
 public:
  ULONG Increment() noexcept { return ++value_; }
  ULONG Decrement() noexcept { return --value_; }
  void Set(ULONG value) noexcept { value_ = value; }

 private:
  ULONG value_ = 0;
};

// The count of an object that a thread of its own holds references on as well.
class SharedCount {
 public:
  ULONG Increment() noexcept { return static_cast<ULONG>(::InterlockedIncrement(&value_)); }
  ULONG Decrement() noexcept { return static_cast<ULONG>(::InterlockedDecrement(&value_)); }
  void Set(ULONG value) noexcept { ::InterlockedExchange(&value_, static_cast<LONG>(value)); }

 private:
  volatile LONG value_ = 0;
};

// One module lock, taken before anything of the object exists and given back after all of it
// is gone, so the library cannot be unloaded under an object's clean-up.
class ModuleReference {
 public:
  ModuleReference() noexcept { LockModule(); }
  ~ModuleReference() { UnlockModule(); }
  ModuleReference(const ModuleReference&) = delete;
  ModuleReference& operator=(const ModuleReference&) = delete;
};

// A class instance on its own: its interfaces answer IUnknown for it.
template <typename Class>
class ComObject final : private ModuleReference, public Class {
 public:
  ComObject() noexcept = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** result) noexcept override {
    return QueryInterfaceFromTable<Class>(this, riid, result);
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return count_.Increment(); }
  ULONG STDMETHODCALLTYPE Release() noexcept override {
    const ULONG count = count_.Decrement();
    if (count == 0) {
      count_.Set(1);
      this->ReleaseHeldObjects();
      delete this;
    }
    return count;
  }

 private:
  typename Class::ReferenceCount count_;
};

// A class instance inside an outer object. The part's own IUnknown (the non-delegating one,
// which only the outer object holds) governs its life; the class's interfaces belong to the
// outer object's identity and pass IUnknown's calls to it.
template <typename Class>
class ComAggregatePart final : private ModuleReference, public IUnknown {
 public:
  // The outer object owns the part, so the part keeps no reference on it.
  explicit ComAggregatePart(IUnknown* outer) noexcept : contained_(outer, this) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** result) noexcept override {
    if (result == nullptr) return E_POINTER;
    *result = nullptr;
    if (::IsEqualIID(riid, IID_IUnknown)) {
      *result = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return QueryInterfaceFromTable<Class>(&contained_, riid, result);
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return count_.Increment(); }
  ULONG STDMETHODCALLTYPE Release() noexcept override {
    const ULONG count = count_.Decrement();
    if (count == 0) {
      count_.Set(1);
      contained_.ReleaseHeld();
      delete this;
    }
    return count;
  }

 private:
  class Contained final : public Class {
   public:
    Contained(IUnknown* outer, IUnknown* part) noexcept : outer_(outer), part_(part) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** result) noexcept override {
      HRESULT hr = outer_->QueryInterface(riid, result);
      if (FAILED(hr) && outer_ != part_) hr = QueryInterfaceFromTable<Class>(this, riid, result);
      return hr;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return outer_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return outer_->Release(); }

    void ReleaseHeld() noexcept { this->ReleaseHeldObjects(); }

   private:
    IUnknown* const outer_;
    IUnknown* const part_;
  };

  typename Class::ReferenceCount count_;
  Contained contained_;
};

// Makes an instance of Class, alone or as the aggregate part of `outer`, and hands out the
// interface `riid` with the only reference. When that interface is refused the new object is
// destroyed at once, giving back its module lock. An aggregate part answers only IUnknown at
// creation: the outer object has to hold the non-delegating unknown.
template <typename Class>
HRESULT CreateComObject(IUnknown* outer, REFIID riid, void** result) noexcept {
  if (result == nullptr) return E_POINTER;
  *result = nullptr;
  if (outer == nullptr) {
    ComObject<Class>* object = new (std::nothrow) ComObject<Class>();
    if (object == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(riid, result);
    if (FAILED(hr)) delete object;
    return hr;
  }
  if (!::IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  ComAggregatePart<Class>* part = new (std::nothrow) ComAggregatePart<Class>(outer);
  if (part == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = part->QueryInterface(riid, result);
  if (FAILED(hr)) delete part;
  return hr;
}
