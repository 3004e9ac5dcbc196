// The resources of navtrap.dll as the loader finds them: each type and id once, the module's
// name in the string table and the version resource entry by entry.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "server_test_support.h"

namespace {

std::string ResourceName(LPCSTR name) {
  return IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name)) : std::string(name);
}

using ResourceList = std::map<std::string, std::vector<std::string>>;  // type -> "name/language"

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR list) {
  (*reinterpret_cast<ResourceList*>(list))[ResourceName(type)].push_back(ResourceName(name) + "/" +
                                                                         std::to_string(language));
  return TRUE;
}
BOOL CALLBACK AddName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR list) {
  ::EnumResourceLanguagesA(module, type, name, AddLanguage, list);
  return TRUE;
}
BOOL CALLBACK AddType(HMODULE module, LPSTR type, LONG_PTR list) {
  ::EnumResourceNamesA(module, type, AddName, list);
  return TRUE;
}

class ModuleResources : public testing::Test {
 protected:
  void SetUp() override {
    module_ = ::LoadLibraryExA(NavtrapDllPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override { ::FreeLibrary(module_); }
  HMODULE module_ = nullptr;
};

TEST_F(ModuleResources, HoldsEachTypeAndIdOnce) {
  ResourceList list;
  ::EnumResourceTypesA(module_, AddType, reinterpret_cast<LONG_PTR>(&list));
  const std::string us = "/1033";
  const ResourceList expected = {
      {"REGISTRY", {"#101" + us, "#102" + us, "#103" + us, "#104" + us}},
      {"TYPELIB", {"#1" + us}},
      {"#6", {"#7" + us}},  // RT_STRING: the block of ids 96 to 111
      {"#16", {"#1" + us}},  // RT_VERSION
  };
  EXPECT_EQ(list, expected);
}

TEST_F(ModuleResources, NamesTheModuleInItsStringTable) {
  char text[64] = {};
  EXPECT_EQ(::LoadStringA(module_, 100, text, sizeof(text)), 7);
  EXPECT_STREQ(text, "navtrap");
}

class VersionResource : public testing::Test {
 protected:
  void SetUp() override {
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeA(NavtrapDllPath().c_str(), &handle);
    ASSERT_NE(size, 0u);
    data_.resize(size);
    ASSERT_TRUE(::GetFileVersionInfoA(NavtrapDllPath().c_str(), 0, size, data_.data()));
  }
  // The string's text, or "<absent>".
  std::string Value(const std::string& name) {
    char* text = nullptr;
    UINT length = 0;
    std::string path = "\\StringFileInfo\\040904b0\\" + name;
    if (!::VerQueryValueA(data_.data(), path.c_str(), reinterpret_cast<void**>(&text), &length)) return "<absent>";
    return length == 0 || text == nullptr ? std::string() : std::string(text);
  }
  std::vector<char> data_;
};

TEST_F(VersionResource, HasTheFixedPart) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueA(data_.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(1, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 5));
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(1, 1));
  EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(0, 5));
  EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
  EXPECT_EQ(fixed->dwFileFlags, 0u);
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  EXPECT_EQ(fixed->dwFileSubtype, 0u);
  EXPECT_EQ(fixed->dwFileDateMS, 0u);
  EXPECT_EQ(fixed->dwFileDateLS, 0u);
}

TEST_F(VersionResource, TranslatesToUnitedStatesEnglishInUnicode) {
  WORD* pair = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueA(data_.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pair), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(pair[0], 0x0409);
  EXPECT_EQ(pair[1], 1200);
}

TEST_F(VersionResource, HasEveryStringOfTheBlock) {
  const std::pair<const char*, const char*> strings[] = {
      {"Comments", ""},
      {"FileDescription", "navtrap Module"},
      {"FileVersion", "1, 1, 5, 0"},
      {"InternalName", "navtrap"},
      {"LegalTrademarks", ""},
      {"OLESelfRegister", ""},
      {"OriginalFilename", "navtrap.DLL"},
      {"PrivateBuild", ""},
      {"ProductName", "navtrap Module"},
      {"ProductVersion", "1, 1, 5, 0"},
      {"SpecialBuild", ""},
  };
  for (const auto& entry : strings) EXPECT_EQ(Value(entry.first), entry.second) << entry.first;
  EXPECT_EQ(Value("CompanyName"), "<absent>");
  EXPECT_EQ(Value("LegalCopyright"), "<absent>");
}

}  // namespace
