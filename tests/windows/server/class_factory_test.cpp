// The class factory and the object map of the core library, with a creator of the test's own,
// so the module lock count can be read exactly.
#include <windows.h>
#include <ole2.h>

#include <vector>

#include <gtest/gtest.h>

#include "server/class_objects.h"
#include "server/module_lock.h"
#include "server/module_state.h"
#include "server/object_map.h"
#include "server_test_support.h"

namespace {

const CLSID kFirst = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
const CLSID kSecond = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 9}};

struct CreatorCall {
  IUnknown* outer;
  IID iid;
};
std::vector<CreatorCall> g_calls;

HRESULT RecordingCreator(IUnknown* outer, REFIID riid, void** object) noexcept {
  g_calls.push_back({outer, riid});
  *object = nullptr;
  return E_NOINTERFACE;
}

class ObjectMap : public testing::Test {
 protected:
  void SetUp() override {
    g_calls.clear();
    ASSERT_EQ(ModuleLockCount(), 0);
  }
  void TearDown() override {
    ReleaseClassObjects(map_);
    EXPECT_EQ(ModuleLockCount(), 0);
  }

  ObjectMapRow map_[3] = {
      {&kFirst, 1, RecordingCreator, nullptr},
      {&kSecond, 2, RecordingCreator, nullptr},
      {nullptr, 0, nullptr, nullptr},
  };
};

TEST_F(ObjectMap, TheMapsOwnReferenceDoesNotHoldTheModule) {
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(GetClassObjectFromMap(map_, kFirst, IID_IClassFactory, factory.PutVoid()), S_OK);
  EXPECT_EQ(ModuleLockCount(), 1);
  factory.Reset();
  EXPECT_NE(map_[0].classObject, nullptr);
  EXPECT_EQ(ModuleLockCount(), 0);
}

TEST_F(ObjectMap, AllOutsideReferencesHoldTheModuleOnce) {
  ComPtr<IClassFactory> first, second;
  ComPtr<IUnknown> third;
  ASSERT_EQ(GetClassObjectFromMap(map_, kFirst, IID_IClassFactory, first.PutVoid()), S_OK);
  ASSERT_EQ(GetClassObjectFromMap(map_, kFirst, IID_IClassFactory, second.PutVoid()), S_OK);
  ASSERT_EQ(first->QueryInterface(IID_IUnknown, third.PutVoid()), S_OK);
  EXPECT_EQ(first.Get(), second.Get());
  EXPECT_EQ(ModuleLockCount(), 1);
  first.Reset();
  second.Reset();
  EXPECT_EQ(ModuleLockCount(), 1);
  third.Reset();
  EXPECT_EQ(ModuleLockCount(), 0);
  // Another class's factory is a lock of its own.
  ComPtr<IClassFactory> other;
  ASSERT_EQ(GetClassObjectFromMap(map_, kFirst, IID_IClassFactory, first.PutVoid()), S_OK);
  ASSERT_EQ(GetClassObjectFromMap(map_, kSecond, IID_IClassFactory, other.PutVoid()), S_OK);
  EXPECT_NE(static_cast<void*>(first.Get()), static_cast<void*>(other.Get()));
  EXPECT_EQ(ModuleLockCount(), 2);
}

TEST_F(ObjectMap, AFactoryAskedForAnotherInterfaceIsStillCached) {
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(GetClassObjectFromMap(map_, kSecond, IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_NE(map_[1].classObject, nullptr);
  EXPECT_EQ(map_[0].classObject, nullptr);
  EXPECT_EQ(ModuleLockCount(), 0);
}

TEST_F(ObjectMap, RefusesAClassItDoesNotList) {
  const CLSID unknown = {0x11111111, 0x2222, 0x3333, {0, 0, 0, 0, 0, 0, 0, 0}};
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(GetClassObjectFromMap(map_, unknown, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(GetClassObjectFromMap(map_, kFirst, IID_IClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(map_[0].classObject, nullptr);
}

TEST_F(ObjectMap, CreateInstanceChecksBeforeTheCreatorAndPassesTheRestOn) {
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(GetClassObjectFromMap(map_, kFirst, IID_IClassFactory, factory.PutVoid()), S_OK);
  IUnknown* outer = reinterpret_cast<IUnknown*>(factory.Get());  // never called: any pointer will do
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(factory->CreateInstance(outer, IID_IDispatch, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  EXPECT_TRUE(g_calls.empty());

  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &object), E_NOINTERFACE);
  ASSERT_EQ(g_calls.size(), 2u);
  EXPECT_EQ(g_calls[0].outer, nullptr);
  EXPECT_EQ(g_calls[0].iid, IID_IDispatch);
  EXPECT_EQ(g_calls[1].outer, outer);
  EXPECT_EQ(g_calls[1].iid, IID_IUnknown);
}

TEST_F(ObjectMap, LockServerCountsEveryCallWithoutPairingThem) {
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(GetClassObjectFromMap(map_, kFirst, IID_IClassFactory, factory.PutVoid()), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(ModuleLockCount(), 3);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(ModuleLockCount(), 1);
}

struct Race {
  ObjectMapRow* map;
  HANDLE start;
  IUnknown* got;
};

DWORD WINAPI AskForTheFactory(void* argument) {
  Race* race = static_cast<Race*>(argument);
  ::WaitForSingleObject(race->start, INFINITE);
  GetClassObjectFromMap(race->map, kFirst, IID_IUnknown, reinterpret_cast<void**>(&race->got));
  return 0;
}

TEST_F(ObjectMap, ThreadsAskingAtOnceGetOneFactory) {
  HANDLE start = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::vector<Race> races(8, Race{map_, start, nullptr});
  std::vector<HANDLE> threads;
  for (Race& race : races) threads.push_back(::CreateThread(nullptr, 0, AskForTheFactory, &race, 0, nullptr));
  ::SetEvent(start);
  ::WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
  for (HANDLE thread : threads) ::CloseHandle(thread);
  ::CloseHandle(start);
  for (Race& race : races) {
    ASSERT_NE(race.got, nullptr);
    EXPECT_EQ(race.got, races[0].got);
  }
  EXPECT_EQ(ModuleLockCount(), 1);
  for (Race& race : races) race.got->Release();
}

std::vector<int> g_cleanedUp;
void RecordCleanup(void* argument) { g_cleanedUp.push_back(*static_cast<int*>(argument)); }

TEST_F(ObjectMap, TerminatingTheModuleReleasesTheFactoriesAndRunsTheCleanUpListNewestFirst) {
  InitializeModule(::GetModuleHandleA(nullptr), map_);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(GetClassObjectFromMap(ModuleObjectMap(), kSecond, IID_IClassFactory, factory.PutVoid()), S_OK);
  factory.Reset();
  int first = 1, second = 2;
  ModuleCleanup older = {RecordCleanup, &first, nullptr};
  ModuleCleanup newer = {RecordCleanup, &second, nullptr};
  AddModuleCleanup(&older);
  AddModuleCleanup(&newer);
  g_cleanedUp.clear();

  TerminateModule();
  EXPECT_EQ(map_[1].classObject, nullptr);
  EXPECT_EQ(g_cleanedUp, (std::vector<int>{2, 1}));
  // The locks come back on next use.
  ASSERT_EQ(GetClassObjectFromMap(map_, kFirst, IID_IClassFactory, factory.PutVoid()), S_OK);
}

}  // namespace
