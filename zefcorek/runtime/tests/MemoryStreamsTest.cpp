#include "zefcorek/MemoryStreams.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/GlobalMemory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

IFIOHGlobalIStream* newInput() {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IFIOHGlobalIStreamImp, &out, 0), S_OK);
  return static_cast<IFIOHGlobalIStream*>(out);
}
IFIOHGlobalOStream* newOutput() {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IFIOHGlobalOStreamImp, &out, 0), S_OK);
  return static_cast<IFIOHGlobalOStream*>(out);
}

// A block holding the bytes, the caller's.
HGLOBAL blockOf(const std::string& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  return block;
}

platform::GlobalBlockState stateOf(HGLOBAL block) {
  platform::GlobalBlockState state;
  EXPECT_TRUE(platform::inspectGlobalBlock(block, state));
  return state;
}

TEST(MemoryStreamsTest, InputReadsWithinTheBlock) {
  IFIOHGlobalIStream* in = newInput();
  void* out = &out;
  EXPECT_EQ(in->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, &out);
  uint8_t byte = 0;
  EXPECT_EQ(in->ReadU8(&byte), ZR_FAILED);  // no block
  HGLOBAL block = blockOf(std::string("\x01\x02\x03\x04", 4));
  ASSERT_EQ(in->AttachHGlobal(block), ZR_OK);
  EXPECT_EQ(stateOf(block).locks, 1u);
  uint32_t u32 = 0;
  EXPECT_EQ(in->ReadU32(&u32), ZR_OK);  // ends exactly at the end
  EXPECT_EQ(u32, 0x04030201u);
  EXPECT_EQ(in->ReadU8(&byte), ZR_NO);
  EXPECT_EQ(in->Read(nullptr, 1), ZR_BADARG);

  struct Row {
    const char* name;
    uint32_t from;
    int32_t skip;
    ZRESULT expected;
    uint32_t position;
  };
  const Row rows[] = {{"back to 0", 3, -3, ZR_OK, 0},
                      {"one past 0", 3, -4, ZR_FAILED, 3},
                      {"to the end", 1, 3, ZR_OK, 4},
                      {"past the end", 1, 4, ZR_FAILED, 1},
                      {"nothing", 2, 0, ZR_OK, 2}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(in->SetPosition(row.from), ZR_OK);
    EXPECT_EQ(in->Skip(row.skip), row.expected);
    uint32_t position = 99;
    EXPECT_EQ(in->GetPosition(&position), ZR_OK);
    EXPECT_EQ(position, row.position);
  }
  EXPECT_EQ(in->SetPosition(4), ZR_OK);  // the size itself
  EXPECT_EQ(in->SetPosition(5), ZR_FAILED);
  EXPECT_EQ(in->GetPosition(nullptr), ZR_BADARG);

  // Releasing the stream leaves the caller's block allocated and unlocked.
  EXPECT_EQ(in->Release(), 0u);
  EXPECT_EQ(stateOf(block).locks, 0u);
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(MemoryStreamsTest, StringsCountFirst) {
  // "AB" at 0 and at 10, then a count far beyond the data.
  std::string bytes("\x02\0\0\0A\0B\0", 8);
  bytes += std::string("xx", 2) + std::string("\x02\0\0\0C\0D\0", 8) + std::string("\xFF\0\0\0Q\0", 6);
  HGLOBAL block = blockOf(bytes);
  IFIOHGlobalIStream* in = newInput();
  ASSERT_EQ(in->AttachHGlobal(block), ZR_OK);
  WCHAR text[8];
  uint32_t count = 0;
  for (uint32_t start : {0u, 10u}) {
    SCOPED_TRACE(start);
    ASSERT_EQ(in->SetPosition(start), ZR_OK);
    EXPECT_EQ(in->ReadString(nullptr, &count), ZR_OK);
    EXPECT_EQ(count, 2u);
    uint32_t position = 0;
    EXPECT_EQ(in->GetPosition(&position), ZR_OK);
    EXPECT_EQ(position, start);  // stepped back over the count
    std::memset(text, 0x55, sizeof(text));
    EXPECT_EQ(in->ReadString(text, &count), ZR_OK);
    EXPECT_EQ(std::u16string(text), start == 0 ? u"AB" : u"CD");
  }
  EXPECT_EQ(in->ReadString(nullptr, nullptr), ZR_BADARG);
  std::memset(text, 0x55, sizeof(text));
  EXPECT_EQ(in->ReadString(text, &count), ZR_NO);  // 255 units announced, 1 there
  EXPECT_EQ(count, 255u);
  EXPECT_EQ(text[0], 0x5555);  // untouched
  EXPECT_EQ(in->DetachHGlobal(), block);
  EXPECT_EQ(in->GetHGlobal(), nullptr);
  EXPECT_EQ(stateOf(block).locks, 0u);
  in->Release();
  GlobalFree(block);
}

TEST(MemoryStreamsTest, OutputGrowsInSteps) {
  IFIOHGlobalOStream* out = newOutput();
  const char bytes[200] = {};
  EXPECT_EQ(out->Write(bytes, 1), ZR_FAILED);  // no block yet
  ASSERT_EQ(out->Allocate(100), ZR_OK);
  HGLOBAL block = out->GetHGlobal();
  EXPECT_EQ(GlobalSize(block), 100u);
  ASSERT_EQ(out->Write(bytes, 200), ZR_OK);
  EXPECT_EQ(GlobalSize(block), 100u + 8192u);
  uint32_t position = 0;
  EXPECT_EQ(out->GetPosition(&position), ZR_OK);
  EXPECT_EQ(position, 200u);
  EXPECT_EQ(out->Write(nullptr, 1), ZR_BADARG);

  ASSERT_EQ(out->AttachHGlobal(GlobalAlloc(GMEM_MOVEABLE, 8192)), ZR_OK);  // frees the first block
  platform::GlobalBlockState state;
  EXPECT_FALSE(platform::inspectGlobalBlock(block, state));
  block = out->GetHGlobal();
  ASSERT_EQ(out->SetPosition(20000), ZR_OK);
  EXPECT_EQ(GlobalSize(block), 8192u + 24576u);
  ASSERT_EQ(out->SetPosition(0), ZR_OK);
  ASSERT_EQ(out->WriteString(u"AB"), ZR_OK);
  ASSERT_EQ(out->WriteU8(0x1FF), ZR_OK);
  ASSERT_EQ(out->Write64(0x0807060504030201ull), ZR_OK);
  EXPECT_EQ(out->Skip(-18), ZR_FAILED);
  EXPECT_EQ(out->Skip(-17), ZR_OK);
  EXPECT_EQ(out->GetPosition(&position), ZR_OK);
  EXPECT_EQ(position, 0u);
  EXPECT_EQ(std::memcmp(GlobalLock(block), "\x02\0\0\0A\0B\0\xFF\x01\x02\x03\x04\x05\x06\x07\x08", 17), 0);
  GlobalUnlock(block);

  // Detached, the block is the caller's; releasing frees an attached one.
  EXPECT_EQ(out->DetachHGlobal(), block);
  EXPECT_EQ(stateOf(block).locks, 0u);
  ASSERT_EQ(out->Allocate(16), ZR_OK);
  HGLOBAL second = out->GetHGlobal();
  EXPECT_EQ(out->Release(), 0u);
  EXPECT_FALSE(platform::inspectGlobalBlock(second, state));
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(MemoryStreamsTest, FailedGrowthKeepsWhatWasWritten) {
  IFIOHGlobalOStream* out = newOutput();
  ASSERT_EQ(out->Allocate(8), ZR_OK);
  ASSERT_EQ(out->Write("12345678", 8), ZR_OK);
  platform::failNextGlobalAllocations(1);
  EXPECT_EQ(out->Write("9", 1), ZR_FAILED);
  platform::failNextGlobalAllocations(1);
  EXPECT_EQ(out->SetPosition(100), ZR_FAILED);
  uint32_t position = 0;
  EXPECT_EQ(out->GetPosition(&position), ZR_OK);
  EXPECT_EQ(position, 8u);
  HGLOBAL block = out->GetHGlobal();
  EXPECT_EQ(stateOf(block).locks, 1u);   // locked again, at its address
  ASSERT_EQ(out->Write("9", 1), ZR_OK);  // and usable
  EXPECT_EQ(std::memcmp(GlobalLock(block), "123456789", 9), 0);
  GlobalUnlock(block);
  out->Release();
}

}  // namespace
