#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "handoff/handoff_file_name.h"

namespace {

std::string NameFor(const std::string& directory, uint32_t returned, bool* made) {
  char name[HANDOFF_PATH_CAPACITY];
  std::memset(name, 'X', sizeof(name));
  *made = MakeHandoffFileName(directory.c_str(), returned, name);
  return std::string(name);  // must be terminated either way
}

std::string NameFor(const std::string& directory, bool* made) {
  return NameFor(directory, static_cast<uint32_t>(directory.size()), made);
}

TEST(HandoffFileName, AddsTheFileNameAfterTheDirectorysBackslash) {
  bool made = false;
  EXPECT_EQ("C:\\users\\me\\Temp\\navtrap.tmp", NameFor("C:\\users\\me\\Temp\\", &made));
  EXPECT_TRUE(made);
}

TEST(HandoffFileName, PutsABackslashBetweenWhenTheDirectoryHasNone) {
  bool made = false;
  EXPECT_EQ("C:\\Temp\\navtrap.tmp", NameFor("C:\\Temp", &made));
  EXPECT_TRUE(made);
}

TEST(HandoffFileName, MakesNoNameWhenGetTempPathFailedOrNeededMore) {
  const struct {
    uint32_t returned;
    const char* why;
  } cases[] = {
      {0, "the call failed"},
      {260, "the directory and its terminator need more than the buffer"},
      {300, "the required size of a longer directory"},
      {0xFFFFFFFF, "a length that would wrap"},
  };
  const std::string directory(259, 'd');
  for (const auto& c : cases) {
    bool made = true;
    EXPECT_EQ("", NameFor(directory, c.returned, &made)) << c.why;
    EXPECT_FALSE(made) << c.why;
  }
}

TEST(HandoffFileName, FitsExactly260BytesAndNotOneMore) {
  // 259 bytes of name plus the terminator: "navtrap.tmp" is 11 bytes.
  bool made = false;
  const std::string fits = std::string(247, 'd') + "\\";  // 248 + 11 = 259
  EXPECT_EQ(fits + "navtrap.tmp", NameFor(fits, &made));
  EXPECT_TRUE(made);

  const std::string tooLong = std::string(248, 'd') + "\\";
  EXPECT_EQ("", NameFor(tooLong, &made));
  EXPECT_FALSE(made);

  // Without a trailing backslash the added one counts too.
  const std::string fitsWithout(247, 'd');  // 247 + 1 + 11 = 259
  EXPECT_EQ(fitsWithout + "\\navtrap.tmp", NameFor(fitsWithout, &made));
  EXPECT_TRUE(made);
  EXPECT_EQ("", NameFor(std::string(248, 'd'), &made));
  EXPECT_FALSE(made);
}

TEST(HandoffFileName, ReadsOnlyTheBytesTheCallReturned) {
  bool made = false;
  // Whatever lies beyond the returned length is not part of the directory.
  EXPECT_EQ("C:\\T\\navtrap.tmp", NameFor("C:\\T\\garbage", 5, &made));
  EXPECT_TRUE(made);
}

}  // namespace
