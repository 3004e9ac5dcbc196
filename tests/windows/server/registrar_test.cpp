// The registrar against the real registry, with HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE of
// this process pointed at scratch keys, so every rule can be seen without touching the
// prefix's own classes.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "server/registry_script_executor.h"
#include "server_test_support.h"

namespace {

const char kScratch[] = "Software\\navtrap-registrar-test";

class Registrar : public testing::Test {
 protected:
  void SetUp() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kScratch) + "\\classes").c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &classes_, nullptr),
              ERROR_SUCCESS);
    // Under a volatile key only volatile keys can be made: the registrar's keys cannot.
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kScratch) + "\\machine").c_str(), 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &machine_, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_), ERROR_SUCCESS);
    ASSERT_EQ(::RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_), ERROR_SUCCESS);
  }
  void TearDown() override {
    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegCloseKey(classes_);
    ::RegCloseKey(machine_);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
  }

  // What the scratch "classes root" holds, one line per key and value.
  std::vector<std::string> Classes() const {
    std::vector<std::string> lines;
    DumpKey(classes_, "", &lines);
    lines.erase(lines.begin());  // the root itself
    std::sort(lines.begin(), lines.end());
    return lines;
  }

  void Make(const std::string& path, bool isVolatile = false) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(classes_, path.c_str(), 0, nullptr, isVolatile ? REG_OPTION_VOLATILE : 0,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
  }
  void SetValue(const std::string& path, const char* name, const char* text) {
    ASSERT_EQ(::RegSetKeyValueA(classes_, path.c_str(), name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1)),
              ERROR_SUCCESS);
  }

  HKEY classes_ = nullptr;
  HKEY machine_ = nullptr;
};

using Lines = std::vector<std::string>;

TEST_F(Registrar, WritesNestedKeysDefaultValuesAndNamedValues) {
  EXPECT_EQ(RunRegistryScript("HKCR { a = s 'A' { b { val 'N a m e' = s 'it''s' } } 'c d' }", true), S_OK);
  EXPECT_EQ(Classes(), (Lines{"\\a", "\\a\\b", "\\a\\b|N a m e=it's", "\\a|@=A", "\\c d"}));
}

TEST_F(Registrar, RegisteringAgainGivesTheSameEntries) {
  const char* script = "HKCR { a = s 'A' { val v = s 'V' b = s 'B' } }";
  ASSERT_EQ(RunRegistryScript(script, true), S_OK);
  Lines once = Classes();
  ASSERT_EQ(RunRegistryScript(script, true), S_OK);
  EXPECT_EQ(Classes(), once);
}

TEST_F(Registrar, ForceRemoveSweepsAwayAKeyBeforeWritingIt) {
  Make("x\\old\\older");
  SetValue("x", "stale", "1");
  ASSERT_EQ(RunRegistryScript("HKCR { ForceRemove x = s 'new' { fresh } }", true), S_OK);
  EXPECT_EQ(Classes(), (Lines{"\\x", "\\x\\fresh", "\\x|@=new"}));
}

TEST_F(Registrar, ForceRemoveNeverSweepsAwayClsidOrTypeLib) {
  Make("CLSID\\{other}");
  Make("typelib\\{other}");
  ASSERT_EQ(RunRegistryScript("HKCR { ForceRemove CLSID { mine } ForceRemove TYPELIB { mine } }", true), S_OK);
  EXPECT_EQ(Classes(), (Lines{"\\CLSID", "\\CLSID\\mine", "\\CLSID\\{other}", "\\typelib", "\\typelib\\mine",
                              "\\typelib\\{other}"}));
}

TEST_F(Registrar, AKeyThatCannotBeCreatedFailsAndItsBlockIsTakenBack) {
  Make("volatile", true);
  HRESULT hr = RunRegistryScript("HKCR { first = s '1' { inner } NoRemove volatile { cannot } after }", true);
  EXPECT_EQ(hr, DISP_E_EXCEPTION);
  // "first" was written and taken back; "after" was never reached; the NoRemove key stays.
  EXPECT_EQ(Classes(), (Lines{"\\volatile"}));
}

TEST_F(Registrar, ABlockThatFailsLeavesTheBlocksBeforeIt) {
  HRESULT hr = RunRegistryScript("HKCR { kept } HKLM { SOFTWARE { x } }", true);
  EXPECT_EQ(hr, DISP_E_EXCEPTION);
  EXPECT_EQ(Classes(), (Lines{"\\kept"}));
  EXPECT_EQ(SubkeyCount(machine_, ""), 0u);
}

TEST_F(Registrar, AMalformedScriptFailsAndItsBlockIsTakenBack) {
  struct Case {
    const char* what;
    const char* script;
  };
  const Case cases[] = {
      {"an open quote", "HKCR { a { b } c = s 'open }"},
      {"a backslash in a key name", "HKCR { a { b } 'c\\d' }"},
      {"a type other than s", "HKCR { a { b } c = d '1' }"},
      {"an unknown root", "HKXX { a }"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunRegistryScript(c.script, true), DISP_E_EXCEPTION) << c.what;
    EXPECT_EQ(Classes(), Lines{}) << c.what;
  }
}

TEST_F(Registrar, UnregisteringRemovesWhatTheScriptLists) {
  const char* script = "HKCR { a = s 'A' { b { val v = s 'V' } } c }";
  ASSERT_EQ(RunRegistryScript(script, true), S_OK);
  EXPECT_EQ(RunRegistryScript(script, false), S_OK);
  EXPECT_EQ(Classes(), Lines{});
  // Nothing left to remove is no failure.
  EXPECT_EQ(RunRegistryScript(script, false), S_OK);
}

TEST_F(Registrar, UnregisteringKeepsKeysThatOthersAddedTo) {
  ASSERT_EQ(RunRegistryScript("HKCR { a = s 'A' { b } }", true), S_OK);
  Make("a\\theirs");
  EXPECT_EQ(RunRegistryScript("HKCR { a = s 'A' { b } }", false), S_OK);
  EXPECT_EQ(Classes(), (Lines{"\\a", "\\a\\theirs", "\\a|@=A"}));
}

TEST_F(Registrar, UnregisteringKeepsNoRemoveKeysAndDeletesListedValues) {
  Make("keep\\inner");
  SetValue("keep", "listed", "x");
  SetValue("keep", "other", "y");
  EXPECT_EQ(RunRegistryScript("HKCR { NoRemove keep { inner val listed = s 'x' val missing = s 'm' } }", false), S_OK);
  EXPECT_EQ(Classes(), (Lines{"\\keep", "\\keep|other=y"}));
}

TEST_F(Registrar, UnregisteringIgnoresForceRemove) {
  Make("x\\theirs");
  EXPECT_EQ(RunRegistryScript("HKCR { ForceRemove x { mine } }", false), S_OK);
  EXPECT_EQ(Classes(), (Lines{"\\x", "\\x\\theirs"}));
}

TEST_F(Registrar, UnregisteringSkipsAMissingKeyWithEverythingListedInside) {
  Make("b");
  EXPECT_EQ(RunRegistryScript("HKCR { missing { b } } ", false), S_OK);
  EXPECT_EQ(Classes(), (Lines{"\\b"}));
}

TEST_F(Registrar, UnregisteringStopsAtAMalformedBlock) {
  Make("a");
  Make("c");
  EXPECT_EQ(RunRegistryScript("HKCR { a b = s 'open } HKCR { c }", false), DISP_E_EXCEPTION);
  EXPECT_EQ(Classes(), (Lines{"\\c"}));
}

}  // namespace
