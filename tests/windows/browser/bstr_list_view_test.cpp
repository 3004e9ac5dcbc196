// List arguments of the scripting object: the checks in their order, the lock on every path,
// and the heap copies of their strings.
#include <olectl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/ansi_string_list.h"
#include "browser/bstr_list_view.h"
#include "variant_array.h"

namespace {

TEST(BstrListView, RefusesEveryShapeButAByReferenceArrayOfBstrs) {
  VariantArray good(0, Strings({L"http://a/1.zip", L"http://a/2.zip"}));

  VARIANT byValue;
  byValue.vt = VT_ARRAY | VT_VARIANT;
  byValue.parray = good.Get();
  VARIANT nullReference;
  nullReference.vt = VT_BYREF | VT_ARRAY | VT_VARIANT;
  nullReference.pparray = nullptr;
  SAFEARRAY* noArray = nullptr;
  VARIANT referenceToNull;
  referenceToNull.vt = VT_BYREF | VT_ARRAY | VT_VARIANT;
  referenceToNull.pparray = &noArray;

  SAFEARRAYBOUND square[2] = {{2, 0}, {2, 0}};
  VariantArray twoDimensions(::SafeArrayCreate(VT_VARIANT, 2, square));
  VariantArray numbers(::SafeArrayCreateVector(VT_I4, 0, 2));
  VariantArray empty(::SafeArrayCreateVector(VT_VARIANT, 0, 0));
  VARIANT number;
  number.vt = VT_I4;
  number.lVal = 5;
  std::vector<VARIANT> mixed = Strings({L"http://a/1.zip", L"http://a/2.zip"});
  mixed.push_back(number);
  VariantArray withNumber(0, mixed);

  struct Case {
    const char* name;
    VARIANT list;
    VariantArray* array;
  };
  const Case cases[] = {
      {"an array by value", byValue, nullptr},
      {"a null reference", nullReference, nullptr},
      {"a reference to no array", referenceToNull, nullptr},
      {"two dimensions", twoDimensions.ByReference(), &twoDimensions},
      {"elements that are not VARIANTs", numbers.ByReference(), &numbers},
      {"no element", empty.ByReference(), &empty},
      {"an element holding a number", withNumber.ByReference(), &withNumber},
  };
  for (const Case& c : cases) {
    BstrListView view;
    EXPECT_EQ(CTL_E_ILLEGALFUNCTIONCALL, view.Open(&c.list)) << c.name;
    EXPECT_EQ(0u, view.Count()) << c.name;
    if (c.array != nullptr) {
      EXPECT_EQ(0u, c.array->Locks()) << c.name << ": left unlocked";
    }
  }
  BstrListView view;
  EXPECT_EQ(CTL_E_ILLEGALFUNCTIONCALL, view.Open(nullptr)) << "no VARIANT at all";
  EXPECT_EQ(0u, good.Locks());
}

TEST(BstrListView, HoldsTheLockUntilUnlockedOrGoneAndReadsFromTheLowerBound) {
  VariantArray array(5, Strings({L"five", nullptr, L"seven"}));
  VARIANT list = array.ByReference();
  {
    BstrListView view;
    ASSERT_EQ(S_OK, view.Open(&list));
    EXPECT_EQ(1u, array.Locks());
    ASSERT_EQ(3u, view.Count());
    EXPECT_STREQ(L"five", view.At(0));
    EXPECT_EQ(nullptr, view.At(1)) << "a null BSTR passes";
    EXPECT_STREQ(L"seven", view.At(2));
    view.Unlock();
    EXPECT_EQ(0u, array.Locks());
    EXPECT_EQ(0u, view.Count());
    ASSERT_EQ(S_OK, view.Open(&list));
    EXPECT_EQ(1u, array.Locks());
  }
  EXPECT_EQ(0u, array.Locks()) << "the view's end gives the lock back";
}

TEST(AnsiStringList, CopiesEveryElementInIndexOrderWithNullForANullBstr) {
  std::vector<std::wstring> texts;
  std::vector<const wchar_t*> pointers;
  for (int i = 0; i < 5000; ++i) texts.push_back(L"http://host/file" + std::to_wstring(i) + L".zip");
  for (const std::wstring& text : texts) pointers.push_back(text.c_str());
  pointers[1] = nullptr;
  VariantArray array(-2, Strings(pointers));
  VARIANT list = array.ByReference();
  BstrListView view;
  ASSERT_EQ(S_OK, view.Open(&list));
  AnsiStringList copies;
  ASSERT_TRUE(copies.Convert(view));
  view.Unlock();
  ASSERT_EQ(5000u, copies.Count()) << "far more than would fit on a stack of fixed buffers";
  EXPECT_STREQ("http://host/file0.zip", copies.Strings()[0]);
  EXPECT_EQ(nullptr, copies.Strings()[1]);
  EXPECT_STREQ("http://host/file4999.zip", copies.Strings()[4999]);
}

}  // namespace
