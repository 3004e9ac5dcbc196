#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "screening/extension_pattern.h"

namespace {

int Match(const std::string& extension, const std::string& pattern) {
  return MatchExtensionPattern(extension.data(), static_cast<int>(extension.size()), pattern.data(),
                               static_cast<int>(pattern.size()));
}

struct PatternCase {
  const char* pattern;
  std::string extension;
  int expected;
};

TEST(MatchExtensionPattern, MatchesPlainPatternsWildcardsAndSets) {
  const PatternCase cases[] = {
      // The worked examples.
      {".zip", ".zip", 1},
      {".zip", ".zipx", 0},
      {".r??", ".rar", 1},
      {".r??", ".r1", 0},
      {".r[0-9][0-9]", ".r05", 1},
      {".r[0-9][0-9]", ".rar", 0},
      {".[a-c,x]z", ".bz", 1},
      {".[a-c,x]z", ".xz", 1},
      {".[a-c,x]z", ".dz", 0},
      {".[ac]", ".b", 1},
      {".[a,b", ".a", 1},
      {".[a,b", ".b", 0},
      {".mp[1-4]", ".mp3", 1},
      {"?zip", ".zip", 1},
      // Plain patterns compare over their full length.
      {"", ".zip", 0},
      {".zi", ".zip", 0},
      {".zip", ".zi", 0},
      {".*", ".zip", 0},
      {".*", ".*", 1},
      {".zip]", ".zip]", 1},  // "]" alone does not make a wildcard
      {".a-b", ".a-b", 1},
      // Wildcards consume exactly one byte each; leftovers do not match.
      {".zip?", ".zip", 0},
      {".r?", ".rar", 0},
      {"????", ".zip", 1},
      // Sets.
      {".[]", ".a", 0},
      {".[]zip", ".zip", 0},
      {".[a-z]", ".q", 1},
      {".[az]", ".q", 1},
      {".[a-c-e]", ".d", 1},
      {".[ace]", ".d", 1},
      {".[zb]", ".c", 0},
      {".[,a]", ".a", 1},
      {".[a,]", ".a", 1},
      {".[-]", ".-", 0},
      {".[[]", ".[", 1},
      {".[?]", ".?", 1},
      {".[?]", ".x", 0},
      {".[x", ".x", 0},  // the open item is not tested
      {".[x,", ".x", 1},
      {".[a,b]c", ".bc", 1},
      {".[a]x]", ".ax]", 1},
      {".[0-9]z", ".5z", 1},
      {".[0-9]z", ".5", 0},
      {"[.]zip", ".zip", 1},
  };
  for (const PatternCase& c : cases) {
    EXPECT_EQ(c.expected, Match(c.extension, c.pattern)) << c.pattern << " against " << c.extension;
  }
}

TEST(MatchExtensionPattern, ComparesSetBytesAsSigned) {
  // A range from ASCII up to a high byte is empty; from a high byte down to ASCII it wraps.
  EXPECT_EQ(0, Match(".\xE9", ".[a-\xFF]"));
  EXPECT_EQ(0, Match(".b", ".[a-\xFF]"));
  EXPECT_EQ(1, Match(".\xE9", ".[\x80-b]"));
  EXPECT_EQ(1, Match(".a", ".[\x80-b]"));
  EXPECT_EQ(1, Match(std::string(".\0", 2), ".[\x80-b]"));
  EXPECT_EQ(0, Match(".c", ".[\x80-b]"));
  EXPECT_EQ(0, Match(".\x7F", ".[\x80-b]"));
  EXPECT_EQ(1, Match(".\xE9", ".[\xE9]"));
  EXPECT_EQ(1, Match(".\xE9", ".\xE9"));
}

TEST(MatchExtensionPattern, MatchesLongPatternsOverTheirWholeLength) {
  // Sets after the 127th byte still count: the pattern means what the user wrote.
  EXPECT_EQ(1, Match(".a", ".[" + std::string(130, ',') + "a]"));
  EXPECT_EQ(0, Match(".b", ".[" + std::string(130, ',') + "a]"));
  EXPECT_EQ(1, Match(".a", ".[" + std::string(130, ',') + "a,]"));
  EXPECT_EQ(1, Match(".a", ".[" + std::string(140, 'b') + ",a]"));
  EXPECT_EQ(0, Match(".zip", std::string(200, '?')));
}

TEST(MatchExtensionPattern, ReadsNeitherInputBeyondItsLength) {
  // The pattern is a slice of the list: the byte after it belongs to the next pattern.
  const char list[] = ".zip;.rar";
  EXPECT_EQ(1, MatchExtensionPattern(".zip", 4, list, 4));
  EXPECT_EQ(0, MatchExtensionPattern(".zip;", 5, list, 4));
  const char open[] = ".[a,b;.rar";
  EXPECT_EQ(0, MatchExtensionPattern(".b", 2, open, 5));
  EXPECT_EQ(0, MatchExtensionPattern(nullptr, 2, open, 5));
  EXPECT_EQ(0, MatchExtensionPattern(".b", -1, open, 5));
}

}  // namespace
