#include "RasterImageImp.h"
#include "ScratchFolder.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ImgIOExpertImp.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/GdiTypes.h"
#include "platform/GlobalMemory.h"

#include "FreeImageApi.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

namespace {

using Rgb = std::array<uint8_t, 3>;

// An image of `bpp` bits around a fresh bitmap; palette images get a grey
// ramp (or black and white at 1 bit) so indices map to known colours.
IFIRasterImageImp* makeImage(int width, int height, int bpp, IImgIOExpert* expert = nullptr) {
  auto* image = new IFIRasterImageImp(expert, nullptr);
  EXPECT_EQ(image->Allocate(width, height, bpp, nullptr), ZR_OK) << bpp;
  return image;
}

Rgb pixelOf(IRasterImage* image, int x, int y) {
  Rgb rgb{};
  EXPECT_EQ(image->GetPixelRGB(x, y, rgb.data()), ZR_OK) << x << "," << y;
  return rgb;
}

FIBITMAP* bitmapOf(IRasterImage* image) { return zefcorek::bitmapOf(image); }

TEST(RasterImageOpsTest, RotateTurnsClockwiseForPositiveAngles) {
  IFIRasterImageImp* wide = makeImage(100, 50, 24);
  EXPECT_EQ(wide->Rotate(9000), ZR_OK);
  uint32_t width = 0, height = 0;
  EXPECT_EQ(wide->GetSize(&width, &height), ZR_OK);
  EXPECT_EQ(width, 50u);
  EXPECT_EQ(height, 100u);
  wide->Release();

  // Row 0 is the bottom of the picture: its left pixel goes to the top left.
  IFIRasterImageImp* small = makeImage(4, 3, 24);
  ASSERT_EQ(small->Fill(RGB(0, 0, 0)), ZR_OK);
  ASSERT_EQ(small->SetPixel(0, 0, RGB(255, 0, 0)), ZR_OK);
  EXPECT_EQ(small->Rotate(9000), ZR_OK);
  EXPECT_EQ(pixelOf(small, 0, 3), (Rgb{255, 0, 0}));
  EXPECT_EQ(pixelOf(small, 0, 0), (Rgb{0, 0, 0}));
  small->Release();

  // The most negative angle has no int negation; it still turns the image.
  IFIRasterImageImp* extreme = makeImage(4, 3, 24);
  EXPECT_EQ(extreme->Rotate(std::numeric_limits<int32_t>::min()), ZR_OK);
  EXPECT_EQ(extreme->GetSize(&width, &height), ZR_OK);
  EXPECT_GT(width * height, 0u);
  extreme->Release();

  // The library turns no 4-bit image: the image stays as it was.
  IFIRasterImageImp* fourBit = makeImage(4, 3, 4);
  FIBITMAP* before = bitmapOf(fourBit);
  EXPECT_EQ(fourBit->Rotate(9000), ZR_OUTOFMEMORY);
  EXPECT_EQ(bitmapOf(fourBit), before);
  fourBit->Release();
}

TEST(RasterImageOpsTest, ConvertToBppKeepsOrReplacesTheBitmap) {
  IFIRasterImageImp* image = makeImage(8, 8, 24);
  FIBITMAP* original = bitmapOf(image);
  EXPECT_EQ(image->ConvertToBPP(24, false), ZR_OK);
  EXPECT_EQ(bitmapOf(image), original) << "the same depth does nothing";
  EXPECT_EQ(image->ConvertToBPP(12, false), ZR_FAILED);
  EXPECT_EQ(bitmapOf(image), original);
  EXPECT_TRUE(image->IsUnmodified());

  const struct {
    uint32_t bpp;
    bool dither;
    uint32_t expected;
  } steps[] = {{32, false, 32}, {8, false, 8}, {16, false, 16}, {15, false, 16}, {24, false, 24},
               {1, true, 1},    {4, false, 4}, {24, false, 24}, {1, false, 1}};
  for (const auto& step : steps) {
    image->SetModified(false);
    EXPECT_EQ(image->ConvertToBPP(step.bpp, step.dither), ZR_OK) << step.bpp;
    uint32_t bpp = 0;
    EXPECT_EQ(image->GetBPP(&bpp), ZR_OK);
    EXPECT_EQ(bpp, step.expected);
    EXPECT_FALSE(image->IsUnmodified()) << step.bpp;
  }
  EXPECT_EQ(image->ConvertToGrey(), ZR_OK);
  image->Release();
}

TEST(RasterImageOpsTest, AllocateGivesDefaultPalettes) {
  const struct {
    uint32_t bpp;
    uint32_t entry;
    BYTE level;
  } entries[] = {
      {8, 200, 200}, {8, 0, 0},   {8, 255, 255},  // the grey ramp
      {1, 0, 0},     {1, 1, 255},                 // black, white
      {2, 2, 0},     {2, 3, 255},                 // black but the last of four
      {4, 0, 0},     {4, 14, 0},  {4, 15, 255},
  };
  for (const auto& row : entries) {
    IFIRasterImageImp* image = makeImage(10, 10, row.bpp);
    EXPECT_TRUE(image->IsUnmodified()) << "allocation clears the flag";
    RGBQUAD quad{};
    EXPECT_EQ(image->GetPalette(row.entry, &quad), ZR_OK);
    EXPECT_EQ(quad.rgbRed, row.level) << row.bpp << "/" << row.entry;
    EXPECT_EQ(quad.rgbGreen, row.level);
    EXPECT_EQ(quad.rgbBlue, row.level);
    // An index past the palette is refused. (The library makes 8-bit
    // bitmaps when asked for 2 bits.)
    const uint32_t entries = row.bpp == 2 ? 256 : 1u << row.bpp;
    EXPECT_EQ(image->GetPalette(entries, &quad), ZR_BADARG);
    image->Release();
  }
  IFIRasterImageImp* deep = makeImage(2, 2, 24);
  RGBQUAD quad{};
  EXPECT_EQ(deep->GetPalette(0, &quad), ZR_FAILED);
  EXPECT_EQ(quad.rgbRed + quad.rgbGreen + quad.rgbBlue, 3 * 255) << "white without palette";
  EXPECT_EQ(deep->Allocate(0, 2, 24, nullptr), ZR_FAILED) << "the library makes no empty bitmap";
  EXPECT_EQ(deep->GetBits(), nullptr);
  deep->Release();
}

TEST(RasterImageOpsTest, PixelAccessAtEveryDepth) {
  for (int bpp : {1, 4, 8, 24, 32}) {
    IFIRasterImageImp* image = makeImage(5, 4, bpp);
    COLORREF color = 0;
    for (auto [x, y] : {std::pair{-1, 0}, {5, 0}, {0, 4}, {0, -1}}) {
      EXPECT_EQ(image->GetPixel(x, y, &color), ZR_FAILED) << bpp;
      EXPECT_EQ(color, 0x00FFFFFFu);
      Rgb rgb{1, 2, 3};
      EXPECT_EQ(image->GetPixelRGB(x, y, rgb.data()), ZR_FAILED);
      EXPECT_EQ(rgb, (Rgb{255, 255, 255}));
      EXPECT_EQ(image->SetPixel(x, y, 0), ZR_FAILED);
    }
    image->Release();
  }
  // At 8 bits the low byte is an index and a read gives its palette colour.
  IFIRasterImageImp* grey = makeImage(5, 4, 8);
  EXPECT_EQ(grey->SetPixel(2, 1, 0x123456), ZR_OK);
  COLORREF color = 0;
  EXPECT_EQ(grey->GetPixel(2, 1, &color), ZR_OK);
  EXPECT_EQ(color, RGB(0x56, 0x56, 0x56));
  grey->Release();

  IFIRasterImageImp* rgb = makeImage(5, 4, 24);
  EXPECT_EQ(rgb->SetPixel(4, 3, RGB(10, 20, 30)), ZR_OK);
  EXPECT_EQ(rgb->GetPixelLocked(4, 3, &color), ZR_OK);
  EXPECT_EQ(color, RGB(10, 20, 30));
  const uint8_t triple[3] = {7, 8, 9};
  EXPECT_EQ(rgb->SetPixelRGB(0, 0, triple), ZR_OK);
  EXPECT_EQ(pixelOf(rgb, 0, 0), (Rgb{7, 8, 9}));
  EXPECT_EQ(rgb->GetLockCount(), 0);
  rgb->Release();
}

TEST(RasterImageOpsTest, SampleNearestBilinearAndBicubic) {
  IFIRasterImageImp* image = makeImage(2, 2, 24);
  ASSERT_EQ(image->SetPixel(0, 0, RGB(0, 0, 0)), ZR_OK);
  ASSERT_EQ(image->SetPixel(1, 0, RGB(100, 0, 0)), ZR_OK);
  ASSERT_EQ(image->SetPixel(0, 1, RGB(0, 100, 0)), ZR_OK);
  ASSERT_EQ(image->SetPixel(1, 1, RGB(100, 100, 200)), ZR_OK);
  Rgb out{};
  const uint8_t fallback[3] = {1, 2, 3};
  EXPECT_EQ(image->Sample(0, -0.5, 1, fallback, out.data()), ZR_NO);
  EXPECT_EQ(out, (Rgb{1, 2, 3}));
  EXPECT_EQ(image->Sample(0, 1, 2, nullptr, out.data()), ZR_NO);
  EXPECT_EQ(out, (Rgb{255, 255, 255}));
  EXPECT_EQ(image->Sample(3, 0, 0, nullptr, out.data()), ZR_BADARG);
  EXPECT_EQ(image->Sample(0, 0, 0, nullptr, nullptr), ZR_BADARG);

  // The centre of the four pixels is their mean.
  EXPECT_EQ(image->Sample(1, 0.5, 0.5, nullptr, out.data()), ZR_OK);
  EXPECT_EQ(out, (Rgb{50, 50, 50}));
  // At whole coordinates bilinear and nearest agree.
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) {
    Rgb nearest{}, bilinear{};
    EXPECT_EQ(image->Sample(0, x, y, nullptr, nearest.data()), ZR_OK);
    EXPECT_EQ(image->Sample(1, x, y, nullptr, bilinear.data()), ZR_OK);
    EXPECT_EQ(nearest, bilinear) << x << "," << y;
  }
  image->Release();

  IFIRasterImageImp* flat = makeImage(6, 6, 24);
  ASSERT_EQ(flat->Fill(RGB(90, 120, 200)), ZR_OK);
  for (double at : {0.0, 0.3, 2.5, 5.9}) {
    EXPECT_EQ(flat->Sample(2, at, 5.9 - at, nullptr, out.data()), ZR_OK);
    EXPECT_EQ(out, (Rgb{90, 120, 200})) << at;
  }
  flat->Release();
}

TEST(RasterImageOpsTest, CopyRectFromNormalisesCornersAndChecksDepths) {
  IFIRasterImageImp* source = makeImage(12, 12, 24);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) ASSERT_EQ(source->SetPixel(x, y, RGB(x * 10, y * 10, 7)), ZR_OK);
  }
  const RECT forward{0, 0, 10, 10};
  const RECT backward{10, 10, 0, 0};
  const RECT target{1, 1, 20, 20};
  IFIRasterImageImp* a = makeImage(12, 12, 24);
  IFIRasterImageImp* b = makeImage(12, 12, 24);
  ASSERT_EQ(a->Fill(0), ZR_OK);
  ASSERT_EQ(b->Fill(0), ZR_OK);
  EXPECT_EQ(a->CopyRectFrom(source, &forward, &target, nullptr), ZR_OK);
  EXPECT_EQ(b->CopyRectFrom(source, &backward, &target, nullptr), ZR_OK);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool copied = x >= 1 && y >= 1;  // 11 x 11 block from (1, 1)
      const Rgb expected = copied ? Rgb{uint8_t((x - 1) * 10), uint8_t((y - 1) * 10), 7} : Rgb{};
      EXPECT_EQ(pixelOf(a, x, y), expected) << x << "," << y;
      EXPECT_EQ(pixelOf(b, x, y), expected) << x << "," << y;
    }
  }
  // With a region only the points inside it change.
  IFIRasterImageImp* clipped = makeImage(12, 12, 24);
  ASSERT_EQ(clipped->Fill(0), ZR_OK);
  HRGN region = CreateRectRgn(2, 3, 5, 6);  // right and bottom edges outside
  EXPECT_EQ(clipped->CopyRectFrom(source, &forward, &target, region), ZR_OK);
  DeleteObject(region);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool inside = x >= 2 && x < 5 && y >= 3 && y < 6;
      const Rgb expected = inside ? Rgb{uint8_t((x - 1) * 10), uint8_t((y - 1) * 10), 7} : Rgb{};
      EXPECT_EQ(pixelOf(clipped, x, y), expected) << x << "," << y;
    }
  }
  clipped->Release();

  IFIRasterImageImp* grey = makeImage(12, 12, 8);
  EXPECT_EQ(grey->CopyRectFrom(source, &forward, &target, nullptr), ZR_FAILED);
  EXPECT_EQ(a->CopyRectFrom(source, nullptr, &target, nullptr), ZR_BADARG);
  for (auto* image : {source, a, b, grey}) image->Release();
}

// Rectangles far larger than either image copy only where both images have
// pixels, and come back at once instead of walking 2^31 x 2^31 points.
TEST(RasterImageOpsTest, CopyRectFromHugeRectanglesCopiesTheOverlapOnly) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  IFIRasterImageImp* source = makeImage(6, 5, 24);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x) ASSERT_EQ(source->SetPixel(x, y, RGB(x * 10, y * 10, 7)), ZR_OK);
  }
  struct Case {
    RECT from, to;
    int shiftX, shiftY;  // target point minus source point
  };
  const Case cases[] = {
      {{kMin, kMin, kMax, kMax}, {kMin, kMin, kMax, kMax}, 0, 0},
      {{kMax, kMax, kMin, kMin}, {kMin, kMin, kMax, kMax}, 0, 0},
      {{-2, -3, kMax, kMax}, {0, 0, kMax, kMax}, 2, 3},
      {{0, 0, kMax, kMax}, {kMin, kMin, kMax, kMax}, kMin, kMin},  // nothing overlaps
  };
  for (const Case& c : cases) {
    IFIRasterImageImp* target = makeImage(7, 4, 24);
    ASSERT_EQ(target->Fill(0), ZR_OK);
    EXPECT_EQ(target->CopyRectFrom(source, &c.from, &c.to, nullptr), ZR_OK);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 7; ++x) {
        const int64_t sx = int64_t{x} - c.shiftX, sy = int64_t{y} - c.shiftY;
        const bool copied = sx >= 0 && sx < 6 && sy >= 0 && sy < 5;
        const Rgb expected = copied ? Rgb{uint8_t(sx * 10), uint8_t(sy * 10), 7} : Rgb{};
        EXPECT_EQ(pixelOf(target, x, y), expected) << c.shiftX << " " << x << "," << y;
      }
    }
    target->Release();
  }
  source->Release();
}

TEST(RasterImageOpsTest, ColorMaskIsBlackAndWhite) {
  // A deeper image becomes 8-bit grey first, so grey colours are listed.
  auto* expert = new IImgIOExpertImp();
  IFIRasterImageImp* image = makeImage(4, 1, 24, expert);
  const COLORREF colors[] = {RGB(20, 20, 20), RGB(128, 128, 128), RGB(60, 60, 60), RGB(20, 20, 20)};
  for (int x = 0; x < 4; ++x) ASSERT_EQ(image->SetPixel(x, 0, colors[x]), ZR_OK);
  const uint32_t listed[] = {RGB(128, 128, 128)};
  IRasterImage* mask = nullptr;
  ASSERT_EQ(image->CreateColorMask(1, listed, &mask), ZR_OK);
  uint32_t bpp = 0;
  EXPECT_EQ(mask->GetBPP(&bpp), ZR_OK);
  EXPECT_EQ(bpp, 8u);
  RGBQUAD entry{};
  EXPECT_EQ(mask->GetPalette(0, &entry), ZR_OK);
  EXPECT_EQ(entry.rgbRed, 255) << "entry 0 is white";
  EXPECT_EQ(mask->GetPalette(1, &entry), ZR_OK);
  EXPECT_EQ(entry.rgbRed, 0) << "entry 1 is black";
  for (uint32_t index = 0; index < 256; ++index) {
    ASSERT_EQ(mask->GetPalette(index, &entry), ZR_OK);
    EXPECT_TRUE(entry.rgbRed == entry.rgbGreen && entry.rgbGreen == entry.rgbBlue &&
                (entry.rgbRed == 0 || entry.rgbRed == 255));
  }
  // The listed grey's entry became white, the others black.
  EXPECT_EQ(pixelOf(mask, 1, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(pixelOf(mask, 0, 0), (Rgb{0, 0, 0}));
  mask->Release();

  // A palette reference names an entry of the image's own palette.
  IFIRasterImageImp* grey = makeImage(4, 1, 8, expert);
  ASSERT_EQ(grey->SetPixel(2, 0, 77), ZR_OK);
  const uint32_t reference[] = {0x01000000u | 77};
  ASSERT_EQ(grey->CreateColorMask(1, reference, &mask), ZR_OK);
  EXPECT_EQ(pixelOf(mask, 2, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(mask->GetPalette(76, &entry), ZR_OK);
  EXPECT_EQ(entry.rgbRed, 0);
  mask->Release();
  EXPECT_EQ(grey->CreateColorMask(0, reference, &mask), ZR_BADARG);
  EXPECT_EQ(mask, nullptr);
  for (auto* each : {image, grey}) each->Release();
  expert->Release();
}

TEST(RasterImageOpsTest, ModifiedFlagPerOperation) {
  enum Flag { kSet, kLeft };
  const uint8_t triple[3] = {1, 2, 3};
  const POINT origin{0, 0};
  IFIRasterImageImp* other = makeImage(2, 2, 24);
  const RECT crop{0, 0, 3, 3};
  const struct {
    const char* operation;
    std::function<ZRESULT(IFIRasterImageImp*)> run;
    Flag flag;
  } cases[] = {
      {"Fill", [](auto* i) { return i->Fill(5); }, kSet},
      {"SetPixel", [](auto* i) { return i->SetPixel(1, 1, 5); }, kSet},
      {"SetPixelRGB", [&](auto* i) { return i->SetPixelRGB(1, 1, triple); }, kSet},
      {"SetPixelLocked", [](auto* i) { return i->SetPixelLocked(1, 1, 5); }, kSet},
      {"Rotate", [](auto* i) { return i->Rotate(9000); }, kSet},
      {"Crop", [&](auto* i) { return i->Crop(&crop); }, kSet},
      {"ConvertToBPP", [](auto* i) { return i->ConvertToBPP(8, false); }, kSet},
      {"ConvertToGrey", [](auto* i) { return i->ConvertToGrey(); }, kSet},
      {"Paste", [&](auto* i) { return i->Paste(&origin, other); }, kLeft},
      {"FlipVertical", [](auto* i) { return i->FlipVertical(); }, kLeft},
      {"FlipHorizontal", [](auto* i) { return i->FlipHorizontal(); }, kLeft},
      {"Invert", [](auto* i) { return i->Invert(); }, kLeft},
      {"AdjustBrightness", [](auto* i) { return i->AdjustBrightness(10); }, kLeft},
      {"AdjustContrast", [](auto* i) { return i->AdjustContrast(10); }, kLeft},
      {"CopyScanLine",
       [&](auto* i) {
         const uint8_t row[4 * 3] = {};
         return i->CopyScanLine(0, row);
       },
       kLeft},
  };
  for (const auto& row : cases) {
    IFIRasterImageImp* image = makeImage(4, 4, 24);
    image->SetModified(false);
    EXPECT_EQ(row.run(image), ZR_OK) << row.operation;
    EXPECT_EQ(image->IsUnmodified(), row.flag == kLeft) << row.operation;
    image->Release();
  }
  other->Release();
}

TEST(RasterImageOpsTest, FillPasteAndScanLines) {
  IFIRasterImageImp* image = makeImage(6, 5, 24);
  ASSERT_EQ(image->Fill(RGB(1, 2, 3)), ZR_OK);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(pixelOf(image, x, y), (Rgb{1, 2, 3}));
  }
  IFIRasterImageImp* patch = makeImage(2, 2, 24);
  ASSERT_EQ(patch->Fill(RGB(9, 9, 9)), ZR_OK);
  const POINT at{3, 2};
  EXPECT_EQ(image->Paste(&at, patch), ZR_OK);
  EXPECT_EQ(pixelOf(image, 3, 2), (Rgb{9, 9, 9}));
  EXPECT_EQ(pixelOf(image, 2, 2), (Rgb{1, 2, 3}));

  // A 24-bit row is copied as stored (blue, green, red on this system).
  uint8_t row[6 * 3];
  for (int i = 0; i < 18; ++i) row[i] = static_cast<uint8_t>(i);
  EXPECT_EQ(image->CopyScanLine(4, row), ZR_OK);
  EXPECT_EQ(pixelOf(image, 1, 4), (Rgb{5, 4, 3}));
  EXPECT_EQ(image->CopyScanLine(5, row), ZR_FAILED) << "a row past the end";
  EXPECT_EQ(image->GetLockCount(), 0);

  // At other depths each pixel is set from its red, green, blue triple.
  IFIRasterImageImp* deep = makeImage(6, 1, 32);
  EXPECT_EQ(deep->CopyScanLine(0, row), ZR_OK);
  EXPECT_EQ(pixelOf(deep, 1, 0), (Rgb{3, 4, 5}));
  for (auto* each : {image, patch, deep}) each->Release();
}

// Fill writes exactly what setting every pixel through the library writes,
// at every depth the library sets colours at; a palette bitmap keeps its
// first row and has it copied into the others.
TEST(RasterImageOpsTest, FillMatchesSettingEachPixel) {
  struct Depth {
    int bpp;
    unsigned red, green, blue;
  };
  const Depth depths[] = {
      {16, FI16_565_RED_MASK, FI16_565_GREEN_MASK, FI16_565_BLUE_MASK},
      {16, FI16_555_RED_MASK, FI16_555_GREEN_MASK, FI16_555_BLUE_MASK},
      {24, 0, 0, 0},
      {32, 0, 0, 0},
  };
  constexpr int kWidth = 7, kHeight = 3;  // odd, so rows carry padding
  const COLORREF color = RGB(201, 77, 18);
  for (const Depth& depth : depths) {
    FIBITMAP* expected = FreeImage_Allocate(kWidth, kHeight, depth.bpp, depth.red, depth.green, depth.blue);
    RGBQUAD quad{GetBValue(color), GetGValue(color), GetRValue(color), 0};
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) ASSERT_TRUE(FreeImage_SetPixelColor(expected, x, y, &quad));
    }
    auto* image = new IFIRasterImageImp(
        nullptr, FreeImage_Allocate(kWidth, kHeight, depth.bpp, depth.red, depth.green, depth.blue));
    ASSERT_EQ(image->Fill(color), ZR_OK);
    for (int y = 0; y < kHeight; ++y) {
      EXPECT_EQ(std::memcmp(FreeImage_GetScanLine(bitmapOf(image), y), FreeImage_GetScanLine(expected, y),
                            FreeImage_GetLine(expected)),
                0)
          << depth.bpp << " bits, mask " << depth.green << ", row " << y;
    }
    image->Release();
    FreeImage_Unload(expected);
  }

  IFIRasterImageImp* indexed = makeImage(5, 3, 8);
  ASSERT_EQ(indexed->SetPixel(1, 0, 200), ZR_OK);
  ASSERT_EQ(indexed->SetPixel(1, 2, 9), ZR_OK);
  EXPECT_EQ(indexed->Fill(RGB(1, 2, 3)), ZR_OK);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(pixelOf(indexed, 1, y), (Rgb{200, 200, 200})) << y;
  indexed->Release();
}

TEST(RasterImageOpsTest, ClonesAndCopiesKeepTheExpert) {
  auto* expert = new IImgIOExpertImp();
  IFIRasterImageImp* image = makeImage(8, 6, 24, expert);
  ASSERT_EQ(image->SetPixel(2, 3, RGB(40, 50, 60)), ZR_OK);
  IRasterImage* clone = nullptr;
  ASSERT_EQ(image->Clone(&clone), ZR_OK);
  EXPECT_EQ(pixelOf(clone, 2, 3), (Rgb{40, 50, 60}));
  EXPECT_NE(bitmapOf(clone), bitmapOf(image));
  EXPECT_EQ(zefcorek::rasterImageImpOf(clone)->expert(), expert);
  const RECT part{2, 2, 5, 5};
  IRasterImage* copy = nullptr;
  ASSERT_EQ(image->CopyEx(&part, &copy), ZR_OK);
  uint32_t width = 0, height = 0;
  EXPECT_EQ(copy->GetSize(&width, &height), ZR_OK);
  EXPECT_EQ(width, 3u);
  EXPECT_EQ(height, 3u);
  EXPECT_EQ(expert->GetRefCount(), 4);
  clone->Release();
  copy->Release();
  image->Release();
  EXPECT_EQ(expert->GetRefCount(), 1);
  expert->Release();

  // Without an expert nothing new can be made from the image.
  IFIRasterImageImp* orphan = makeImage(2, 2, 24);
  EXPECT_EQ(orphan->Clone(&clone), ZR_FAILED);
  EXPECT_EQ(clone, nullptr);
  orphan->Release();
}

// A format row whose stream handler writes a few bytes, or fails.
int32_t writeFourBytes(IImgIOExpert*, IImgSaver*, uint32_t, IFIOOStream* stream, IRasterImage*) {
  return stream->Write("ABCD", 4);
}
int32_t refuse(IImgIOExpert*, IImgSaver*, uint32_t, IFIOOStream*, IRasterImage*) { return ZR_FAILED; }

TEST(RasterImageOpsTest, SaveToStreamReportsBytesAndClearsTheFlag) {
  zefcorek::testing::ScratchFolder folder;
  auto* expert = new IImgIOExpertImp();
  for (auto [id, handler] : {std::pair{50u, &writeFourBytes}, {51u, &refuse}}) {
    ImgFormatInfo row{};
    row.cbSize = sizeof row;
    row.FormatIds[0] = id;
    row.FormatIds[1] = row.FormatIds[2] = row.FormatIds[3] = 1;
    row.SaveToStream = handler;
    ASSERT_EQ(expert->AddFormat(&row, nullptr), ZR_OK);
  }
  void* made = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IFIOOStreamImp, &made, 0), S_OK);
  auto* stream = static_cast<IFIOOStream*>(made);
  ASSERT_EQ(stream->SetName(folder.name("out.bin").c_str()), ZR_OK);
  ASSERT_EQ(stream->Open(0), ZR_OK);
  ASSERT_EQ(stream->Write("xy", 2), ZR_OK);

  IFIRasterImageImp* image = makeImage(2, 2, 24, expert);
  image->SetModified(true);
  uint32_t written = 0;
  EXPECT_EQ(image->SaveToStream(51, stream, &written), ZR_FAILED);
  EXPECT_FALSE(image->IsUnmodified()) << "a failed save leaves the flag";
  EXPECT_EQ(image->SaveToStream(50, stream, &written), ZR_OK);
  EXPECT_EQ(written, 4u);
  EXPECT_TRUE(image->IsUnmodified());
  EXPECT_EQ(image->SaveToStream(50, nullptr, &written), ZR_BADARG);
  stream->Close();
  EXPECT_EQ(folder.read("out.bin"), "xyABCD");
  stream->Release();
  image->Release();
  expert->Release();
}

}  // namespace

namespace {

TEST(PackedDibTest, RoundTripsAtEveryDepth) {
  for (int bpp : {1, 8, 24, 32}) {
    IFIRasterImageImp* image = makeImage(7, 5, bpp);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 7; ++x) ASSERT_EQ(image->SetPixel(x, y, RGB(x * 30, y * 40, x + y)), ZR_OK);
    }
    ASSERT_EQ(image->SetDPIX(150), ZR_OK);
    HGLOBAL block = nullptr;
    ASSERT_EQ(image->CopyToHGlobalDIB(&block), ZR_OK) << bpp;
    IFIRasterImageImp* copy = makeImage(2, 2, 24);
    copy->SetModified(true);
    ASSERT_EQ(copy->CopyFromHGlobalDIB(block), ZR_OK) << bpp;
    EXPECT_TRUE(copy->IsUnmodified());
    uint32_t depth = 0, dpi = 0;
    EXPECT_EQ(copy->GetBPP(&depth), ZR_OK);
    EXPECT_EQ(depth, static_cast<uint32_t>(bpp));
    EXPECT_EQ(copy->GetDPIX(&dpi), ZR_OK);
    EXPECT_EQ(dpi, 150u);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 7; ++x) EXPECT_EQ(pixelOf(copy, x, y), pixelOf(image, x, y)) << bpp;
    }
    GlobalFree(block);
    image->Release();
    copy->Release();
  }
}

TEST(PackedDibTest, MalformedBlocksChangeNothing) {
  IFIRasterImageImp* source = makeImage(6, 4, 8);
  HGLOBAL valid = nullptr;
  ASSERT_EQ(source->CopyToHGlobalDIB(&valid), ZR_OK);
  const SIZE_T size = GlobalSize(valid);
  const auto* bytes = static_cast<const uint8_t*>(GlobalLock(valid));
  const std::string original(reinterpret_cast<const char*>(bytes), size);
  GlobalUnlock(valid);

  const auto put32 = [](std::string& block, size_t at, uint32_t value) { std::memcpy(block.data() + at, &value, 4); };
  std::string shortBlock = original.substr(0, original.size() - 1);
  std::string moreRows = original;
  put32(moreRows, 8, 5);  // biHeight
  std::string oddDepth = original;
  oddDepth[14] = 7;  // biBitCount
  std::string manyColours = original;
  put32(manyColours, 32, 300);  // biClrUsed
  std::string topDown = original;
  put32(topDown, 8, static_cast<uint32_t>(-4));
  const struct {
    const char* what;
    std::string block;
  } cases[] = {{"one byte short", shortBlock}, {"more rows than held", moreRows},
               {"bit count 7", oddDepth},      {"300 colours", manyColours},
               {"negative height", topDown},   {"no header", original.substr(0, 39)}};
  IFIRasterImageImp* target = makeImage(3, 3, 24);
  FIBITMAP* before = zefcorek::bitmapOf(target);
  for (const auto& row : cases) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, row.block.size());
    std::memcpy(GlobalLock(block), row.block.data(), row.block.size());
    GlobalUnlock(block);
    EXPECT_EQ(target->CopyFromHGlobalDIB(block), ZR_FAILED) << row.what;
    EXPECT_EQ(zefcorek::bitmapOf(target), before) << row.what;
    GlobalFree(block);
  }
  EXPECT_EQ(target->CopyFromHGlobalDIB(nullptr), ZR_FAILED);
  GlobalFree(valid);
  source->Release();
  target->Release();
}

}  // namespace
