#include "zefcorek/DynBuffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string contents(TDynBuffer& buffer) {
  const uint8_t* data = buffer.GetPtr();
  return data == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(data), buffer.GetSize());
}

// True when the buffer has storage, found without allocating it.
bool hasStorage(TDynBuffer& buffer) {
  unsigned actual = 0;
  const unsigned size = buffer.GetSize();
  uint8_t* storage = buffer.ReleasePtr(&actual);
  const bool had = storage != nullptr;
  std::free(storage);
  buffer.SetSize(size, /*allocate=*/false);
  return had;
}

TEST(DynBufferTest, StorageIsAllocatedOnFirstAccessAndZeroed) {
  TDynBuffer lazy(100);
  EXPECT_EQ(lazy.GetSize(), 100u);
  EXPECT_FALSE(hasStorage(lazy));
  EXPECT_EQ(lazy.GetActualSize(), 100u);
  EXPECT_EQ(contents(lazy), std::string(100, '\0'));

  TDynBuffer empty;
  EXPECT_EQ(empty.GetPtr(), nullptr);
  EXPECT_EQ(empty.GetActualSize(), 0u);
}

TEST(DynBufferTest, HeadAndTailEdits) {
  // Each step runs on the buffer the previous steps left.
  enum class Op { Append, Prepend, HeadExtract, TailExtract, HeadDelete, TailDelete };
  const struct {
    Op op;
    unsigned count;
    const char* bytes;  // data given, or expected extracted bytes
    bool result;
    const char* after;
  } steps[] = {
      {Op::Append, 3, "abc", true, "abc"},
      {Op::Prepend, 2, "xy", true, "xyabc"},
      {Op::HeadExtract, 2, "xy", true, "abc"},
      {Op::Append, 4, "defg", true, "abcdefg"},
      {Op::TailExtract, 3, "efg", true, "abcd"},
      {Op::HeadDelete, 1, "", true, "bcd"},
      {Op::TailDelete, 1, "", true, "bc"},
      // Counts above the size change nothing.
      {Op::TailDelete, 3, "", false, "bc"},
      {Op::HeadDelete, 3, "", false, "bc"},
      {Op::HeadExtract, 3, "", false, "bc"},
      {Op::TailExtract, 3, "", false, "bc"},
      // No data for a non-zero count is refused; a count of 0 does nothing.
      {Op::Append, 1, nullptr, false, "bc"},
      {Op::Prepend, 1, nullptr, false, "bc"},
      {Op::Append, 0, nullptr, true, "bc"},
      {Op::HeadExtract, 2, "bc", true, ""},
      {Op::Prepend, 2, "pq", true, "pq"},
  };
  TDynBuffer buffer;
  int row = 0;
  for (const auto& step : steps) {
    SCOPED_TRACE(testing::Message() << "step " << ++row);
    char out[8] = {};
    bool result = false;
    switch (step.op) {
      case Op::Append: result = buffer.AppendData(step.count, step.bytes); break;
      case Op::Prepend: result = buffer.PrependData(step.count, step.bytes); break;
      case Op::HeadExtract: result = buffer.HeadExtract(step.count, out); break;
      case Op::TailExtract: result = buffer.TailExtract(step.count, out); break;
      case Op::HeadDelete: result = buffer.HeadDelete(step.count); break;
      case Op::TailDelete: result = buffer.TailDelete(step.count); break;
    }
    EXPECT_EQ(result, step.result);
    if (step.result && (step.op == Op::HeadExtract || step.op == Op::TailExtract)) {
      EXPECT_EQ(std::string(out), step.bytes);
    }
    EXPECT_EQ(contents(buffer), step.after);
  }
  char out[2];
  EXPECT_FALSE(buffer.HeadExtract(1, nullptr));
  EXPECT_FALSE(buffer.TailExtract(1, nullptr));
  EXPECT_EQ(contents(buffer), "pq");
  EXPECT_TRUE(buffer.TailExtract(2, out));
}

TEST(DynBufferTest, ExtractFromASizeWithoutStorageGivesZeros) {
  TDynBuffer buffer(4);
  char out[3] = {'x', 'x', 'x'};
  EXPECT_TRUE(buffer.HeadExtract(3, out));
  EXPECT_EQ(std::string(out, 3), std::string(3, '\0'));
  EXPECT_EQ(buffer.GetSize(), 1u);
}

TEST(DynBufferTest, ResizingKeepsOrDropsStorageBySlack) {
  const std::string pattern(10000, 'z');
  const struct {
    unsigned newSize;
    unsigned actualAfter;  // the storage kept for shrinks of at most 8192 bytes
  } cases[] = {
      {2000, 10000},  // 8000 bytes of slack: kept
      {1808, 10000},  // exactly 8192: kept
      {1807, 1807},   // 8193: reallocated
      {1000, 1000},  {12000, 12000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.newSize);
    TDynBuffer buffer;
    ASSERT_TRUE(buffer.AppendData(10000, pattern.data()));
    EXPECT_TRUE(buffer.SetSizeKeepData(c.newSize));
    EXPECT_EQ(buffer.GetSize(), c.newSize);
    EXPECT_EQ(buffer.GetActualSize(), c.actualAfter);
    const std::string kept = contents(buffer);
    EXPECT_EQ(kept.substr(0, 10000), pattern.substr(0, c.newSize));
    EXPECT_EQ(kept.find_first_not_of('\0', 10000), std::string::npos);
  }
}

TEST(DynBufferTest, GrowingAgainAfterAShrinkReadsZeros) {
  TDynBuffer buffer;
  buffer.AppendData(6, "abcdef");
  buffer.TailDelete(3);
  ASSERT_TRUE(buffer.SetSizeKeepData(5));
  EXPECT_EQ(contents(buffer), std::string("abc\0\0", 5));
}

TEST(DynBufferTest, SetSizeDropsContents) {
  const struct {
    unsigned newSize;
    bool allocate;
    bool storageAfter;
    unsigned actualAfter;
  } cases[] = {
      {3000, false, true, 10000},  // small shrink: storage kept
      {1000, false, false, 0},     // large shrink: storage given back
      {1000, true, true, 1000},    // ... and allocated anew when asked
      {20000, false, false, 0},    // growth never keeps the old storage
      {20000, true, true, 20000}, {10000, false, true, 10000}, {0, true, false, 0},  // nothing to allocate for size 0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.newSize << (c.allocate ? " allocate" : ""));
    TDynBuffer buffer(10000);
    buffer.GetPtr()[0] = 'q';
    EXPECT_EQ(buffer.SetSize(c.newSize, c.allocate), !c.allocate || c.storageAfter);
    EXPECT_EQ(buffer.GetSize(), c.newSize);
    unsigned actual = 12345;
    uint8_t* storage = buffer.ReleasePtr(&actual);
    EXPECT_EQ(storage != nullptr, c.storageAfter);
    EXPECT_EQ(actual, c.actualAfter);
    if (storage != nullptr && c.actualAfter != 10000) {
      EXPECT_EQ(storage[0], 0) << "new storage must be zeroed";
    }
    std::free(storage);
  }
}

// Asked for storage, the resizers answer false whenever none results, and
// the buffer is then empty.
TEST(DynBufferTest, ResizingToNothingAnswersWhetherStorageExists) {
  const struct {
    const char* what;
    unsigned before;  // size before
    bool allocated;   // storage allocated before
    bool keepData;    // SetSizeKeepData(0), else SetSize(0, true)
    bool result;
    unsigned actualAfter;
  } cases[] = {
      {"SetSize: nothing to allocate", 0, false, false, false, 0},
      {"SetSize: a size without storage", 100, false, false, false, 0},
      {"SetSize: small shrink keeps storage", 100, true, false, true, 100},
      {"SetSize: large shrink frees storage", 10000, true, false, false, 0},
      {"KeepData: a size without storage", 100, false, true, false, 0},
      {"KeepData: small shrink keeps storage", 100, true, true, true, 100},
      {"KeepData: reallocating to nothing", 10000, true, true, false, 0},
      {"KeepData: empty stays empty", 0, false, true, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TDynBuffer buffer(c.before);
    if (c.allocated) {
      ASSERT_NE(buffer.GetPtr(), nullptr);
    }
    EXPECT_EQ(c.keepData ? buffer.SetSizeKeepData(0) : buffer.SetSize(0, true), c.result);
    EXPECT_EQ(buffer.GetSize(), 0u);
    unsigned actual = 12345;
    std::free(buffer.ReleasePtr(&actual));
    EXPECT_EQ(actual, c.actualAfter);
  }
}

TEST(DynBufferTest, ReleasePtrHandsOverAndEmpties) {
  TDynBuffer buffer;
  buffer.AppendData(5, "hello");
  unsigned actual = 0;
  uint8_t* storage = buffer.ReleasePtr(&actual);
  ASSERT_NE(storage, nullptr);
  EXPECT_EQ(actual, 5u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(storage), 5), "hello");
  EXPECT_EQ(buffer.GetSize(), 0u);
  EXPECT_EQ(buffer.ReleasePtr(nullptr), nullptr);
  EXPECT_FALSE(buffer.KillPtr());
  std::free(storage);  // the destructor must not free it again
}

TEST(DynBufferTest, BitSetHasOneBitPerByte) {
  TDynBuffer bits(16);
  EXPECT_EQ(bits.GetBitSize(), 16u);
  const struct {
    unsigned index;
    bool accepted;
  } cases[] = {{0, true}, {7, true}, {8, true}, {15, true}, {16, false}, {127, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(bits.SetBit(c.index, true), c.accepted);
    EXPECT_EQ(bits.IsBitSet(c.index), c.accepted);
  }
  // Bits 0..7 are byte 0, bits 8..15 are byte 1.
  EXPECT_EQ(bits.GetPtr()[0], 0x81);
  EXPECT_EQ(bits.GetPtr()[1], 0x81);
  EXPECT_TRUE(bits.SetBit(7, false));
  EXPECT_FALSE(bits.IsBitSet(7));
  EXPECT_TRUE(bits.IsBitSet(0));

  EXPECT_TRUE(bits.BitSetSetAll(true));
  EXPECT_EQ(contents(bits), std::string(16, '\xFF'));
  EXPECT_TRUE(bits.BitSetSetAll(false));
  EXPECT_EQ(contents(bits), std::string(16, '\0'));

  TDynBuffer none;
  EXPECT_TRUE(none.BitSetSetAll(true));
  EXPECT_FALSE(none.SetBit(0, true));
  EXPECT_FALSE(none.IsBitSet(0));
}

}  // namespace
