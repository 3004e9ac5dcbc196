// IObjectSafety of the scripting object: one option word for all its interfaces.
#include <objsafe.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include "browser/ostrel_netscape.h"
#include "browser_test_support.h"
#include "common/com_ptr.h"

namespace {

class ObjectSafetyTest : public ModuleLockTest {
 protected:
  void SetUp() override {
    ModuleLockTest::SetUp();
    ASSERT_EQ(S_OK, CreateOstrelNetscape(nullptr, IID_IObjectSafety, safety_.PutVoid()));
  }
  void TearDown() override {
    safety_.Reset();
    ModuleLockTest::TearDown();
  }

  // {supported, enabled} for an interface, or {-1, -1} when the call fails.
  std::pair<long, long> Options(REFIID iid) {
    DWORD supported = 99;
    DWORD enabled = 99;
    if (FAILED(safety_->GetInterfaceSafetyOptions(iid, &supported, &enabled))) return {-1, -1};
    return {static_cast<long>(supported), static_cast<long>(enabled)};
  }

  ComPtr<IObjectSafety> safety_;
};

TEST_F(ObjectSafetyTest, ANewObjectSupportsBothOptionsWithNoneEnabled) {
  EXPECT_EQ(std::make_pair(3L, 0L), Options(IID_IDispatch));
  EXPECT_EQ(std::make_pair(3L, 0L), Options(IID_IOstrelNetscape));
  EXPECT_EQ(std::make_pair(3L, 0L), Options(IID_IObjectSafety));
  EXPECT_EQ(std::make_pair(3L, 0L), Options(IID_IUnknown));
}

TEST_F(ObjectSafetyTest, OptionsSetForOneInterfaceAreTheObjectsOneWordForAll) {
  EXPECT_EQ(S_OK, safety_->SetInterfaceSafetyOptions(IID_IDispatch, 1, 1));
  EXPECT_EQ(std::make_pair(3L, 1L), Options(IID_IDispatch));
  EXPECT_EQ(std::make_pair(3L, 1L), Options(IID_IOstrelNetscape)) << "shared by all IIDs";
  EXPECT_EQ(S_OK, safety_->SetInterfaceSafetyOptions(IID_IOstrelNetscape, 2, 2));
  EXPECT_EQ(std::make_pair(3L, 3L), Options(IID_IDispatch)) << "only the masked bit changed";
  EXPECT_EQ(S_OK, safety_->SetInterfaceSafetyOptions(IID_IDispatch, 1, 0));
  EXPECT_EQ(std::make_pair(3L, 2L), Options(IID_IDispatch));
  EXPECT_EQ(S_OK, safety_->SetInterfaceSafetyOptions(IID_IDispatch, 0, 3)) << "an empty mask changes nothing";
  EXPECT_EQ(std::make_pair(3L, 2L), Options(IID_IDispatch));
}

TEST_F(ObjectSafetyTest, AMaskWithOtherBitsFailsAndChangesNothing) {
  EXPECT_EQ(S_OK, safety_->SetInterfaceSafetyOptions(IID_IDispatch, 3, 1));
  EXPECT_EQ(E_FAIL, safety_->SetInterfaceSafetyOptions(IID_IDispatch, 4, 4));
  EXPECT_EQ(E_FAIL, safety_->SetInterfaceSafetyOptions(IID_IDispatch, 7, 0));
  EXPECT_EQ(std::make_pair(3L, 1L), Options(IID_IDispatch));
}

TEST_F(ObjectSafetyTest, AnInterfaceTheObjectLacksIsRefusedWithBothOutputsZero) {
  DWORD supported = 99;
  DWORD enabled = 99;
  EXPECT_EQ(E_NOINTERFACE, safety_->GetInterfaceSafetyOptions(IID_IObjectWithSite, &supported, &enabled));
  EXPECT_EQ(0u, supported);
  EXPECT_EQ(0u, enabled);
  EXPECT_EQ(E_NOINTERFACE, safety_->SetInterfaceSafetyOptions(IID_IObjectWithSite, 1, 1));
  EXPECT_EQ(std::make_pair(3L, 0L), Options(IID_IDispatch)) << "unchanged";
}

TEST_F(ObjectSafetyTest, NullOutPointersAreRefused) {
  DWORD value = 0;
  EXPECT_EQ(E_POINTER, safety_->GetInterfaceSafetyOptions(IID_IDispatch, nullptr, &value));
  EXPECT_EQ(E_POINTER, safety_->GetInterfaceSafetyOptions(IID_IDispatch, &value, nullptr));
}

TEST_F(ObjectSafetyTest, QueryingTheObjectForAnInterfaceLeavesNoReferenceBehind) {
  Options(IID_IDispatch);
  safety_->SetInterfaceSafetyOptions(IID_IDispatch, 1, 1);
  EXPECT_EQ(2u, safety_->AddRef());
  EXPECT_EQ(1u, safety_->Release());
}

}  // namespace
