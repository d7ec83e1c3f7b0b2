// Binary resources and bitmaps loaded from them and from files.
#include "platform/BinaryResources.h"

#include "platform/Gdi.h"
#include "platform/PixelFormat.h"

#include "BmpBuilder.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace {

using platform::testing::BmpPicture;

HINSTANCE testModule() { return reinterpret_cast<HINSTANCE>(uintptr_t{0x7E570000}); }

// The bytes with the given bytes written over them at their offsets.
std::string patched(std::string bytes, std::initializer_list<std::pair<size_t, char>> changes) {
  for (const auto& [offset, value] : changes) bytes[offset] = value;
  return bytes;
}

// Every pixel of the section against the picture's pattern.
void expectPixels(HBITMAP bitmap, const BmpPicture& picture) {
  ASSERT_NE(bitmap, nullptr);
  DIBSECTION dib{};
  ASSERT_EQ(GetObjectW(bitmap, sizeof dib, &dib), static_cast<int>(sizeof dib));
  EXPECT_EQ(dib.dsBm.bmWidth, picture.width);
  EXPECT_EQ(dib.dsBm.bmBitsPixel, picture.bpp);
  for (int y = 0; y < picture.height; ++y) {
    const BYTE* row =
        static_cast<BYTE*>(dib.dsBm.bmBits) + static_cast<size_t>(picture.height - 1 - y) * dib.dsBm.bmWidthBytes;
    for (int x = 0; x < picture.width; ++x)
      ASSERT_EQ(platform::readPixel(row, x, picture.bpp), picture.pixel(x, y)) << x << "," << y;
  }
}

TEST(BitmapLoadingTest, ResourcesAreFoundByNumberOrName) {
  const BYTE bytes[] = {1, 2, 3};
  platform::registerBinaryResource(testModule(), u"PNG", MAKEINTRESOURCEW(7), bytes);
  HRSRC resource = FindResourceW(testModule(), MAKEINTRESOURCEW(7), u"png");
  ASSERT_NE(resource, nullptr);
  EXPECT_EQ(SizeofResource(testModule(), resource), 3u);
  EXPECT_EQ(static_cast<BYTE*>(LockResource(LoadResource(testModule(), resource)))[2], 3);
  EXPECT_EQ(FindResourceW(testModule(), MAKEINTRESOURCEW(8), u"PNG"), nullptr);
  EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(7), u"PNG"), nullptr);
  platform::unregisterBinaryResources(testModule());
  EXPECT_EQ(FindResourceW(testModule(), MAKEINTRESOURCEW(7), u"PNG"), nullptr);
}

TEST(BitmapLoadingTest, BitmapsLoadAtTheirOwnDepth) {
  platform::testing::ScratchRoot root;
  const BmpPicture pictures[] = {{5, 3, 1, false}, {5, 3, 4, false},  {5, 3, 8, false},
                                 {5, 3, 16, true}, {5, 3, 24, false}, {5, 3, 32, false}};
  for (const BmpPicture& picture : pictures) {
    SCOPED_TRACE(picture.bpp);
    platform::registerBinaryResource(testModule(), RT_BITMAP, u"Picture", picture.resource());
    HANDLE loaded = LoadImageW(testModule(), u"PICTURE", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    expectPixels(static_cast<HBITMAP>(loaded), picture);
    DeleteObject(loaded);
    const std::u16string file = root.writeFile("picture.bmp", picture.file());
    loaded = LoadImageW(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE);
    expectPixels(static_cast<HBITMAP>(loaded), picture);
    DeleteObject(loaded);
  }
  platform::unregisterBinaryResources(testModule());
}

TEST(BitmapLoadingTest, DamagedBitmapsLoadAsNothing) {
  platform::testing::ScratchRoot root;
  const BmpPicture picture{6, 4, 8, false};
  const std::string whole = picture.file();
  struct {
    const char* name;
    std::string bytes;
  } const damaged[] = {
      {"truncated rows", whole.substr(0, whole.size() - 3)},
      {"truncated header", whole.substr(0, 30)},
      {"not a bitmap", "PK" + whole.substr(2)},
      {"header size past the end", patched(whole, {{14, '\x7F'}, {15, '\x7F'}})},
      {"more rows than held", patched(whole, {{22, 40}})},
      {"pixels past the end", patched(whole, {{10, '\xFF'}, {11, '\x7F'}})},
      {"run-length", patched(whole, {{30, 1}})},
      {"absurd width", patched(whole, {{18, '\xFF'}, {19, '\xFF'}, {20, '\xFF'}, {21, '\x3F'}})},
  };
  for (const auto& row : damaged) {
    SCOPED_TRACE(row.name);
    const std::u16string file = root.writeFile("damaged.bmp", row.bytes);
    EXPECT_EQ(LoadImageW(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE), nullptr);
  }
  EXPECT_EQ(LoadImageW(testModule(), u"missing", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION), nullptr);
}

}  // namespace
