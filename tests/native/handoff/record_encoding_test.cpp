#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "handoff/record_encoding.h"

namespace {

class BytesSink final : public ByteSink {
 public:
  void Put(const void* bytes, uint32_t length) noexcept override {
    const uint8_t* begin = static_cast<const uint8_t*>(bytes);
    data.insert(data.end(), begin, begin + length);
  }
  std::vector<uint8_t> data;
};

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// Spelled out independently of the encoder: a little-endian 32-bit value, a counted string.
std::string Le32(uint32_t value) {
  return std::string{static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                     static_cast<char>(value >> 24)};
}
std::string Counted(const std::string& text) { return Le32(static_cast<uint32_t>(text.size())) + text; }

template <typename Record>
std::vector<uint8_t> Encoded(const Record& record) {
  BytesSink sink;
  EncodeRecord(record, sink);
  return sink.data;
}

template <typename Record>
uint32_t SizeOf(const Record& record) {
  uint32_t size = 0xDEADBEEF;
  EXPECT_TRUE(RecordSize(record, &size));
  return size;
}

// Encodes, and checks that the size formula agrees with the bytes produced.
template <typename Record>
std::vector<uint8_t> EncodedWithMatchingSize(const Record& record) {
  std::vector<uint8_t> bytes = Encoded(record);
  EXPECT_EQ(bytes.size(), SizeOf(record));
  return bytes;
}

TEST(RecordEncoding, WritesACatchOfAFourteenByteUrlWithoutRefererIn22Bytes) {
  const std::vector<uint8_t> expected = Bytes(std::string("\x0e\0\0\0", 4) + "http://h/a.zip" + std::string(4, '\0'));
  ASSERT_EQ(22u, expected.size());
  EXPECT_EQ(expected, EncodedWithMatchingSize(CatchRecord{"http://h/a.zip", nullptr}));
  EXPECT_EQ(expected, EncodedWithMatchingSize(CatchRecord{"http://h/a.zip", ""}));
}

TEST(RecordEncoding, PutsACatchsTenByteRefererAtOffset18In32Bytes) {
  const std::vector<uint8_t> bytes = EncodedWithMatchingSize(CatchRecord{"http://h/a.zip", "http://h/p"});
  ASSERT_EQ(32u, bytes.size());
  EXPECT_EQ((std::vector<uint8_t>{0x0a, 0, 0, 0}), std::vector<uint8_t>(bytes.begin() + 18, bytes.begin() + 22));
  EXPECT_EQ(Bytes("http://h/p"), std::vector<uint8_t>(bytes.begin() + 22, bytes.end()));
}

TEST(RecordEncoding, WritesAUrlRecordRefererFirstIn13Bytes) {
  const std::vector<uint8_t> expected = {0, 0, 0, 0, 1, 0, 0, 0, 'x', 0, 0, 0, 0};
  EXPECT_EQ(expected, EncodedWithMatchingSize(UrlRecord{nullptr, "x", nullptr}));
  const std::vector<uint8_t> full = EncodedWithMatchingSize(UrlRecord{"ref", "u", "inf"});
  EXPECT_EQ(Bytes(Counted("ref") + Counted("u") + Counted("inf")), full);
}

TEST(RecordEncoding, WritesAListOfThreeAndFiveByteUrlsIn16BytesWithoutACount) {
  const char* urls[] = {"abc", "defgh"};
  const std::vector<uint8_t> expected = {3, 0, 0, 0, 'a', 'b', 'c', 5, 0, 0, 0, 'd', 'e', 'f', 'g', 'h'};
  EXPECT_EQ(expected, EncodedWithMatchingSize(UrlListRecord{urls, 2}));
}

TEST(RecordEncoding, WritesAnExRecordWithFlagsAndFourEmptyStringsIn20Bytes) {
  const std::vector<uint8_t> expected = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(expected, EncodedWithMatchingSize(UrlExRecord{1, nullptr, nullptr, nullptr, nullptr}));
  EXPECT_EQ(expected, EncodedWithMatchingSize(UrlExRecord{1, "", "", "", ""}));
}

TEST(RecordEncoding, KeepsTheFieldOrderOfEachKind) {
  const char* urls[] = {"a", "", "bc"};
  const struct {
    std::vector<uint8_t> actual;
    std::string expected;
    const char* kind;
  } cases[] = {
      {EncodedWithMatchingSize(CatchRecord{"u", "r"}), Counted("u") + Counted("r"), "catch: url, referer"},
      {EncodedWithMatchingSize(UrlRecord{"r", "u", "i"}), Counted("r") + Counted("u") + Counted("i"),
       "url: referer, url, info"},
      {EncodedWithMatchingSize(UrlListRecord{urls, 3}), Counted("a") + Counted("") + Counted("bc"), "list: in array order"},
      {EncodedWithMatchingSize(UrlQueryRecord{"abcd"}), Counted("abcd"), "query"},
      {EncodedWithMatchingSize(UrlQueryRecord{nullptr}), Counted(""), "query without url"},
      {EncodedWithMatchingSize(UrlExRecord{0x12345678, "s", "r", "u", "i"}),
       Le32(0x12345678) + Counted("s") + Counted("r") + Counted("u") + Counted("i"), "ex: flags, saveTo, referer, url, info"},
      {EncodedWithMatchingSize(UrlListExRecord{-1, "st", urls, 3}),
       Le32(0xFFFFFFFF) + Counted("st") + Counted("a") + Counted("") + Counted("bc"), "list ex: flags, saveTo, urls"},
  };
  for (const auto& c : cases) EXPECT_EQ(Bytes(c.expected), c.actual) << c.kind;
}

TEST(RecordEncoding, WritesLengthsLittleEndianWhateverTheirSize) {
  const std::string url(0x0304, 'u');
  const std::vector<uint8_t> bytes = EncodedWithMatchingSize(UrlQueryRecord{url.c_str()});
  ASSERT_EQ(4u + 0x0304u, bytes.size());
  EXPECT_EQ((std::vector<uint8_t>{0x04, 0x03, 0x00, 0x00}), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4));
}

TEST(RecordEncoding, StopsAtEachStringsFirstNulAndTakesBytesAsTheyAre) {
  const char url[] = "a\xe9\x80z\0hidden";
  const std::vector<uint8_t> bytes = EncodedWithMatchingSize(UrlQueryRecord{url});
  EXPECT_EQ((std::vector<uint8_t>{4, 0, 0, 0, 'a', 0xe9, 0x80, 'z'}), bytes);
}

TEST(RecordEncoding, SizesFollowEachKindsFormula) {
  const char* urls[] = {"abc", "defgh", ""};
  const struct {
    uint32_t actual;
    uint32_t formula;
    const char* kind;
  } cases[] = {
      {SizeOf(CatchRecord{"12345", "12"}), 8 + 5 + 2, "catch"},
      {SizeOf(UrlRecord{"12", "123", "1234"}), 12 + 2 + 3 + 4, "url"},
      {SizeOf(UrlListRecord{urls, 3}), (4 + 3) + (4 + 5) + 4, "list"},
      {SizeOf(UrlQueryRecord{"123"}), 4 + 3, "query"},
      {SizeOf(UrlExRecord{7, "1", "12", "123", "1234"}), 20 + 1 + 2 + 3 + 4, "ex"},
      {SizeOf(UrlListExRecord{7, "12", urls, 3}), 8 + 2 + (4 + 3) + (4 + 5) + 4, "list ex"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.formula, c.actual) << c.kind;
}

TEST(RecordEncoding, AnEmptyListHasNoBytes) {
  EXPECT_EQ(0u, SizeOf(UrlListRecord{nullptr, 0}));
  EXPECT_TRUE(Encoded(UrlListRecord{nullptr, 3}).empty()) << "a null array is never read";
  EXPECT_EQ(8u, SizeOf(UrlListExRecord{0, nullptr, nullptr, 0}));
}

TEST(RecordEncoding, RefusesASizeBeyond32BitsInsteadOfWrappingIt) {
  // The same 16 MB string many times over adds up past 4 GB without using that much memory.
  const std::string big(16u << 20, 'b');
  std::vector<const char*> urls(257, big.c_str());  // 257 * (16 MB + 4) > 4 GB
  uint32_t size = 12345;
  EXPECT_FALSE(RecordSize(UrlListRecord{urls.data(), static_cast<uint32_t>(urls.size())}, &size));
  EXPECT_EQ(12345u, size) << "left alone on failure";
  EXPECT_FALSE(RecordSize(UrlListExRecord{0, "s", urls.data(), static_cast<uint32_t>(urls.size())}, &size));

  urls.resize(255);  // 255 * (16 MB + 4) + 8 fits
  EXPECT_TRUE(RecordSize(UrlListExRecord{0, nullptr, urls.data(), 255}, &size));
  EXPECT_EQ(8u + 255u * ((16u << 20) + 4u), size);
}

}  // namespace
