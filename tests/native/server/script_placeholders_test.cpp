#include "server/script_placeholders.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "script_walk.h"

namespace {

const ScriptReplacement kReplacements[] = {{"MODULE", "C:\\dir\\navtrap.dll"}, {"Other", "o"}};

struct ExpandCase {
  const char* what;
  const char* text;
  ExpandStatus status;
  const char* expanded;
};

const ExpandCase kExpandCases[] = {
    {"text without placeholders stays", "HKCR { a }", ExpandStatus::kExpanded, "HKCR { a }"},
    {"an empty text stays empty", "", ExpandStatus::kExpanded, ""},
    {"a placeholder takes its replacement", "'%MODULE%'", ExpandStatus::kExpanded, "'C:\\dir\\navtrap.dll'"},
    {"names ignore case", "%module% %oTHER%", ExpandStatus::kExpanded, "C:\\dir\\navtrap.dll o"},
    {"two percent signs give one", "100%%", ExpandStatus::kExpanded, "100%"},
    {"doubled signs around a name give it back", "%%MODULE%%", ExpandStatus::kExpanded, "%MODULE%"},
    {"placeholders may follow one another", "%Other%%Other%", ExpandStatus::kExpanded, "oo"},
    {"an unknown name fails", "%UNKNOWN%", ExpandStatus::kMalformed, nullptr},
    {"a lone percent sign fails", "50% off", ExpandStatus::kMalformed, nullptr},
    {"a percent sign at the end fails", "abc%", ExpandStatus::kMalformed, nullptr},
};

class ExpandingPlaceholders : public testing::TestWithParam<ExpandCase> {};

TEST_P(ExpandingPlaceholders, GivesTheFilledInText) {
  const ExpandCase& c = GetParam();
  OwnedString expanded;
  ASSERT_EQ(ExpandPlaceholders(c.text, std::strlen(c.text), kReplacements, 2, &expanded), c.status) << c.what;
  if (c.expanded == nullptr) {
    EXPECT_FALSE(expanded) << c.what;
  } else {
    ASSERT_TRUE(expanded);
    EXPECT_STREQ(expanded.get(), c.expanded) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, ExpandingPlaceholders, testing::ValuesIn(kExpandCases));

TEST(ExpandPlaceholders, ReadsOnlyTheGivenLength) {
  const char text[] = {'a', '%', '%', 'b', '%', 'X'};  // no terminator; the lone % lies beyond
  OwnedString expanded;
  ASSERT_EQ(ExpandPlaceholders(text, 4, kReplacements, 2, &expanded), ExpandStatus::kExpanded);
  EXPECT_STREQ(expanded.get(), "a%b");
}

TEST(DoubleSingleQuotes, DoublesEveryQuote) {
  EXPECT_STREQ(DoubleSingleQuotes("C:\\it's\\'x'.dll").get(), "C:\\it''s\\''x''.dll");
  EXPECT_STREQ(DoubleSingleQuotes("").get(), "");
  EXPECT_FALSE(DoubleSingleQuotes(nullptr));
}

TEST(DoubleSingleQuotes, APathWithQuotesComesBackWhole) {
  const char* path = "C:\\Bob's files\\''\\navtrap.dll";
  OwnedString doubled = DoubleSingleQuotes(path);
  const ScriptReplacement module[] = {{"MODULE", doubled.get()}};
  const char script[] = "HKCR { a = s '%MODULE%' }";
  OwnedString expanded;
  ASSERT_EQ(ExpandPlaceholders(script, std::strlen(script), module, 1, &expanded), ExpandStatus::kExpanded);
  EXPECT_EQ(WalkScript(expanded.get()), "HKCR{ a='" + std::string(path) + "' }");
}

}  // namespace
