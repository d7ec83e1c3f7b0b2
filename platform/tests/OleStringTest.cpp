#include "platform/OleString.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

uint32_t prefixOf(BSTR string) {
  uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<const char*>(string) - 4, 4);
  return bytes;
}

TEST(OleStringTest, LayoutHasByteLengthPrefixAndTerminator) {
  BSTR string = SysAllocStringLen(u"a\0bc", 4);
  ASSERT_NE(string, nullptr);
  EXPECT_EQ(prefixOf(string), 8u);
  EXPECT_EQ(SysStringLen(string), 4u);
  EXPECT_EQ(SysStringByteLen(string), 8u);
  EXPECT_EQ(string[4], u'\0');
  EXPECT_EQ(std::u16string(string, 4), std::u16string(u"a\0bc", 4));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(string) % 8, 0u);
  SysFreeString(string);

  BSTR empty = SysAllocStringLen(u"ignored", 0);
  ASSERT_NE(empty, nullptr);  // an empty string, not null
  EXPECT_EQ(SysStringLen(empty), 0u);
  EXPECT_EQ(empty[0], u'\0');
  SysFreeString(empty);

  BSTR zeroed = SysAllocStringLen(nullptr, 3);
  EXPECT_EQ(std::u16string(zeroed, 4), std::u16string(4, u'\0'));
  SysFreeString(zeroed);

  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysAllocStringLen(u"", 0x80000000u), nullptr);  // byte count overflows
  SysFreeString(nullptr);
}

TEST(OleStringTest, ReallocKeepsPrefixOrCopiesFromItself) {
  BSTR string = SysAllocString(u"hello");
  ASSERT_TRUE(SysReAllocStringLen(&string, nullptr, 8));
  EXPECT_EQ(std::u16string(string, 9), std::u16string(u"hello\0\0\0\0", 9));
  ASSERT_TRUE(SysReAllocStringLen(&string, nullptr, 2));
  EXPECT_EQ(std::u16string(string), u"he");
  EXPECT_EQ(SysStringLen(string), 2u);
  // The source may lie inside the string being replaced.
  ASSERT_TRUE(SysReAllocStringLen(&string, string + 1, 1));
  EXPECT_EQ(std::u16string(string), u"e");
  SysFreeString(string);

  // Growing one unit at a time (the block keeps spare room) and shrinking
  // back keep the exact length, the content and the terminator.
  string = SysAllocStringLen(u"", 0);
  std::u16string expected;
  for (int i = 0; i < 300; ++i) {
    ASSERT_TRUE(SysReAllocStringLen(&string, nullptr, static_cast<UINT>(i + 1)));
    string[i] = static_cast<char16_t>(u'a' + i % 26);
    expected.push_back(string[i]);
    ASSERT_EQ(SysStringLen(string), static_cast<UINT>(i + 1));
    ASSERT_EQ(string[i + 1], u'\0');
  }
  EXPECT_EQ(std::u16string(string), expected);
  ASSERT_TRUE(SysReAllocStringLen(&string, nullptr, 3));
  EXPECT_EQ(std::u16string(string), u"abc");
  SysFreeString(string);

  BSTR fromNull = nullptr;
  ASSERT_TRUE(SysReAllocStringLen(&fromNull, u"xy", 2));
  EXPECT_EQ(std::u16string(fromNull), u"xy");
  SysFreeString(fromNull);
}

TEST(OleStringTest, TaskAllocatorGivesUsableBlocks) {
  void* zero = CoTaskMemAlloc(0);
  EXPECT_NE(zero, nullptr);
  CoTaskMemFree(zero);
  auto* block = static_cast<char*>(CoTaskMemAlloc(4));
  std::memcpy(block, "abc", 4);
  block = static_cast<char*>(CoTaskMemRealloc(block, 64));
  EXPECT_STREQ(block, "abc");
  CoTaskMemFree(block);
  CoTaskMemFree(nullptr);
}

}  // namespace
