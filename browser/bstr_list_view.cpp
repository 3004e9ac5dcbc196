#include "browser/bstr_list_view.h"

#include <olectl.h>

HRESULT BstrListView::Open(const VARIANT* list) noexcept {
  Unlock();
  if (list == nullptr || list->vt != (VT_BYREF | VT_ARRAY | VT_VARIANT) || list->pparray == nullptr) {
    return CTL_E_ILLEGALFUNCTIONCALL;
  }
  SAFEARRAY* array = *list->pparray;
  if (array == nullptr) return CTL_E_ILLEGALFUNCTIONCALL;
  if (::SafeArrayGetDim(array) != 1) return CTL_E_ILLEGALFUNCTIONCALL;
  if (::SafeArrayGetElemsize(array) != sizeof(VARIANT)) return CTL_E_ILLEGALFUNCTIONCALL;
  LONG lower = 0;
  LONG upper = 0;
  if (FAILED(::SafeArrayGetLBound(array, 1, &lower)) || FAILED(::SafeArrayGetUBound(array, 1, &upper))) {
    return CTL_E_ILLEGALFUNCTIONCALL;
  }
  const LONGLONG count = static_cast<LONGLONG>(upper) - lower + 1;
  if (count < 1) return CTL_E_ILLEGALFUNCTIONCALL;
  if (FAILED(::SafeArrayLock(array))) return CTL_E_ILLEGALFUNCTIONCALL;

  // Locked from here on: every way out either keeps the lock in the view or gives it back.
  array_ = array;
  elements_ = static_cast<const VARIANT*>(array->pvData);
  count_ = static_cast<ULONG>(count);
  if (elements_ == nullptr) {
    Unlock();
    return CTL_E_ILLEGALFUNCTIONCALL;
  }
  for (ULONG i = 0; i < count_; ++i) {
    if (elements_[i].vt != VT_BSTR) {
      Unlock();
      return CTL_E_ILLEGALFUNCTIONCALL;
    }
  }
  return S_OK;
}

void BstrListView::Unlock() noexcept {
  if (array_ != nullptr) ::SafeArrayUnlock(array_);
  array_ = nullptr;
  elements_ = nullptr;
  count_ = 0;
}
