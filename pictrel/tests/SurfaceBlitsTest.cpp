// Blits of a surface into device contexts.
#include "SurfaceFixture.h"

#include "platform/Gdi.h"
#include "platform/GdiBlits.h"
#include "platform/PixelFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using pictrel::testing::SurfaceHolder;

// A DC holding a top-down section of the depth, with the colour table given
// for palette depths.
class TargetDC {
public:
  TargetDC(int width, int height, int bpp, const std::vector<RGBQUAD>& colors = {}, HDC dc = nullptr)
      : width_(width), bpp_(bpp) {
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colors[256];
    } block{};
    block.header = {sizeof(BITMAPINFOHEADER), width, -height, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
    std::copy(colors.begin(), colors.end(), block.colors);
    bitmap_ = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&block), DIB_RGB_COLORS, &bits_, nullptr, 0);
    dc_ = dc ? dc : CreateCompatibleDC(nullptr);
    previous_ = SelectObject(dc_, bitmap_);
  }
  ~TargetDC() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  uint32_t pixel(int x, int y) const {
    const int rowBytes = (width_ * bpp_ + 31) / 32 * 4;
    return platform::readPixel(static_cast<BYTE*>(bits_) + y * rowBytes, x, bpp_);
  }

private:
  int width_;
  int bpp_;
  void* bits_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

TEST(SurfaceBlitsTest, OwnPixelsBlitAndStretchIntoDeviceContexts) {
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(3, 2, 24, nullptr), S_OK);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) surface->SetPixel(x, y, RGB(10 * x, 20 * y, 99));
  TargetDC target(8, 6, 32);
  EXPECT_EQ(surface->BltTo(target.dc(), nullptr, 2, 1, false), S_OK);
  EXPECT_EQ(target.pixel(2, 1), 0x00000063u);
  EXPECT_EQ(target.pixel(4, 2), (20u << 8) | (20u << 16) | 99u);

  const tagT_IRECT2D destination{0, 0, 5, 3};
  EXPECT_EQ(surface->StretchTo(target.dc(), nullptr, &destination, false), S_OK);
  EXPECT_EQ(GetStretchBltMode(target.dc()), COLORONCOLOR);
  EXPECT_EQ(target.pixel(5, 3), target.pixel(4, 2));  // 2 × by whole pixels
  TargetDC printer(8, 6, 32, {}, platform::createPrinterLikeDC());
  EXPECT_EQ(surface->StretchTo(printer.dc(), nullptr, &destination, false), S_OK);
  EXPECT_EQ(GetStretchBltMode(printer.dc()), HALFTONE);

  EXPECT_EQ(surface->BltTo(nullptr, nullptr, 0, 0, false), E_INVALIDARG);
  EXPECT_EQ(surface->StretchTo(target.dc(), nullptr, nullptr, false), E_FAIL);
  SurfaceHolder empty;
  EXPECT_EQ(empty->BltTo(target.dc(), nullptr, 0, 0, false), E_FAIL);
  EXPECT_EQ(empty->AlphaBlendTo(target.dc(), nullptr, 0, 0, nullptr, nullptr), E_FAIL);
}

TEST(SurfaceBlitsTest, RealisedPalettesMapToTheSurfacesColours) {
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(4, 1, 8, nullptr), S_OK);  // grey ramp
  for (int x = 0; x < 4; ++x) surface->SetPixelIndex(x, 0, 60 * x + 10);
  std::vector<RGBQUAD> reversed(256);
  for (int i = 0; i < 256; ++i) {
    const auto level = static_cast<BYTE>(255 - i);
    reversed[static_cast<size_t>(i)] = {level, level, level, 0};
  }
  TargetDC plain(4, 1, 8, reversed);
  EXPECT_EQ(surface->BltTo(plain.dc(), nullptr, 0, 0, false), S_OK);
  EXPECT_EQ(plain.pixel(1, 0), 255u - 70u);  // the target's own table
  TargetDC realised(4, 1, 8, reversed);
  EXPECT_EQ(surface->BltTo(realised.dc(), nullptr, 0, 0, true), S_OK);
  EXPECT_EQ(realised.pixel(1, 0), 70u);  // the palette realised in the DC
  const tagT_IRECT2D twice{0, 0, 7, 1};
  TargetDC wide(8, 2, 8, reversed, platform::createPrinterLikeDC());
  EXPECT_EQ(surface->StretchTo(wide.dc(), nullptr, &twice, true), S_OK);
  EXPECT_EQ(wide.pixel(3, 1), 70u);
}

TEST(SurfaceBlitsTest, AlphaBlendsUseTheSurfacesAlpha) {
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(2, 1, 32, nullptr), S_OK);
  surface->SetPixel(0, 0, 0xFF204060);
  surface->SetPixel(1, 0, 0x00000000);
  TargetDC target(2, 1, 32);
  HDC dc = target.dc();
  EXPECT_EQ(surface->AlphaBlendTo(dc, nullptr, 0, 0, nullptr, nullptr), S_OK);
  EXPECT_EQ(target.pixel(0, 0) & 0x00FFFFFF, 0x00604020u);
  EXPECT_EQ(target.pixel(1, 0), 0u);
  const BLENDFUNCTION half{AC_SRC_OVER, 0, 128, 0};
  EXPECT_EQ(surface->AlphaBlendToEx(dc, nullptr, 0, 0, &half), S_OK);
  EXPECT_NEAR(static_cast<double>(target.pixel(0, 0) & 0xFF), 0x20, 1.0);
  EXPECT_EQ(surface->AlphaBlendToEx(dc, nullptr, 0, 0, nullptr), E_INVALIDARG);
}

}  // namespace
