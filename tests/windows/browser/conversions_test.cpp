// WideToAnsi and the protocol handler's own conversion, in the system's code page and in code
// pages whose characters take one, two or three bytes.
#include <gtest/gtest.h>

#include <string>

#include "browser/request_url.h"
#include "browser/wide_to_ansi.h"

namespace {

constexpr UINT kWesternEuropean = 1252;
constexpr UINT kJapanese = 932;

// The converted bytes, or "<null>"; a result is read up to its terminator.
std::string Text(const OwnedString& converted) { return converted ? std::string(converted.get()) : "<null>"; }

TEST(WideToAnsi, GivesNullForANullStringAndTheTextWithItsTerminatorOtherwise) {
  EXPECT_EQ("<null>", Text(WideToAnsi(nullptr)));
  EXPECT_EQ("", Text(WideToAnsi(L"")));
  EXPECT_EQ("http://host/a.zip?x=1#f", Text(WideToAnsi(L"http://host/a.zip?x=1#f")));
}

TEST(WideToAnsi, ConvertsEveryCodePageWholeWithItsTerminatorInsideTheBuffer) {
  struct Case {
    const char* name;
    UINT codePage;
    std::wstring text;
    std::string expected;
  };
  const std::wstring longJapanese(1000, L'\x65e5');
  std::string longUtf8;
  for (int i = 0; i < 1000; ++i) longUtf8 += "\xE6\x97\xA5";
  const Case cases[] = {
      {"one byte per character", kWesternEuropean, L"caf\x00E9.zip", "caf\xE9.zip"},
      {"a character the code page lacks", kWesternEuropean, L"\x65E5.zip", "?.zip"},
      {"two bytes per character fill 2n + 1 of 2n + 2", kJapanese, L"\x65E5\x672C", "\x93\xFA\x96\x7B"},
      {"three bytes per unit need more than 2n + 2", CP_UTF8, L"\x65E5\x672C\x8A9E", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
      {"a surrogate pair", CP_UTF8, L"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
      {"a long list entry", CP_UTF8, longJapanese, longUtf8},
  };
  for (const Case& c : cases) {
    const OwnedString converted = WideToCodePage(c.codePage, c.text.c_str());
    ASSERT_TRUE(converted) << c.name;
    EXPECT_EQ(c.expected, std::string(converted.get())) << c.name;
  }
}

TEST(ConvertRequestUrl, KeepsAnEmptyUrlAsAnEmptyString) {
  const OwnedString converted = ConvertRequestUrl(CP_ACP, L"");
  ASSERT_TRUE(converted) << "measured only, and the zero-filled buffer is the result";
  EXPECT_EQ("", std::string(converted.get()));
  EXPECT_EQ("<null>", Text(ConvertRequestUrl(CP_ACP, nullptr)));
}

TEST(ConvertRequestUrl, UsesPrecomposedCharactersAndAtMostTwoBytesPerUnit) {
  struct Case {
    const char* name;
    UINT codePage;
    const wchar_t* url;
    const char* expected;
  };
  const Case cases[] = {
      {"plain", CP_ACP, L"http://host/a.zip", "http://host/a.zip"},
      {"a combining accent composed", kWesternEuropean, L"http://host/cafe\x0301.zip", "http://host/caf\xE9.zip"},
      {"double-byte text within 2n", kJapanese, L"a\x65E5", "a\x93\xFA"},
      {"double-byte text beyond 2n is not screened", kJapanese, L"\x65E5\x672C", "<null>"},
      {"three-byte text beyond 2n is not screened", CP_UTF8, L"\x65E5", "<null>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, Text(ConvertRequestUrl(c.codePage, c.url))) << c.name;
  }
}

}  // namespace
