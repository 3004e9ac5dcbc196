#include "server/registry_script_reader.h"

#include <string>

#include <gtest/gtest.h>

#include "script_walk.h"

namespace {

struct ReadCase {
  const char* what;
  const char* script;
  const char* read;
};

const ReadCase kReadCases[] = {
    {"an empty script has no roots", "", ""},
    {"white space alone has no roots", " \t\r\n ", ""},
    {"a root with an empty block", "HKCR { }", "HKCR{ }"},
    {"keys nest in blocks", "HKCR { a { b { c } } d }", "HKCR{ a{ b{ c } } d }"},
    {"a key takes its default value", "HKCR { a = s 'text' }", "HKCR{ a='text' }"},
    {"a value and a block may both follow a key", "HKCR { a = s 'x' { b = s 'y' } }", "HKCR{ a='x'{ b='y' } }"},
    {"val names a value of the enclosing key", "HKCR { a { val Name = s 'Apartment' } }",
     "HKCR{ a{ val Name='Apartment' } }"},
    {"marks are read before the name", "HKCR { NoRemove CLSID { ForceRemove x } }",
     "HKCR{ NoRemove CLSID{ ForceRemove x } }"},
    {"keywords ignore case", "hkcr { noremove a { VAL v = S 'x' } FORCEREMOVE b }",
     "HKCR{ NoRemove a{ val v='x' } ForceRemove b }"},
    {"quoted names may hold spaces", "HKLM { 'Browser Helper Objects' }", "HKLM{ Browser Helper Objects }"},
    {"a doubled quote stands for one", "HKCR { 'it''s' = s 'C:\\it''s\\a.dll' }", "HKCR{ it's='C:\\it's\\a.dll' }"},
    {"a quoted empty text is a value", "HKCR { a = s '' }", "HKCR{ a='' }"},
    {"a quoted keyword is a name", "HKCR { 'val' 'NoRemove' }", "HKCR{ val NoRemove }"},
    {"a GUID in braces is a bare name", "HKCR { {6A1F0B93-2E47-4C85-B1D9-0E53A7C4F218} = s 'D' }",
     "HKCR{ {6A1F0B93-2E47-4C85-B1D9-0E53A7C4F218}='D' }"},
    {"a GUID name may open its block at once",
     "HKCR{{81E5C3D2-0F6A-4B97-A4C8-2D7E9B1F6A35}{x}}", "HKCR{ {81E5C3D2-0F6A-4B97-A4C8-2D7E9B1F6A35}{ x } }"},
    {"a brace before words opens a block", "HKCR { a { b } }", "HKCR{ a{ b } }"},
    {"blocks need no white space", "HKCR{a=s'x'{val v=s'y'}}", "HKCR{ a='x'{ val v='y' } }"},
    {"roots follow one another", "HKCR { a } HKLM { b }", "HKCR{ a } HKLM{ b }"},
    {"long root names are understood", "HKEY_CLASSES_ROOT { } HKEY_LOCAL_MACHINE { } HKEY_CURRENT_USER { } HKU { }",
     "HKCR{ } HKLM{ } HKCU{ } HKU{ }"},
    {"a value name may hold a backslash", "HKCR { a { val 'x\\y' = s 'z' } }", "HKCR{ a{ val x\\y='z' } }"},
    {"text keeps braces and equals signs", "HKCR { a = s '{=}' }", "HKCR{ a='{=}' }"},

    {"a quote left open is malformed", "HKCR { a = s 'text }", "HKCR{<malformed>"},
    {"a block left open is malformed", "HKCR { a { b }", "HKCR{ a{ b }<malformed>"},
    {"a closing brace too many is malformed", "HKCR { a } }", "HKCR{ a }<malformed>"},
    {"an unknown root is malformed", "HKXX { a }", "<malformed>"},
    {"a root without its block is malformed", "HKCR a", "<malformed>"},
    {"only string values exist", "HKCR { a = d '5' }", "HKCR{<malformed>"},
    {"a value text must be quoted", "HKCR { a = s text }", "HKCR{<malformed>"},
    {"an equals sign without a type is malformed", "HKCR { a = }", "HKCR{<malformed>"},
    {"a key name with a backslash is malformed", "HKCR { 'a\\b' }", "HKCR{<malformed>"},
    {"an empty key name is malformed", "HKCR { '' }", "HKCR{<malformed>"},
    {"a val without its text is malformed", "HKCR { a { val v } }", "HKCR{ a{<malformed>"},
    {"a val with a mark is read as a key named val", "HKCR { NoRemove val }", "HKCR{ NoRemove val }"},
    {"a mark without a name is malformed", "HKCR { ForceRemove }", "HKCR{<malformed>"},
    {"a stray equals sign is malformed", "HKCR { = s 'x' }", "HKCR{<malformed>"},
    {"a block without a key is malformed", "HKCR { { a } }", "HKCR{<malformed>"},
};

class ReadingScripts : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadingScripts, GivesTheItemsInTextOrder) {
  EXPECT_EQ(WalkScript(GetParam().script), GetParam().read) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Table, ReadingScripts, testing::ValuesIn(kReadCases));

std::string Nested(int depth) {
  std::string script = "HKCR";
  for (int i = 0; i < depth; ++i) script += " { k";
  for (int i = 0; i < depth; ++i) script += " }";
  return script;
}

TEST(RegistryScriptReader, ReadsNestingUpToItsLimit) {
  // The root's block is level 1; each key adds one.
  std::string read = WalkScript(Nested(RegistryScriptReader::kMaxDepth).c_str());
  EXPECT_EQ(read.find("<malformed>"), std::string::npos) << read;
}

TEST(RegistryScriptReader, RefusesNestingBeyondItsLimit) {
  std::string read = WalkScript(Nested(RegistryScriptReader::kMaxDepth + 1).c_str());
  EXPECT_NE(read.find("<malformed>"), std::string::npos);
}

TEST(RegistryScriptReader, SkipsAWholeBlockAndGoesOnAfterIt) {
  RegistryScriptReader reader("HKCR { a { b { c } val v = s 'x' } d }");
  ScriptRoot root;
  ASSERT_EQ(reader.NextRoot(&root), ReadStatus::kItem);
  ScriptItem item;
  ASSERT_EQ(reader.NextItem(&item), ReadStatus::kItem);
  ASSERT_STREQ(item.name.get(), "a");
  ASSERT_TRUE(item.hasBlock);
  EXPECT_EQ(reader.SkipBlock(), ReadStatus::kBlockEnd);
  ASSERT_EQ(reader.NextItem(&item), ReadStatus::kItem);
  EXPECT_STREQ(item.name.get(), "d");
  EXPECT_EQ(reader.NextItem(&item), ReadStatus::kBlockEnd);
  EXPECT_EQ(reader.NextRoot(&root), ReadStatus::kScriptEnd);
}

TEST(RegistryScriptReader, SkippingABrokenBlockReportsTheFault) {
  RegistryScriptReader reader("HKCR { a { b = s 'open } }");
  ScriptRoot root;
  ScriptItem item;
  ASSERT_EQ(reader.NextRoot(&root), ReadStatus::kItem);
  ASSERT_EQ(reader.NextItem(&item), ReadStatus::kItem);
  EXPECT_EQ(reader.SkipBlock(), ReadStatus::kMalformed);
}

TEST(RegistryScriptReader, ReadsABlockAgainAfterRewinding) {
  RegistryScriptReader reader("HKCR { a { b } c } HKLM { d }");
  ScriptRoot root;
  ASSERT_EQ(reader.NextRoot(&root), ReadStatus::kItem);
  RegistryScriptReader::Mark start = reader.Position();
  std::string first;
  ASSERT_TRUE(WalkBlock(reader, &first));
  reader.Rewind(start);
  std::string second;
  ASSERT_TRUE(WalkBlock(reader, &second));
  EXPECT_EQ(first, " a{ b } c");
  EXPECT_EQ(second, first);
  ASSERT_EQ(reader.NextRoot(&root), ReadStatus::kItem);
  EXPECT_EQ(root, ScriptRoot::kLocalMachine);
}

TEST(RegistryScriptReader, AsksForARootOnlyAtTheTopLevel) {
  RegistryScriptReader reader("HKCR { a }");
  ScriptRoot root;
  ASSERT_EQ(reader.NextRoot(&root), ReadStatus::kItem);
  EXPECT_EQ(reader.NextRoot(&root), ReadStatus::kMalformed);
}

TEST(RegistryScriptReader, AsksForAnItemOnlyInsideABlock) {
  RegistryScriptReader reader("HKCR { a }");
  ScriptItem item;
  EXPECT_EQ(reader.NextItem(&item), ReadStatus::kMalformed);
}

}  // namespace
