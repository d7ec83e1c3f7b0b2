// Surfaces loaded from bitmap resources and files.
#include "SurfaceFixture.h"

#include "platform/BinaryResources.h"
#include "platform/Gdi.h"

#include "../../platform/tests/BmpBuilder.h"
#include "../../platform/tests/PngFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using platform::testing::BmpPicture;
using pictrel::testing::SurfaceHolder;

HINSTANCE testModule() { return reinterpret_cast<HINSTANCE>(uintptr_t{0x5EED0000}); }

TEST(SurfaceLoadingTest, BitmapsAreAdoptedOrConverted) {
  const BmpPicture picture{5, 3, 8, false};
  platform::registerBinaryResource(testModule(), RT_BITMAP, MAKEINTRESOURCEW(1), picture.resource());
  SurfaceHolder own;
  ASSERT_EQ(own->LoadBitmapResource(testModule(), MAKEINTRESOURCEW(1), 8), S_OK);
  EXPECT_NE(own->GetHBITMAP(), nullptr);
  int index = 0;
  own->GetPixelIndex(2, 1, &index);
  EXPECT_EQ(static_cast<uint32_t>(index), picture.pixel(2, 1));

  SurfaceHolder converted;
  ASSERT_EQ(converted->LoadBitmapResource(testModule(), MAKEINTRESOURCEW(1), 24), S_OK);
  EXPECT_EQ(converted->GetBitsPerPixel(), 24);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const uint32_t i = picture.pixel(x, y);
      COLORREF color = 0;
      converted->GetPixel(x, y, &color);
      ASSERT_EQ(color, RGB(static_cast<BYTE>(i * 7), static_cast<BYTE>(i * 5), static_cast<BYTE>(i * 3)))
          << x << "," << y;
    }
  EXPECT_EQ(converted->LoadBitmapResource(testModule(), MAKEINTRESOURCEW(2), 24), E_FAIL);
  EXPECT_EQ(converted->GetBitsPerPixel(), 24);  // nothing loaded: the surface stays
  platform::unregisterBinaryResources(testModule());
}

TEST(SurfaceLoadingTest, EncodedPicturesBecomeTopDownThirtyTwoBitSurfaces) {
  for (int bpp : {24, 32}) {
    SCOPED_TRACE(bpp);
    const std::vector<BYTE> png = platform::testing::pngPicture(4, 3, bpp);
    platform::registerBinaryResource(testModule(), u"PNG", MAKEINTRESOURCEW(5), png);
    SurfaceHolder surface;
    ASSERT_EQ(surface->LoadPNGResource(testModule(), 5), S_OK);
    EXPECT_EQ(surface->GetBitsPerPixel(), 32);
    EXPECT_FALSE(surface->IsBottomUp());
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) {
        uint32_t word = 0;
        std::memcpy(&word, surface->GetScanLine(y) + 4 * x, 4);
        ASSERT_EQ(word, platform::testing::pngPixel(x, y, bpp)) << x << "," << y;
      }
    SurfaceHolder fromMemory;
    ASSERT_EQ(fromMemory->LoadImageFromMemory(png.data(), static_cast<DWORD>(png.size())), S_OK);
    uint64_t a = 0, b = 0;
    surface->Checksum(&a);
    fromMemory->Checksum(&b);
    EXPECT_EQ(a, b);
  }
  SurfaceHolder surface;
  EXPECT_EQ(surface->LoadPNGResource(testModule(), 6), E_FAIL);
  EXPECT_EQ(surface->LoadPNGResource(nullptr, 5), E_INVALIDARG);
  EXPECT_EQ(surface->LoadPNGResource(testModule(), 0), E_INVALIDARG);
  EXPECT_EQ(surface->LoadImageFromMemory(nullptr, 4), E_INVALIDARG);
  const char garbage[] = "no picture here";
  EXPECT_EQ(surface->LoadImageFromMemory(garbage, sizeof garbage), E_FAIL);
  platform::unregisterBinaryResources(testModule());
}

}  // namespace
