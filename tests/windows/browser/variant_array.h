#pragma once
// SAFEARRAYs of VARIANTs as automation hands them to the scripting object's list methods.
#include <windows.h>
#include <oleauto.h>

#include <vector>

// A SAFEARRAY of VARIANTs as automation hands it over. It takes the elements over as they
// are (a null BSTR stays null) and destroys them with itself.
class VariantArray {
 public:
  VariantArray(LONG lowerBound, const std::vector<VARIANT>& elements) {
    SAFEARRAYBOUND bound = {static_cast<ULONG>(elements.size()), lowerBound};
    array_ = ::SafeArrayCreate(VT_VARIANT, 1, &bound);
    VARIANT* data = nullptr;
    ::SafeArrayAccessData(array_, reinterpret_cast<void**>(&data));
    for (size_t i = 0; i < elements.size(); ++i) data[i] = elements[i];
    ::SafeArrayUnaccessData(array_);
  }
  explicit VariantArray(SAFEARRAY* array) : array_(array) {}
  ~VariantArray() { ::SafeArrayDestroy(array_); }
  VariantArray(const VariantArray&) = delete;
  VariantArray& operator=(const VariantArray&) = delete;

  SAFEARRAY* Get() { return array_; }
  // VT_BYREF | VT_ARRAY | VT_VARIANT, as a fixed-size VBScript array arrives.
  VARIANT ByReference() {
    VARIANT list;
    list.vt = VT_BYREF | VT_ARRAY | VT_VARIANT;
    list.pparray = &array_;
    return list;
  }
  ULONG Locks() const { return array_->cLocks; }

 private:
  SAFEARRAY* array_;
};

// New BSTR elements, for a VariantArray to take over.
inline std::vector<VARIANT> Strings(const std::vector<const wchar_t*>& texts) {
  std::vector<VARIANT> elements;
  for (const wchar_t* text : texts) {
    VARIANT element;
    element.vt = VT_BSTR;
    element.bstrVal = text == nullptr ? nullptr : ::SysAllocString(text);
    elements.push_back(element);
  }
  return elements;
}
