// The raster image drawn into device contexts: unscaled or stretched, on a
// display or a printer, clipped, with the pixels arriving as they are.
#include "zefcorek/ClassIds.h"
#include "zefcorek/FIRasterImage.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Gdi.h"
#include "platform/GdiBlits.h"
#include "platform/GdiText.h"
#include "platform/PixelFormat.h"

#include "ImageLibrary.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

IRasterImage* patternImage(uint32_t bpp) {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IFIRasterImageImp, &out, 0), S_OK);
  auto* image = static_cast<IRasterImage*>(static_cast<IFIRasterImage*>(out));
  RGBQUAD colors[256];
  for (int i = 0; i < 256; ++i)
    colors[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i * 3), static_cast<BYTE>(255 - i), 0};
  EXPECT_EQ(image->Allocate(100, 100, bpp, bpp <= 8 ? colors : nullptr), ZR_OK);
  BYTE* bits = image->GetBits();
  const int rowBytes = (100 * static_cast<int>(bpp) + 31) / 32 * 4;
  for (int i = 0; i < rowBytes * 100; ++i) bits[i] = static_cast<BYTE>(i * 7 + i / rowBytes);
  return image;
}

// The colour of picture pixel (x, y) of the image (rows stored bottom-up).
COLORREF imageColor(IRasterImage* image, uint32_t bpp, int x, int y) {
  const int rowBytes = (100 * static_cast<int>(bpp) + 31) / 32 * 4;
  const BYTE* row = image->GetBits() + (99 - y) * rowBytes;
  if (bpp == 24) return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
  RGBQUAD entry{};
  image->GetPalette(row[x], &entry);
  return RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
}

class Target {
public:
  explicit Target(HDC dc = nullptr) {
    BITMAPINFOHEADER header{sizeof header, 120, -120, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    bitmap_ = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits_, nullptr, 0);
    dc_ = dc ? dc : CreateCompatibleDC(nullptr);
    previous_ = SelectObject(dc_, bitmap_);
  }
  ~Target() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF color(int x, int y) const {
    const uint32_t pixel = static_cast<const uint32_t*>(bits_)[y * 120 + x];
    return RGB(static_cast<BYTE>(pixel >> 16), static_cast<BYTE>(pixel >> 8), static_cast<BYTE>(pixel));
  }

private:
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
};

RasterDrawParms parmsFor(HDC dc, RECT destination) {
  RasterDrawParms parms{};
  parms.size = sizeof parms;
  parms.hdc = dc;
  parms.source = {0, 0, 99, 99};
  parms.destination = destination;
  parms.clip = destination;
  return parms;
}

TEST(RasterImageDrawTest, NearlyEqualSizesCopyAndOthersStretch) {
  for (uint32_t bpp : {8u, 24u}) {
    SCOPED_TRACE(bpp);
    IRasterImage* image = patternImage(bpp);
    Target target;
    platform::resetBlitCallCounts();
    RasterDrawParms parms = parmsFor(target.dc(), {0, 0, 101, 97});
    EXPECT_EQ(image->Draw(&parms), ZR_OK);
    EXPECT_EQ(platform::blitCallCounts().setDIBitsToDevice, 1u);
    EXPECT_EQ(platform::blitCallCounts().stretchDIBits, 0u);
    for (int y = 0; y < 98; y += 7)
      for (int x = 0; x < 100; x += 9) ASSERT_EQ(target.color(x, y), imageColor(image, bpp, x, y)) << x << "," << y;
    EXPECT_EQ(target.color(0, 98), 0u);              // the clip ends at the destination
    EXPECT_EQ(GetClipRgn(target.dc(), nullptr), 0);  // and is gone after the call

    parms = parmsFor(target.dc(), {0, 0, 103, 99});
    EXPECT_EQ(image->Draw(&parms), ZR_OK);
    EXPECT_EQ(platform::blitCallCounts().stretchDIBits, 1u);
    image->Release();
  }
}

TEST(RasterImageDrawTest, BadRecordsDrawNothing) {
  IRasterImage* image = patternImage(24);
  Target target;
  platform::resetBlitCallCounts();
  RasterDrawParms parms = parmsFor(target.dc(), {0, 0, 99, 99});
  parms.size = 72;  // the 32-bit system's size
  EXPECT_EQ(image->Draw(&parms), ZR_BADARG);
  parms.size = sizeof parms - 1;
  EXPECT_EQ(image->Draw(&parms), ZR_BADARG);
  EXPECT_EQ(image->Draw(nullptr), ZR_BADARG);
  const auto counts = platform::blitCallCounts();
  EXPECT_EQ(counts.setDIBitsToDevice + counts.stretchDIBits, 0u);
  EXPECT_EQ(target.color(5, 5), 0u);
  // A clip without width sets no clip.
  parms = parmsFor(target.dc(), {0, 0, 99, 99});
  parms.clip = {4, 4, 4, 50};
  EXPECT_EQ(image->Draw(&parms), ZR_OK);
  EXPECT_EQ(target.color(50, 50), imageColor(image, 24, 50, 50));
  image->Release();
}

TEST(RasterImageDrawTest, PrintersGetTheStockPaletteForImagesWithoutOne) {
  IRasterImage* image = patternImage(24);
  Target printer(platform::createPrinterLikeDC());
  RasterDrawParms parms = parmsFor(printer.dc(), {0, 0, 49, 49});
  EXPECT_EQ(image->Draw(&parms), ZR_OK);
  EXPECT_EQ(GetStretchBltMode(printer.dc()), HALFTONE);
  HGDIOBJ stock = GetStockObject(DEFAULT_PALETTE);
  EXPECT_EQ(GetPaletteEntries(static_cast<HPALETTE>(stock), 0, 0, nullptr), 20u);  // still valid
  EXPECT_NE(printer.color(10, 10), 0u);
  image->Release();
}

// A DIB section holding a copy of an image's pixels, handed to Draw as the
// bitmap's own section while it lives.
class SectionOf {
public:
  SectionOf(IRasterImage* image, uint32_t bpp) {
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colors[256];
    } info{};
    info.header = {sizeof info.header, 100, 100, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
    for (int i = 0; bpp <= 8 && i < 256; ++i) image->GetPalette(static_cast<uint32_t>(i), &info.colors[i]);
    void* bits = nullptr;
    section = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    std::memcpy(bits, image->GetBits(), static_cast<size_t>((100 * bpp + 31) / 32 * 4 * 100));
    zefcorek::imagelib::SetDibSectionHook([](FIBITMAP*) { return section; });
  }
  ~SectionOf() {
    zefcorek::imagelib::SetDibSectionHook(nullptr);
    DeleteObject(section);
    section = nullptr;
  }
  static inline HBITMAP section = nullptr;
};

TEST(RasterImageDrawTest, DisplaysBlitFromTheBitmapsSection) {
  for (uint32_t bpp : {8u, 24u}) {
    SCOPED_TRACE(bpp);
    IRasterImage* image = patternImage(bpp);
    {
      SectionOf section(image, bpp);
      Target target;
      platform::resetBlitCallCounts();
      RasterDrawParms parms = parmsFor(target.dc(), {0, 0, 101, 97});
      EXPECT_EQ(image->Draw(&parms), ZR_OK);
      auto counts = platform::blitCallCounts();
      EXPECT_EQ(counts.bitBlt, 1u);
      EXPECT_EQ(counts.setDIBitsToDevice + counts.stretchDIBits + counts.stretchBlt, 0u);
      for (int y = 0; y < 98; y += 7)
        for (int x = 0; x < 100; x += 9) ASSERT_EQ(target.color(x, y), imageColor(image, bpp, x, y)) << x << "," << y;
      EXPECT_EQ(target.color(0, 98), 0u);
      EXPECT_EQ(GetClipRgn(target.dc(), nullptr), 0);

      parms = parmsFor(target.dc(), {0, 0, 103, 99});
      EXPECT_EQ(image->Draw(&parms), ZR_OK);
      counts = platform::blitCallCounts();
      EXPECT_EQ(counts.stretchBlt, 1u);
      EXPECT_EQ(counts.stretchDIBits, 0u);
      EXPECT_EQ(GetStretchBltMode(target.dc()), COLORONCOLOR);
      EXPECT_EQ(target.color(0, 0), imageColor(image, bpp, 0, 0));
      // The section is selected nowhere once Draw is done: it can go.
      EXPECT_TRUE(DeleteObject(SectionOf::section));
      SectionOf::section = nullptr;
    }
    image->Release();
  }
}

// A parallelogram record: the source rectangle (x, y, width, height) onto
// the corners P0, P1, P3 (P2 completes them).
RasterPlgDrawParms plgFor(HDC dc, RECT source, POINT p0, POINT p1, POINT p3) {
  RasterPlgDrawParms parms{};
  std::memset(parms.unused, 0xAB, sizeof parms.unused);  // never read
  const auto handle = reinterpret_cast<uintptr_t>(dc);
  parms.e = static_cast<int32_t>(static_cast<uint32_t>(handle));
  parms.f = static_cast<int32_t>(static_cast<uint32_t>(handle >> 32));
  const POINT p2{p1.x + p3.x - p0.x, p1.y + p3.y - p0.y};
  const POINT corners[4] = {p0, p1, p2, p3};
  for (int i = 0; i < 4; ++i) {
    parms.corners[i][0] = corners[i].x;
    parms.corners[i][1] = corners[i].y;
  }
  parms.a = source.left;
  parms.b = source.top;
  parms.c = source.right;
  parms.d = source.bottom;
  return parms;
}

TEST(RasterImageDrawTest, ParallelogramsMapTheSourceRectangle) {
  for (uint32_t bpp : {8u, 24u}) {
    SCOPED_TRACE(bpp);
    IRasterImage* image = patternImage(bpp);
    {  // unmoved corners: the pixels of an unscaled Draw
      Target drawn;
      Target mapped;
      RasterDrawParms parms = parmsFor(drawn.dc(), {5, 7, 104, 106});
      parms.clip = {0, 0, 120, 120};
      ASSERT_EQ(image->Draw(&parms), ZR_OK);
      RasterPlgDrawParms plg = plgFor(mapped.dc(), {0, 0, 100, 100}, {5, 7}, {105, 7}, {5, 107});
      ASSERT_EQ(image->DrawParallelogram(&plg), ZR_OK);
      for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 120; ++x) ASSERT_EQ(mapped.color(x, y), drawn.color(x, y)) << x << "," << y;
    }
    {  // a quarter turn clockwise: the top-left corner lands top right
      Target mapped;
      RasterPlgDrawParms plg = plgFor(mapped.dc(), {0, 0, 100, 100}, {100, 0}, {100, 100}, {0, 0});
      ASSERT_EQ(image->DrawParallelogram(&plg), ZR_OK);
      for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) ASSERT_EQ(mapped.color(x, y), imageColor(image, bpp, y, 99 - x)) << x << "," << y;
      EXPECT_EQ(mapped.color(110, 50), 0u);
    }
    {  // part of the image, doubled and mirrored, cut by the DC's clip
      Target mapped;
      HRGN clip = CreateRectRgn(0, 0, 120, 30);
      SelectClipRgn(mapped.dc(), clip);
      DeleteObject(clip);
      RasterPlgDrawParms plg = plgFor(mapped.dc(), {10, 20, 30, 40}, {60, 0}, {0, 0}, {60, 80});
      ASSERT_EQ(image->DrawParallelogram(&plg), ZR_OK);
      for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x)
          ASSERT_EQ(mapped.color(x, y), imageColor(image, bpp, 10 + (59 - x) / 2, 20 + y / 2)) << x << "," << y;
      EXPECT_EQ(mapped.color(10, 30), 0u);  // clipped
      EXPECT_EQ(mapped.color(61, 10), 0u);  // outside
    }
    image->Release();
  }
}

TEST(RasterImageDrawTest, ParallelogramsRefuseWhatCannotBeDrawn) {
  IRasterImage* image = patternImage(24);
  Target target;
  const HDC dc = target.dc();
  EXPECT_EQ(image->DrawParallelogram(nullptr), ZR_BADARG);
  struct Case {
    const char* what;
    RasterPlgDrawParms parms;
  } cases[] = {
      {"no DC", plgFor(nullptr, {0, 0, 10, 10}, {0, 0}, {10, 0}, {0, 10})},
      {"dead DC", plgFor(reinterpret_cast<HDC>(uintptr_t{0x7777}), {0, 0, 10, 10}, {0, 0}, {10, 0}, {0, 10})},
      {"past the right edge", plgFor(dc, {95, 0, 10, 10}, {0, 0}, {10, 0}, {0, 10})},
      {"above the top", plgFor(dc, {0, -1, 10, 10}, {0, 0}, {10, 0}, {0, 10})},
      {"no width", plgFor(dc, {0, 0, 0, 10}, {0, 0}, {10, 0}, {0, 10})},
      {"corners on a line", plgFor(dc, {0, 0, 10, 10}, {0, 0}, {10, 10}, {20, 20})},
  };
  for (Case& c : cases) EXPECT_EQ(image->DrawParallelogram(&c.parms), ZR_FAILED) << c.what;
  EXPECT_EQ(target.color(1, 1), 0u);
  // Corners far off the DC draw what falls on it, and no more.
  RasterPlgDrawParms far = plgFor(dc, {0, 0, 100, 100}, {-2000000000, 0}, {2000000000, 0}, {-2000000000, 2000000000});
  EXPECT_EQ(image->DrawParallelogram(&far), ZR_OK);
  EXPECT_EQ(image->Unload(), ZR_OK);
  RasterPlgDrawParms parms = plgFor(dc, {0, 0, 10, 10}, {0, 0}, {10, 0}, {0, 10});
  EXPECT_EQ(image->DrawParallelogram(&parms), ZR_FAILED);
  image->Release();
}

}  // namespace
