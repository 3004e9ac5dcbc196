// Registration through regsvr32 against Wine's real registry.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "class_table.h"
#include "server_test_support.h"

namespace {

class Registration : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Regsvr32(NavtrapDllPath(), true), 0); }
  void TearDown() override { Regsvr32(NavtrapDllPath(), true); }
};

TEST_F(Registration, WritesExactlyTheThirteenEntriesOfEveryClass) {
  ASSERT_EQ(Regsvr32(NavtrapDllPath()), 0);
  for (const ClassIdentity& c : Classes()) {
    EXPECT_EQ(ActualClassEntries(c), ExpectedClassEntries(c, NavtrapDllPath())) << c.name;
  }
}

TEST_F(Registration, ListsIeCatch5AloneAsABrowserHelperObject) {
  ASSERT_EQ(Regsvr32(NavtrapDllPath()), 0);
  EXPECT_EQ(DumpTree(HKEY_LOCAL_MACHINE, HelperObjectKey()), std::vector<std::string>{HelperObjectKey()});
  for (const ClassIdentity& c : Classes()) {
    if (*c.clsid == CLSID_IeCatch5) continue;
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kHelperObjectsKey) + "\\" + GuidText(*c.clsid))) << c.name;
  }
}

TEST_F(Registration, RegistersTheTypeLibraryFromTheModule) {
  ASSERT_EQ(Regsvr32(NavtrapDllPath()), 0);
  EXPECT_EQ(TypeLibraryPath(), NavtrapDllPath());
  ComApartment com;
  ComPtr<ITypeLib> library;
  EXPECT_EQ(::LoadRegTypeLib(LIBID_NAVTRAPLib, 1, 0, 0, library.Put()), S_OK);
}

TEST_F(Registration, MakesIeCatchNoProtocolHandlerOrFilter) {
  ASSERT_EQ(Regsvr32(NavtrapDllPath()), 0);
  const std::string ieCatch = GuidText(CLSID_IeCatch);
  for (const char* root : {"PROTOCOLS\\Handler", "PROTOCOLS\\Filter", "PROTOCOLS\\Name-Space Handler"}) {
    for (const std::string& line : DumpTree(HKEY_CLASSES_ROOT, root)) {
      EXPECT_EQ(line.find(ieCatch), std::string::npos) << line;
    }
  }
}

TEST_F(Registration, TwiceGivesTheSameEntriesAndSweepsOutWhatWasAddedUnderTheClassKey) {
  ASSERT_EQ(Regsvr32(NavtrapDllPath()), 0);
  for (const ClassIdentity& c : Classes()) {
    HKEY added = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CLASSES_ROOT, (ClassKey(c) + "\\Added by hand\\Deeper").c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &added, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(added);
  }
  ASSERT_EQ(Regsvr32(NavtrapDllPath()), 0);
  for (const ClassIdentity& c : Classes()) {
    EXPECT_EQ(ActualClassEntries(c), ExpectedClassEntries(c, NavtrapDllPath())) << c.name;
  }
}

TEST_F(Registration, WritesAModulePathWithASingleQuoteAsItIs) {
  TempFolder folder;
  const std::string quoted = folder.File("it's here");
  ASSERT_TRUE(::CreateDirectoryA(quoted.c_str(), nullptr));
  const std::string copy = quoted + "\\navtrap.dll";
  ASSERT_TRUE(::CopyFileA(NavtrapDllPath().c_str(), copy.c_str(), FALSE));
  // The test folder's path is in its long form already, as GetModuleFileName gives it.
  char longPath[MAX_PATH] = {};
  ASSERT_NE(::GetLongPathNameA(copy.c_str(), longPath, MAX_PATH), 0u);

  ASSERT_EQ(Regsvr32(copy), 0);
  for (const ClassIdentity& c : Classes()) {
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, ClassKey(c) + "\\InprocServer32"), longPath) << c.name;
  }
  EXPECT_EQ(TypeLibraryPath(), longPath);
  EXPECT_EQ(Regsvr32(copy, true), 0);
  for (const ClassIdentity& c : Classes()) EXPECT_TRUE(ClassKeysGone(c)) << c.name;
}

TEST_F(Registration, UnregisteringRightAfterRemovesEveryClassAndKeepsSharedKeys) {
  const DWORD classKeysBefore = SubkeyCount(HKEY_CLASSES_ROOT, "CLSID");
  ASSERT_EQ(Regsvr32(NavtrapDllPath()), 0);
  EXPECT_EQ(SubkeyCount(HKEY_CLASSES_ROOT, "CLSID"), classKeysBefore + 4);

  EXPECT_EQ(Regsvr32(NavtrapDllPath(), true), 0);
  for (const ClassIdentity& c : Classes()) EXPECT_TRUE(ClassKeysGone(c)) << c.name;
  EXPECT_EQ(SubkeyCount(HKEY_CLASSES_ROOT, "CLSID"), classKeysBefore);
  EXPECT_EQ(TypeLibraryPath(), "<none>");
  // With no other helper object, the list's key goes too; the keys above it stay.
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kHelperObjectsKey));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer"));
}

TEST_F(Registration, UnregisteringWhenNothingIsRegisteredDeletesNothing) {
  const DWORD rootKeys = SubkeyCount(HKEY_CLASSES_ROOT, "");
  const DWORD classKeys = SubkeyCount(HKEY_CLASSES_ROOT, "CLSID");
  const DWORD explorerKeys = SubkeyCount(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer");
  EXPECT_EQ(Regsvr32(NavtrapDllPath(), true), 0);
  EXPECT_EQ(SubkeyCount(HKEY_CLASSES_ROOT, ""), rootKeys);
  EXPECT_EQ(SubkeyCount(HKEY_CLASSES_ROOT, "CLSID"), classKeys);
  EXPECT_EQ(SubkeyCount(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer"), explorerKeys);
}

TEST_F(Registration, UnregisteringLeavesAnotherBrowserHelperObjectAndItsList) {
  const std::string other = std::string(kHelperObjectsKey) + "\\{0A0B0C0D-1111-2222-3333-444455556666}";
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, other.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ::RegCloseKey(key);
  ASSERT_EQ(Regsvr32(NavtrapDllPath()), 0);
  EXPECT_EQ(SubkeyCount(HKEY_LOCAL_MACHINE, kHelperObjectsKey), 2u);

  EXPECT_EQ(Regsvr32(NavtrapDllPath(), true), 0);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, HelperObjectKey()));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, other));
  ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, other.c_str());
  ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kHelperObjectsKey);
}

TEST_F(Registration, UnregisteringKeepsAProgIdKeyThatSomebodyElseAddedTo) {
  ASSERT_EQ(Regsvr32(NavtrapDllPath()), 0);
  const ClassIdentity& c = Classes()[1];
  const std::string added = std::string(c.progId) + "\\Somebody else's";
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CLASSES_ROOT, added.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ::RegCloseKey(key);

  EXPECT_EQ(Regsvr32(NavtrapDllPath(), true), 0);
  const std::string p = c.progId;
  EXPECT_EQ(DumpTree(HKEY_CLASSES_ROOT, p),
            (std::vector<std::string>{p, p + "\\Somebody else's", p + "|@=" + c.description}));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, p + ".1"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey(c)));
  ::RegDeleteKeyA(HKEY_CLASSES_ROOT, added.c_str());
  ::RegDeleteKeyA(HKEY_CLASSES_ROOT, p.c_str());
}

// A copy of the DLL whose "TYPELIB" resource is out of reach, to reach the ".tlb" beside it:
// the type's name in the resource directory becomes "TYPELIX" (Wine's UpdateResource does
// not delete resources, so the copy is patched in place; the names stay in sorted order).
std::string CopyWithoutTypeLibrary(const std::string& folder) {
  const std::string copy = folder + "\\navtrap.dll";
  if (!::CopyFileA(NavtrapDllPath().c_str(), copy.c_str(), FALSE)) return std::string();
  HANDLE file = ::CreateFileA(copy.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes(::GetFileSize(file, nullptr), '\0');
  DWORD done = 0;
  ::ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &done, nullptr);
  const std::string name("\x07\0T\0Y\0P\0E\0L\0I\0B\0", 16);  // counted UTF-16, as the directory stores it
  size_t at = bytes.find(name);
  bool patched = at != std::string::npos && bytes.find(name, at + 1) == std::string::npos;
  if (patched) {
    LONG offset = static_cast<LONG>(at + 14);
    ::SetFilePointer(file, offset, nullptr, FILE_BEGIN);
    patched = ::WriteFile(file, "X", 1, &done, nullptr) && done == 1;
  }
  ::CloseHandle(file);
  return patched ? copy : std::string();
}

TEST_F(Registration, FallsBackToTheTlbFileBesideAModuleWithoutItsTypeLibrary) {
  TempFolder folder;
  const std::string copy = CopyWithoutTypeLibrary(folder.Path());
  ASSERT_FALSE(copy.empty());
  ASSERT_TRUE(::CopyFileA(WindowsPathOf(NAVTRAP_TLB_PATH).c_str(), folder.File("navtrap.tlb").c_str(), FALSE));
  char longFolder[MAX_PATH] = {};
  ASSERT_NE(::GetLongPathNameA(folder.Path().c_str(), longFolder, MAX_PATH), 0u);

  ASSERT_EQ(Regsvr32(copy), 0);
  EXPECT_EQ(TypeLibraryPath(), std::string(longFolder) + "\\navtrap.tlb");
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kLibidText + "\\1.0\\HELPDIR"),
            std::string(longFolder) + "\\");
  EXPECT_EQ(Regsvr32(copy, true), 0);
  EXPECT_EQ(TypeLibraryPath(), "<none>");
}

TEST_F(Registration, ExitCodesOfRegsvr32) {
  TempFolder folder;
  const std::string withoutLibrary = CopyWithoutTypeLibrary(folder.Path());
  ASSERT_FALSE(withoutLibrary.empty());
  struct Case {
    const char* what;
    std::string path;
    bool unregister;
    int exitCode;
  };
  const Case cases[] = {
      {"registering succeeds", NavtrapDllPath(), false, 0},
      {"unregistering succeeds", NavtrapDllPath(), true, 0},
      {"a missing DLL", folder.File("missing.dll"), false, 3},
      {"a DLL without the export", "C:\\windows\\system32\\kernel32.dll", false, 4},
      {"no type library to be found fails registering", withoutLibrary, false, 5},
      {"but never unregistering", withoutLibrary, true, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Regsvr32(c.path, c.unregister), c.exitCode) << c.what;
  // The failed registration wrote the classes first; they are taken away by the last case.
  for (const ClassIdentity& c : Classes()) EXPECT_TRUE(ClassKeysGone(c)) << c.name;
}

}  // namespace
