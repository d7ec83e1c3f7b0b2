// Blits between DIB sections of every depth pair, stretches, alpha blends
// and blits from packed bits.
#include "platform/GdiBlits.h"

#include "platform/PixelFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Depth {
  int bpp;
  uint32_t masks[3];
};

const Depth kDepths[] = {
    {1, {}}, {4, {}}, {8, {}}, {16, {0xF800, 0x07E0, 0x001F}}, {16, {0x7C00, 0x03E0, 0x001F}}, {24, {}}, {32, {}},
};

// A section with its DC; palette depths get a table of distinct colours.
class Section {
public:
  Section(const Depth& depth, int width, int height) : depth_(depth) {
    struct {
      BITMAPINFOHEADER header;
      uint32_t tail[259];
    } block{};
    block.header = {sizeof(BITMAPINFOHEADER),
                    width,
                    height,
                    1,
                    static_cast<WORD>(depth.bpp),
                    depth.masks[0] ? BI_BITFIELDS : BI_RGB,
                    0,
                    0,
                    0,
                    0,
                    0};
    if (depth.masks[0]) std::memcpy(block.tail, depth.masks, sizeof depth.masks);
    if (depth.bpp <= 8)
      for (uint32_t i = 0; i < (1u << depth.bpp); ++i) block.tail[i] = i * 0x00251A0Fu % 0x01000000u;
    bitmap_ = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&block), DIB_RGB_COLORS, &bits_, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    previous_ = SelectObject(dc_, bitmap_);
    DIBSECTION dib{};
    GetObjectW(bitmap_, sizeof dib, &dib);
    dib_ = dib;
    RGBQUAD colors[256];
    colors_.assign(colors, colors + GetDIBColorTable(dc_, 0, 256, colors));
  }
  ~Section() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  BYTE* row(int y) const {
    const int height = dib_.dsBm.bmHeight;
    return static_cast<BYTE*>(bits_) + static_cast<size_t>(height - 1 - y) * dib_.dsBm.bmWidthBytes;
  }
  platform::PixelFormat format() const {
    return platform::PixelFormat::of(depth_.bpp, depth_.masks[0], depth_.masks[1], depth_.masks[2]);
  }
  COLORREF color(int x, int y) const {
    const uint32_t pixel = platform::readPixel(row(y), x, depth_.bpp);
    if (depth_.bpp > 8) return format().toColor(pixel);
    const RGBQUAD& e = colors_[pixel];
    return RGB(e.rgbRed, e.rgbGreen, e.rgbBlue);
  }
  void setPixel(int x, int y, uint32_t pixel) { platform::writePixel(row(y), x, depth_.bpp, pixel); }
  // The colour this section shows for `color` (nearest entry or the format's).
  COLORREF shown(COLORREF color) const {
    if (depth_.bpp > 8) return format().toColor(format().fromColor(color));
    uint32_t best = 0, bestDistance = UINT32_MAX;
    for (size_t i = 0; i < colors_.size(); ++i) {
      const int r = GetRValue(color) - colors_[i].rgbRed, g = GetGValue(color) - colors_[i].rgbGreen,
                b = GetBValue(color) - colors_[i].rgbBlue;
      const auto d = static_cast<uint32_t>(r * r + g * g + b * b);
      if (d < bestDistance) {
        bestDistance = d;
        best = static_cast<uint32_t>(i);
      }
    }
    return RGB(colors_[best].rgbRed, colors_[best].rgbGreen, colors_[best].rgbBlue);
  }
  const DIBSECTION& dib() const { return dib_; }
  void* bits() const { return bits_; }

private:
  Depth depth_;
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
  DIBSECTION dib_{};
  std::vector<RGBQUAD> colors_;
};

void fillPattern(Section& section, const Depth& depth) {
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      section.setPixel(x, y,
                       depth.bpp <= 8 ? (x * 3 + y * 5) % (1u << depth.bpp) : (x * 0x3B1D + y * 0x7F13) * 0x10101u);
}

TEST(BlitsTest, EveryDepthPairMapsColoursToTheNearestTheTargetHas) {
  for (const Depth& from : kDepths) {
    for (const Depth& to : kDepths) {
      SCOPED_TRACE(testing::Message() << from.bpp << " (" << from.masks[1] << ") → " << to.bpp << " (" << to.masks[1]
                                      << ")");
      Section source(from, 4, 3);
      Section target(to, 6, 5);
      fillPattern(source, from);
      ASSERT_TRUE(BitBlt(target.dc(), 1, 1, 4, 3, source.dc(), 0, 0, SRCCOPY));
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
          ASSERT_EQ(target.color(x + 1, y + 1), target.shown(source.color(x, y))) << x << "," << y;
    }
  }
}

TEST(BlitsTest, ClipRegionsAndStretchesAreExact) {
  const Depth deep{24, {}};
  Section source(deep, 4, 3);
  fillPattern(source, deep);
  Section target(deep, 8, 6);
  HRGN region = CreateRectRgn(0, 0, 2, 6);
  SelectClipRgn(target.dc(), region);
  ASSERT_TRUE(BitBlt(target.dc(), 0, 0, 4, 3, source.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(target.color(1, 1), source.color(1, 1));
  EXPECT_EQ(target.color(2, 1), 0u);  // outside the clip region
  SelectClipRgn(target.dc(), nullptr);
  DeleteObject(region);

  ASSERT_TRUE(StretchBlt(target.dc(), 0, 0, 8, 6, source.dc(), 0, 0, 4, 3, SRCCOPY));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(target.color(x, y), source.color(x / 2, y / 2)) << x << "," << y;
  Section half(deep, 2, 2);
  EXPECT_EQ(SetStretchBltMode(half.dc(), COLORONCOLOR), BLACKONWHITE);
  ASSERT_TRUE(StretchBlt(half.dc(), 0, 0, 2, 2, target.dc(), 0, 0, 4, 4, SRCCOPY));
  EXPECT_EQ(half.color(1, 1), target.color(2, 2));
  EXPECT_EQ(SetStretchBltMode(half.dc(), HALFTONE), COLORONCOLOR);
  ASSERT_TRUE(StretchBlt(half.dc(), 0, 0, 1, 1, source.dc(), 0, 0, 2, 2, SRCCOPY));
  uint32_t red = 0;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) red += GetRValue(source.color(x, y));
  EXPECT_EQ(GetRValue(half.color(0, 0)), (red + 2) / 4);
  EXPECT_FALSE(BitBlt(target.dc(), 0, 0, 1, 1, source.dc(), 0, 0, 0x00EE0086));
}

TEST(BlitsTest, PackedBitsBlitLikeTheirSection) {
  const Depth deep{24, {}};
  Section source(deep, 4, 3);
  fillPattern(source, deep);
  Section viaSection(deep, 4, 3);
  Section viaBits(deep, 4, 3);
  Section viaDevice(deep, 4, 3);
  ASSERT_TRUE(BitBlt(viaSection.dc(), 0, 0, 4, 3, source.dc(), 0, 0, SRCCOPY));
  BITMAPINFO info{};
  info.bmiHeader = source.dib().dsBmih;
  EXPECT_EQ(StretchDIBits(viaBits.dc(), 0, 0, 4, 3, 0, 0, 4, 3, source.bits(), &info, DIB_RGB_COLORS, SRCCOPY), 3);
  EXPECT_EQ(SetDIBitsToDevice(viaDevice.dc(), 0, 0, 4, 3, 0, 0, 0, 3, source.bits(), &info, DIB_RGB_COLORS), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(viaBits.color(x, y), viaSection.color(x, y));
      EXPECT_EQ(viaDevice.color(x, y), viaSection.color(x, y));
    }
  info.bmiHeader.biBitCount = 12;
  EXPECT_EQ(StretchDIBits(viaBits.dc(), 0, 0, 4, 3, 0, 0, 4, 3, source.bits(), &info, DIB_RGB_COLORS, SRCCOPY), 0);
}

TEST(BlitsTest, AlphaBlendsFollowTheFormula) {
  const Depth argb{32, {}};
  Section source(argb, 2, 1);
  Section target(argb, 2, 1);
  source.setPixel(0, 0, 0x80404040);  // premultiplied: alpha 128, channels 64
  source.setPixel(1, 0, 0xFFC08020);
  target.setPixel(0, 0, 0x00C8C8C8);
  target.setPixel(1, 0, 0x00102030);
  ASSERT_TRUE(
      AlphaBlend(target.dc(), 0, 0, 2, 1, source.dc(), 0, 0, 2, 1, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}));
  // d = s + d · (1 − α)
  EXPECT_NEAR(GetRValue(target.color(0, 0)), 0x40 + 0xC8 * (255 - 128) / 255.0, 1.0);
  EXPECT_EQ(target.color(1, 0), source.color(1, 0) & 0x00FFFFFF);
  Section constant(argb, 1, 1);
  constant.setPixel(0, 0, 0x00000000);
  Section white(argb, 1, 1);
  white.setPixel(0, 0, 0x00FFFFFF);
  ASSERT_TRUE(AlphaBlend(constant.dc(), 0, 0, 1, 1, white.dc(), 0, 0, 1, 1, BLENDFUNCTION{AC_SRC_OVER, 0, 128, 0}));
  EXPECT_NEAR(GetRValue(constant.color(0, 0)), 128.0, 1.0);
  // The same blend onto 24 bpp, and stretched, takes the general walk.
  const Depth deep{24, {}};
  Section wide(deep, 2, 1);
  ASSERT_TRUE(AlphaBlend(wide.dc(), 0, 0, 2, 1, white.dc(), 0, 0, 1, 1, BLENDFUNCTION{AC_SRC_OVER, 0, 128, 0}));
  EXPECT_NEAR(GetGValue(wide.color(1, 0)), 128.0, 1.0);
  const Depth words{16, {0xF800, 0x07E0, 0x001F}};
  Section shallow(words, 1, 1);
  EXPECT_FALSE(AlphaBlend(constant.dc(), 0, 0, 1, 1, shallow.dc(), 0, 0, 1, 1,
                          BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}));
}

TEST(BlitsTest, DeviceSettings) {
  HDC printer = platform::createPrinterLikeDC();
  EXPECT_EQ(GetDeviceCaps(printer, TECHNOLOGY), DT_RASPRINTER);
  POINT previous{9, 9};
  EXPECT_TRUE(SetBrushOrgEx(printer, 3, 4, &previous));
  EXPECT_EQ(previous.x, 0);
  POINT point{5, 6};
  EXPECT_TRUE(LPtoDP(printer, &point, 1));
  EXPECT_EQ(point.x, 5);
  EXPECT_TRUE(GdiFlush());
  DeleteDC(printer);
}

}  // namespace
