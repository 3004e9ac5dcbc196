// DllRegisterServer with HKEY_LOCAL_MACHINE not writable. Wine runs as administrator, so this
// process points HKEY_LOCAL_MACHINE at a volatile key, under which the registrar's keys cannot
// be created (HKEY_CLASSES_ROOT stays the real one).
#include <windows.h>

#include <gtest/gtest.h>

#include "class_table.h"
#include "server_test_support.h"

namespace {

const char kVolatileMachine[] = "Software\\navtrap-readonly-machine";

TEST(RegistrationWithoutHklm, FailsAfterTheClassesRootEntriesAndKeepsThem) {
  LoadedServer server;
  ASSERT_TRUE(server.Loaded());
  ASSERT_EQ(server.unregisterServer(), S_OK);

  HKEY machine = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kVolatileMachine, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &machine, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine), ERROR_SUCCESS);
  HRESULT hr = server.registerServer();
  ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  ::RegCloseKey(machine);
  ::RegDeleteKeyA(HKEY_CURRENT_USER, kVolatileMachine);

  EXPECT_EQ(hr, DISP_E_EXCEPTION);
  // All four scripts ran their HKCR block, the fourth's included; its HKLM block failed and
  // was taken back, and the type library was not registered.
  for (const ClassIdentity& c : Classes()) {
    EXPECT_EQ(ActualClassEntries(c), ExpectedClassEntries(c, NavtrapDllPath())) << c.name;
  }
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, HelperObjectKey()));
  EXPECT_EQ(TypeLibraryPath(), "<none>");

  EXPECT_EQ(server.unregisterServer(), S_OK);
  for (const ClassIdentity& c : Classes()) EXPECT_TRUE(ClassKeysGone(c)) << c.name;
}

}  // namespace
