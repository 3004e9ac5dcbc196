#include <gtest/gtest.h>

#include <string>

#include "screening/url_parts.h"

namespace {

struct PartsCase {
  const char* url;
  int selection;
  const char* expected;  // null: absent
};

std::string Describe(const PartsCase& c) { return std::string(c.url ? c.url : "(null)") + " / " + std::to_string(c.selection); }

TEST(ExtractUrlParts, TakesTheSelectedComponentsInFixedOrder) {
  const PartsCase cases[] = {
      // The worked examples.
      {"ftp://host:21/d/f.tar.gz?x=1#top", 0x10, "ftp:"},
      {"ftp://host:21/d/f.tar.gz?x=1#top", 0x18, "ftp://host:21"},
      {"ftp://host:21/d/f.tar.gz?x=1#top", 0x08, "host:21"},
      {"ftp://host:21/d/f.tar.gz?x=1#top", 0x04, "/d/f.tar.gz"},
      {"ftp://host:21/d/f.tar.gz?x=1#top", 0x05, "/d/f.tar.gz?x=1"},
      {"ftp://host:21/d/f.tar.gz?x=1#top", 0x03, "#top?x=1"},
      {"ftp://host:21/d/f.tar.gz?x=1#top", 0x07, "/d/f.tar.gz#top?x=1"},
      {"file:///c:/dir/a.txt", 0x18, "file:///"},
      {"file:///c:/dir/a.txt", 0x04, "/c:/dir/a.txt"},
      {"mailto:someone", 0x04, "someone"},
      // Scheme alone never adds the slashes.
      {"ftp://host/x", 0x10, "ftp:"},
      {"ftp://host/x", 0x30, "ftp://"},
      // Delimiters found by their first occurrence.
      {"ftp://host?x=/a", 0x08, "host"},
      {"ftp://host?x=/a", 0x04, "/a"},
      {"ftp://host/a.zip#frag?b.rar", 0x04, "/a.zip"},
      {"ftp://host/a.zip#frag?b.rar", 0x02, "#frag"},
      {"ftp://host/a.zip#frag?b.rar", 0x01, "?b.rar"},
      {"host:81/a.zip", 0x10, "host:"},
      {"host:81/a.zip", 0x04, "81/a.zip"},
      {"dir/a.zip?x", 0x04, ""},
      {"dir/a.zip?x", 0x05, "?x"},
      {"ftp://host.zip", 0x04, ""},
      {"ftp://host/d#x", 0x04, "/d"},
      // User information.
      {"ftp://u:p@host/x", 0x20, "u"},
      {"ftp://u:p@host/x", 0x60, "u:p"},
      {"ftp://u:p@host/x", 0x40, ""},
      {"ftp://u:p@host/x", 0x68, "u:p@host"},
      {"ftp://u:p@host/x", 0x78, "ftp://u:p@host"},
      {"ftp://u@host/x", 0x68, "u@host"},
      {"ftp://host/x", 0x28, "host"},
      {"ftp://u:p@host/x", 0x08, "host"},
      {"ftp:///x@y", 0x28, ""},
      // Not in authority form: no host, path right after the colon.
      {"http:/x/y", 0x08, ""},
      {"http:/x/y", 0x18, "http:/"},  // the third byte after the colon is "/"
      {"http:/x/y", 0x04, "/x/y"},
      {"x://", 0x1F, "x://"},
      {"", 0x7F, ""},
      {":", 0x14, ":"},
  };
  for (const PartsCase& c : cases) {
    OwnedString result = ExtractUrlParts(c.url, c.selection);
    ASSERT_TRUE(result) << Describe(c);
    EXPECT_STREQ(c.expected, result.get()) << Describe(c);
  }
}

TEST(ExtractUrlParts, KeepsAbsentApartFromEmpty) {
  EXPECT_FALSE(ExtractUrlParts(nullptr, 0x7F));
  OwnedString empty = ExtractUrlParts("no-delimiters", URL_PART_PATH | URL_PART_HOST);
  ASSERT_TRUE(empty);
  EXPECT_STREQ("", empty.get());
}

TEST(ExtractUrlParts, CutsAHostAt120Bytes) {
  const std::string host120(120, 'h');
  const std::string host130(130, 'h');
  EXPECT_STREQ(host120.c_str(), ExtractUrlParts(("ftp://" + host120 + "/a").c_str(), URL_PART_HOST).get());
  EXPECT_STREQ(host120.c_str(), ExtractUrlParts(("ftp://" + host130 + "/a").c_str(), URL_PART_HOST).get());
}

TEST(ExtractUrlParts, LeavesTheUrlUnchanged) {
  char url[] = "ftp://u:p@host:21/d/f.tar.gz?x=1#top";
  const std::string before = url;
  for (int selection = 0; selection < 0x80; ++selection) ExtractUrlParts(url, selection);
  EXPECT_EQ(before, url);
}

struct ExtensionCase {
  const char* url;
  int withQuery;
  const char* expected;  // null: no extension
};

TEST(GetUrlExtension, FindsTheLastSeparatorOfThePathOrPathAndQuery) {
  const ExtensionCase cases[] = {
      {"ftp://host:21/d/f.tar.gz?x=1#top", 0, ".gz"},
      {"ftp://host:21/d/f.tar.gz?x=1#top", 1, ".gz?x=1"},
      {nullptr, 0, nullptr},
      {nullptr, 1, nullptr},
      {"dir/a.zip?x", 0, nullptr},
      {"dir/a.zip?x", 1, nullptr},
      {"ftp://host/dir.old/file", 0, nullptr},
      {"ftp://host/dir.old/file", 1, nullptr},
      {"ftp://host/a.", 0, "."},
      {"ftp://host.zip", 0, nullptr},
      {"ftp://host.zip", 1, nullptr},
      {"ftp://host/a.zip?u=/x", 1, nullptr},
      {"ftp://host/a.zip?u=/x", 0, ".zip"},
      {"ftp://host/a.zip#frag?b.rar", 1, ".rar"},
      {"ftp://host/a.zip#frag?b.rar", 0, ".zip"},
      {"ftp://host/a.zip#x?y", 1, ".zip?y"},  // path and query joined across the fragment
      {"host:81/a.zip", 0, ".zip"},
      {"http://h/get?f=a.zip", 1, ".zip"},
      {"http://h/get?f=a.zip", 0, nullptr},
      {"http://h/a.b.c", 0, ".c"},
      {"", 1, nullptr},
  };
  for (const ExtensionCase& c : cases) {
    OwnedString result = GetUrlExtension(c.url, '.', c.withQuery);
    const std::string where = std::string(c.url ? c.url : "(null)") + (c.withQuery ? " with query" : " path only");
    if (c.expected == nullptr) {
      EXPECT_FALSE(result) << where << " gave " << result.get();
    } else {
      ASSERT_TRUE(result) << where;
      EXPECT_STREQ(c.expected, result.get()) << where;
    }
  }
}

TEST(GetUrlExtension, UsesTheSeparatorItIsGiven) {
  EXPECT_STREQ("_b", GetUrlExtension("ftp://h/a_b", '_', 0).get());
  EXPECT_FALSE(GetUrlExtension("ftp://h/a_b", '.', 0));
}

}  // namespace
