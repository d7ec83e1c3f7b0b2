#include "platform/GlobalMemory.h"

#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

platform::GlobalBlockState stateOf(HGLOBAL block) {
  platform::GlobalBlockState state;
  EXPECT_TRUE(platform::inspectGlobalBlock(block, state));
  return state;
}

TEST(GlobalMemoryTest, BlocksKeepTheirExactSizeAndLocks) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 100);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 100u);
  auto* data = static_cast<unsigned char*>(GlobalLock(block));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data[99], 0);
  std::memset(data, 0x5A, 100);
  EXPECT_EQ(GlobalLock(block), data);
  EXPECT_EQ(stateOf(block).locks, 2u);
  EXPECT_TRUE(GlobalUnlock(block));  // one lock left
  // A locked block may shrink in place but not move to grow.
  EXPECT_EQ(GlobalReAlloc(block, 50, GMEM_MOVEABLE), block);
  EXPECT_EQ(GlobalSize(block), 50u);
  EXPECT_EQ(GlobalReAlloc(block, 9000, GMEM_MOVEABLE), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(GlobalUnlock(block));  // now unlocked
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GetLastError(), ERROR_NOT_LOCKED);
  ASSERT_EQ(GlobalReAlloc(block, 9000, GMEM_MOVEABLE), block);
  EXPECT_EQ(GlobalSize(block), 9000u);
  data = static_cast<unsigned char*>(GlobalLock(block));
  EXPECT_EQ(data[49], 0x5A);  // the contents up to the smaller size stay
  GlobalUnlock(block);
  EXPECT_EQ(GlobalFree(block), nullptr);

  // A freed handle is refused, not used.
  platform::GlobalBlockState state;
  EXPECT_FALSE(platform::inspectGlobalBlock(block, state));
  EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GlobalLock(block), nullptr);
  EXPECT_EQ(GlobalFree(block), block);
  EXPECT_EQ(GlobalSize(nullptr), 0u);
}

TEST(GlobalMemoryTest, InjectedFailures) {
  platform::failNextGlobalAllocations(1);
  EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, 10), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 0);  // the next one works; 0 bytes too
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 0u);
  platform::failNextGlobalAllocations(1);
  EXPECT_EQ(GlobalReAlloc(block, 10, GMEM_MOVEABLE), nullptr);
  EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(GlobalReAlloc(block, 10, GMEM_MOVEABLE), block);
  EXPECT_EQ(GlobalFree(block), nullptr);
}

}  // namespace
