#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "handoff/shared_block.h"
#include "handoff_test_support.h"

namespace {

// A name of this test's own, so the real block's name is never touched here.
std::string FreshName() {
  static int counter = 0;
  return "navtrap-test-block-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

const uint8_t* Bytes(const SharedBlock& block) { return static_cast<const uint8_t*>(block.view.Get()); }

void ExpectClosed(const SharedBlock& block) {
  EXPECT_FALSE(block.IsOpen());
  EXPECT_EQ(nullptr, block.view.Get());
  EXPECT_EQ(0u, block.size);
  EXPECT_EQ(nullptr, block.mapping.Get());
  EXPECT_EQ(nullptr, block.name.get());
}

// Another process holding a mapping of `size` bytes, each `fill`, under `name`.
class MappingHeldElsewhere {
 public:
  MappingHeldElsewhere(const std::string& name, uint32_t size, int fill)
      : ready_("navtrap-test-held"), release_("navtrap-test-release"),
        peer_("hold-mapping " + name + " " + std::to_string(size) + " " + std::to_string(fill) + " " + ready_.Name() + " " +
              release_.Name()) {
    HANDLE waits[2] = {ready_.Get(), peer_.Handle()};
    held_ = peer_.Started() && ::WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
  }
  ~MappingHeldElsewhere() { release_.Set(); }
  bool Held() const { return held_; }

 private:
  NamedEvent ready_;
  NamedEvent release_;
  PeerProcess peer_;
  bool held_ = false;
};

TEST(SharedBlock, CreatesANewObjectOfTheAskedSize) {
  SharedBlock block;
  const std::string name = FreshName();
  ASSERT_TRUE(block.Create(100, name.c_str()));
  EXPECT_TRUE(block.IsOpen());
  EXPECT_TRUE(block.createdNew);
  EXPECT_EQ(100u, block.size);
  ASSERT_NE(nullptr, block.name.get());
  EXPECT_STREQ(name.c_str(), block.name.get());
  EXPECT_NE(name.c_str(), block.name.get()) << "a copy of its own";

  // The object is really there under that name.
  UniqueHandle other(::OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str()));
  EXPECT_TRUE(other);
}

TEST(SharedBlock, OpensAnObjectThatAnotherProcessHoldsAndShowsItsBytes) {
  const std::string name = FreshName();
  MappingHeldElsewhere held(name, 200, 0xAB);
  ASSERT_TRUE(held.Held());

  SharedBlock block;
  ASSERT_TRUE(block.Create(100, name.c_str()));
  EXPECT_FALSE(block.createdNew);
  EXPECT_EQ(100u, block.size);
  for (int i = 0; i < 200; ++i) ASSERT_EQ(0xAB, Bytes(block)[i]) << "byte " << i;
}

TEST(SharedBlock, RefusesAnExistingObjectWhoseViewIsSmallerThanAsked) {
  // Another handle in this process and another process: either way the object keeps its size.
  SYSTEM_INFO system = {};
  ::GetSystemInfo(&system);
  const uint32_t page = system.dwPageSize;

  const std::string local = FreshName();
  UniqueHandle small(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 22, local.c_str()));
  ASSERT_TRUE(small);
  const std::string remote = FreshName();
  MappingHeldElsewhere held(remote, 22, 0x11);
  ASSERT_TRUE(held.Held());

  for (const std::string& name : {local, remote}) {
    SharedBlock block;
    EXPECT_FALSE(block.Create(page + 1, name.c_str())) << name;
    EXPECT_FALSE(block.createdNew) << name;
    ExpectClosed(block);

    // What the view really covers (the object's page) is accepted, and every write stays in it.
    ASSERT_TRUE(block.Create(page, name.c_str())) << name;
    EXPECT_FALSE(block.createdNew);
    const std::string data(page + 50, 'w');
    uint32_t written = 0;
    EXPECT_TRUE(block.Write(data.data(), static_cast<uint32_t>(data.size()), &written, 0));
    EXPECT_EQ(page, written);
  }
}

TEST(SharedBlock, BoundsWritesByTheAskedSizeEvenInALargerExistingObject) {
  const std::string name = FreshName();
  MappingHeldElsewhere held(name, 8000, 0x22);
  ASSERT_TRUE(held.Held());
  SharedBlock block;
  ASSERT_TRUE(block.Create(10, name.c_str()));
  const std::string data(20, 'x');
  uint32_t written = 0;
  EXPECT_TRUE(block.Write(data.data(), 20, &written, 0));
  EXPECT_EQ(10u, written);
  EXPECT_EQ('x', Bytes(block)[9]);
  EXPECT_EQ(0x22, Bytes(block)[10]) << "the byte after the asked size is untouched";
}

TEST(SharedBlock, WritesAreCutAtTheSizeAndRefusedAtOrPastIt) {
  SharedBlock block;
  ASSERT_TRUE(block.Create(100, FreshName().c_str()));
  const char data[10] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
  const struct {
    uint32_t offset;
    bool result;
    uint32_t count;
  } cases[] = {
      {0, true, 10},
      {90, true, 10},
      {95, true, 5},
      {99, true, 1},
      {100, false, 0},
      {101, false, 0},
      {0xFFFFFFFF, false, 0},
  };
  for (const auto& c : cases) {
    uint32_t written = 12345;
    EXPECT_EQ(c.result, block.Write(data, sizeof(data), &written, c.offset)) << "offset " << c.offset;
    EXPECT_EQ(c.count, written) << "offset " << c.offset;
  }
  // Offset 90 took all ten bytes, 95 the first five, 99 the first one.
  EXPECT_EQ(0, std::memcmp(Bytes(block) + 90, "0123401230", 10));
}

TEST(SharedBlock, WritesWithoutACountPointer) {
  SharedBlock block;
  ASSERT_TRUE(block.Create(16, FreshName().c_str()));
  EXPECT_TRUE(block.Write("abcd", 4, nullptr, 12));
  EXPECT_EQ(0, std::memcmp(Bytes(block) + 12, "abcd", 4));
  EXPECT_FALSE(block.Write("abcd", 4, nullptr, 16));
}

TEST(SharedBlock, ClosingTwiceChangesNothingTheSecondTime) {
  SharedBlock block;
  const std::string name = FreshName();
  ASSERT_TRUE(block.Create(64, name.c_str()));
  EXPECT_TRUE(block.Close());
  ExpectClosed(block);
  EXPECT_FALSE(block.createdNew);
  EXPECT_TRUE(block.Close());
  ExpectClosed(block);

  // The object is gone once its only holder closed it.
  UniqueHandle other(::OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str()));
  EXPECT_FALSE(other);
  uint32_t written = 7;
  EXPECT_FALSE(block.Write("x", 1, &written, 0)) << "a closed block takes no writes";
  EXPECT_EQ(0u, written);
}

TEST(SharedBlock, AFailedCreateLeavesTheBlockClosedAndChangesOnlyCreatedNew) {
  const std::string name = FreshName();
  UniqueHandle event(::CreateEventA(nullptr, TRUE, FALSE, name.c_str()));  // a different kind of object
  ASSERT_TRUE(event);
  SharedBlock block;
  block.createdNew = FALSE;
  EXPECT_FALSE(block.Create(100, name.c_str()));
  ExpectClosed(block);
  EXPECT_TRUE(block.createdNew) << "no object of that name was opened";
}

TEST(SharedBlock, TheProcessHasOneInstanceAndItStartsClosed) {
  SharedBlock& block = ProcessSharedBlock();
  EXPECT_EQ(&block, &ProcessSharedBlock());
  ExpectClosed(block);
  EXPECT_FALSE(block.createdNew);
}

}  // namespace
