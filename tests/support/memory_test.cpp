#include "support/memory.h"
#include "tests/alloc_faults.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

int g_handlerCalls = 0;
void CountingHandler() { ++g_handlerCalls; }

class MemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_handlerCalls = 0;
    previous_ = SetFatalStopHandler(CountingHandler);
  }
  void TearDown() override {
    MemFailNth(0);
    SetFatalStopHandler(previous_);
  }
  FatalStopHandler previous_ = nullptr;
};

TEST_F(MemoryTest, BlocksComeFromOneHeapAndReleaseAcceptsNull) {
  char* a = static_cast<char*>(MemAllocate(8, 0));
  ASSERT_NE(nullptr, a);
  std::memcpy(a, "abcdefg", 8);
  a = static_cast<char*>(MemResize(a, 64, 0));
  ASSERT_NE(nullptr, a);
  EXPECT_STREQ("abcdefg", a);

  unsigned char* z = static_cast<unsigned char*>(MemAllocateZeroed(4, 16, 0));
  ASSERT_NE(nullptr, z);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(0, z[i]);

  EXPECT_EQ(0, MemRelease(a));
  EXPECT_EQ(0, MemRelease(nullptr));
  void* block = z;
  EXPECT_EQ(nullptr, MemReleaseRef(&block));
  EXPECT_EQ(static_cast<void*>(z), block) << "MemReleaseRef leaves the variable alone";
  EXPECT_EQ(nullptr, MemReleaseRef(nullptr));
}

TEST_F(MemoryTest, ZeroSizedRequestsAreNotFailures) {
  void* a = MemAllocate(0, 0);
  void* b = MemAllocateZeroed(0, 8, 0);
  EXPECT_NE(nullptr, a);
  EXPECT_NE(nullptr, b);
  // Resizing to zero must not free the block behind the caller's back.
  void* c = MemResize(a, 0, 0);
  EXPECT_NE(nullptr, c);
  MemRelease(c);
  MemRelease(b);
}

TEST_F(MemoryTest, StrReleaseAndClearAndMemZero) {
  char* s = static_cast<char*>(MemAllocate(4, 0));
  StrReleaseAndClear(&s);
  EXPECT_EQ(nullptr, s);
  StrReleaseAndClear(&s);  // a null string is allowed
  StrReleaseAndClear(nullptr);

  char buf[4] = {1, 2, 3, 4};
  EXPECT_EQ(0, MemZero(buf, 3));
  EXPECT_EQ(0, buf[0]);
  EXPECT_EQ(0, buf[2]);
  EXPECT_EQ(4, buf[3]);
  EXPECT_EQ(1, MemZero(nullptr, 3));
}

TEST_F(MemoryTest, FaultInjectionFailsExactlyTheNthAllocation) {
  int64_t before = MemAllocationCount();
  MemFailNth(2);
  void* first = MemAllocate(4, 0);
  void* second = MemAllocateZeroed(1, 4, 0);
  void* third = MemAllocate(4, 0);
  EXPECT_NE(nullptr, first);
  EXPECT_EQ(nullptr, second);
  EXPECT_NE(nullptr, third);
  EXPECT_EQ(before + 3, MemAllocationCount());
  EXPECT_EQ(0, g_handlerCalls) << "a failure without the fatal flag is not a stop";

  // A failed resize keeps the old block valid.
  static_cast<char*>(first)[0] = 'k';
  MemFailNth(1);
  EXPECT_EQ(nullptr, MemResize(first, 1 << 20, 0));
  EXPECT_EQ('k', static_cast<char*>(first)[0]);
  MemRelease(first);
  MemRelease(third);
}

TEST_F(MemoryTest, FatalFlagStopsAndThenReturnsNull) {
  int32_t stops = FatalStopCount;
  MemFailNth(1);
  EXPECT_EQ(nullptr, MemAllocate(16, MEM_FATAL));
  EXPECT_EQ(1, g_handlerCalls);
  EXPECT_EQ(stops + 1, FatalStopCount);

  void* fine = MemAllocate(16, MEM_FATAL);
  EXPECT_NE(nullptr, fine);
  EXPECT_EQ(1, g_handlerCalls) << "a successful fatal-flag allocation does not stop";
  MemRelease(fine);

  AssertFailed();
  EXPECT_EQ(2, g_handlerCalls);
}

TEST_F(MemoryTest, DefaultStopIsCountedAndReturns) {
  SetFatalStopHandler(nullptr);
  int32_t stops = FatalStopCount;
  FatalStop();
  EXPECT_EQ(stops + 1, FatalStopCount);
  EXPECT_EQ(nullptr, SetFatalStopHandler(CountingHandler));
}

}  // namespace

// The hook is the only way a test reaches the allocator: what it answers
// decides each allocation, and taking it away (as in the shipped program)
// leaves every allocation to the heap.
TEST_F(MemoryTest, TheAllocationHookDecidesEachAllocationUntilItIsRemoved) {
  static int asked = 0;
  asked = 0;
  MemAllocationHook previous = SetMemAllocationHook([] { return ++asked == 1; });
  EXPECT_EQ(nullptr, MemAllocate(4, 0));
  void* block = MemAllocate(4, 0);
  EXPECT_NE(nullptr, block);
  SetMemAllocationHook(nullptr);
  void* grown = MemResize(block, 8, 0);
  EXPECT_NE(nullptr, grown);
  EXPECT_EQ(2, asked) << "nothing is asked without a hook";
  EXPECT_EQ(nullptr, SetMemAllocationHook(previous));
  MemRelease(grown);
}
