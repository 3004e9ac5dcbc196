#pragma once
// Owned OLE Automation values: a BSTR freed with SysFreeString, a VARIANT cleared with
// VariantClear. Nothing is freed by hand on an error path.
#include <windows.h>
#include <oleauto.h>

#include "common/unique_handle.h"

struct BstrCloser {
  static BSTR None() noexcept { return nullptr; }
  static bool IsValid(BSTR text) noexcept { return text != nullptr; }
  static void Close(BSTR text) noexcept { ::SysFreeString(text); }
};
using UniqueBstr = UniqueResource<BSTR, BstrCloser>;

class ScopedVariant {
 public:
  ScopedVariant() noexcept { ::VariantInit(&value_); }
  ~ScopedVariant() { ::VariantClear(&value_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;

  VARIANT* Get() noexcept { return &value_; }
  const VARIANT& operator*() const noexcept { return value_; }
  const VARIANT* operator->() const noexcept { return &value_; }

 private:
  VARIANT value_;
};
