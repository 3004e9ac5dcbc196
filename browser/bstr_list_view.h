#pragma once
// A list argument of the scripting object as a checked, locked range of BSTRs: a VARIANT that
// holds, by reference, a one-dimensional SAFEARRAY of VARIANTs that each hold a BSTR.
#include <windows.h>
#include <oleauto.h>

class BstrListView {
 public:
  BstrListView() noexcept = default;
  ~BstrListView() { Unlock(); }
  BstrListView(const BstrListView&) = delete;
  BstrListView& operator=(const BstrListView&) = delete;

  // Checks, in this order: the VARIANT's type is exactly VT_BYREF | VT_ARRAY | VT_VARIANT with
  // an array behind it; one dimension; elements of a VARIANT's size; both bounds readable and
  // at least one element; the lock; every element exactly VT_BSTR. S_OK leaves the array
  // locked until Unlock or the end of the view; a failure gives CTL_E_ILLEGALFUNCTIONCALL and
  // leaves it unlocked.
  HRESULT Open(const VARIANT* list) noexcept;

  ULONG Count() const noexcept { return count_; }
  // The element `index` places after the lower bound; a null BSTR stands for an empty URL.
  BSTR At(ULONG index) const noexcept { return elements_[index].bstrVal; }

  // Gives the array back, once its strings have been copied.
  void Unlock() noexcept;

 private:
  SAFEARRAY* array_ = nullptr;  // set while this view holds the array's lock
  const VARIANT* elements_ = nullptr;
  ULONG count_ = 0;
};
