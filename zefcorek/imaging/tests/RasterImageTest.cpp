#include "RasterImageImp.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ImgIOExpertImp.h"
#include "zefcorek/ZefCoreK.h"

#include "FreeImageApi.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// An image around a bitmap made here; the image owns the bitmap.
IFIRasterImageImp* wrap(int width, int height, int bpp, IImgIOExpert* expert = nullptr) {
  FIBITMAP* bitmap = FreeImage_Allocate(width, height, bpp);
  EXPECT_NE(bitmap, nullptr);
  return new IFIRasterImageImp(expert, bitmap);
}

TEST(RasterImageTest, FactoryImageWithoutBitmapAnswersNoImage) {
  auto* expert = new IImgIOExpertImp();
  void* made = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IFIRasterImageImp, &made,
                              reinterpret_cast<intptr_t>(static_cast<IImgIOExpert*>(expert))),
            S_OK);
  auto* image = static_cast<IFIRasterImage*>(made);
  EXPECT_EQ(expert->GetRefCount(), 2) << "the image holds one reference to its expert";

  uint32_t width = 77, height = 77, bpp = 77;
  EXPECT_EQ(image->GetWidth(&width), ZR_FAILED);
  EXPECT_EQ(width, 77u) << "GetWidth leaves its output";
  EXPECT_EQ(image->GetHeight(&height), ZR_FAILED);
  EXPECT_EQ(height, 0u);
  EXPECT_EQ(image->GetBPP(&bpp), ZR_FAILED);
  EXPECT_EQ(bpp, 0u);
  width = height = 5;
  EXPECT_EQ(image->GetSize(&width, &height), ZR_FAILED);
  EXPECT_EQ(width + height, 0u);
  EXPECT_EQ(image->GetSize(&width, nullptr), ZR_BADARG);
  EXPECT_EQ(image->GetUserWord(), 1u);
  EXPECT_EQ(image->GetBits(), nullptr);
  EXPECT_EQ(image->Lock(), ZR_FAILED);
  EXPECT_EQ(image->Unlock(), ZR_FAILED);
  EXPECT_EQ(image->SetDPIY(96), ZR_FAILED);
  EXPECT_EQ(image->SetDPIY(0), ZR_BADARG);
  EXPECT_EQ(image->ApplyPolygon(2, &width, 0), ZR_BADARG);
  EXPECT_EQ(image->ApplyPolygon(3, &width, 0), ZR_FAILED);
  EXPECT_EQ(image->GetExtendedInfo(0, nullptr), ZR_BADARG);
  EXPECT_EQ(image->GetExtendedInfo(0, &width), ZR_FAILED);
  EXPECT_EQ(image->GetAuxData(), ZR_OK);
  EXPECT_EQ(image->SetAuxData(1), ZR_FAILED);
  RasterImageInfo info{1, 2, 3, 4, 5};
  EXPECT_EQ(image->GetRasterInfo(&info), ZR_FAILED);
  EXPECT_EQ(info.Width + info.Height + info.BitsPerPixel + info.DpiX + info.DpiY, 0u);
  FIBITMAP* bitmap = reinterpret_cast<FIBITMAP*>(&info);
  EXPECT_EQ(image->GetBitmap(&bitmap), ZR_OK);
  EXPECT_EQ(bitmap, nullptr);

  // The class id is the IFIRasterImage id; each answer adds a reference.
  void* view = nullptr;
  EXPECT_EQ(image->QueryInterface(IID_IFIRasterImage, &view), ZR_OK);
  EXPECT_EQ(view, static_cast<void*>(image));
  EXPECT_EQ(image->GetRefCount(), 2);
  EXPECT_EQ(image->QueryInterface(IID_IRasterImage, &view), ZR_OK);
  EXPECT_EQ(view, static_cast<void*>(static_cast<IRasterImage*>(image)));
  EXPECT_EQ(image->QueryInterface(IID_IStdDataInterface, &view), ZR_OK);
  EXPECT_EQ(image->GetRefCount(), 4);
  const IID unknownId = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(image->QueryInterface(unknownId, &view), ZR_NOINTERFACE);
  EXPECT_EQ(view, nullptr);
  EXPECT_EQ(image->QueryInterface(unknownId, nullptr), ZR_BADARG);
  for (int i = 0; i < 4; ++i) image->Release();
  EXPECT_EQ(expert->GetRefCount(), 1);
  expert->Release();
}

TEST(RasterImageTest, ResolutionConvertsDotsPerMetreAndClamps) {
  IFIRasterImageImp* image = wrap(4, 4, 24);
  FIBITMAP* bitmap = nullptr;
  ASSERT_EQ(image->GetBitmap(&bitmap), ZR_OK);
  const struct {
    unsigned dotsPerMeter;
    uint32_t dpi;
  } reads[] = {
      {0, 50},     // below the floor
      {2835, 72},  // the common 72 dpi
      {3780, 96},
      {10'000'000, 9600},   // above the ceiling
      {0xFFFFFFFFu, 9600},  // beyond int range: still the ceiling, not the floor
  };
  for (const auto& row : reads) {
    FreeImage_SetDotsPerMeterX(bitmap, row.dotsPerMeter);
    FreeImage_SetDotsPerMeterY(bitmap, row.dotsPerMeter);
    uint32_t x = 0, y = 0;
    EXPECT_EQ(image->GetDPIX(&x), ZR_OK);
    EXPECT_EQ(image->GetDPIY(&y), ZR_OK);
    EXPECT_EQ(x, row.dpi) << row.dotsPerMeter;
    EXPECT_EQ(y, row.dpi) << row.dotsPerMeter;
  }
  const struct {
    uint32_t dpi;
    unsigned stored;
    uint32_t readBack;
  } writes[] = {
      {20, 1969, 50},  // clamped up to 50 dpi first
      {96, 3780, 96},
      {100000, 377953, 9600},
  };
  for (const auto& row : writes) {
    image->SetModified(false);
    EXPECT_EQ(image->SetDPIX(row.dpi), ZR_OK);
    EXPECT_FALSE(image->IsUnmodified()) << row.dpi;
    EXPECT_EQ(FreeImage_GetDotsPerMeterX(bitmap), row.stored) << row.dpi;
    uint32_t dpi = 0;
    EXPECT_EQ(image->GetDPIX(&dpi), ZR_OK);
    EXPECT_EQ(dpi, row.readBack) << row.dpi;
  }
  EXPECT_EQ(image->SetDPIX(0), ZR_BADARG);
  EXPECT_EQ(image->GetDPIX(nullptr), ZR_BADARG);
  image->Release();
}

TEST(RasterImageTest, SizeDepthAndRowBytes) {
  const struct {
    int width, height, bpp;
    uint32_t bitsSize;
  } cases[] = {
      {10, 10, 1, 40},  // rows of 10 bits padded to 4 bytes
      {10, 10, 8, 120}, {10, 10, 24, 320}, {10, 10, 32, 400}, {33, 2, 1, 16},
  };
  for (const auto& row : cases) {
    IFIRasterImageImp* image = wrap(row.width, row.height, row.bpp);
    uint32_t width = 0, height = 0, bpp = 0, bitsSize = 0;
    EXPECT_EQ(image->GetSize(&width, &height), ZR_OK);
    EXPECT_EQ(image->GetBPP(&bpp), ZR_OK);
    EXPECT_EQ(image->GetBitsSize(&bitsSize), ZR_OK);
    EXPECT_EQ(width, static_cast<uint32_t>(row.width));
    EXPECT_EQ(height, static_cast<uint32_t>(row.height));
    EXPECT_EQ(bpp, static_cast<uint32_t>(row.bpp));
    EXPECT_EQ(bitsSize, row.bitsSize) << row.bpp;
    FIBITMAP* bitmap = nullptr;
    (void)image->GetBitmap(&bitmap);
    EXPECT_EQ(image->GetBits(), FreeImage_GetBits(bitmap));
    RasterImageInfo info{};
    EXPECT_EQ(image->GetRasterInfo(&info), ZR_OK);
    EXPECT_EQ(info.Width, width);
    EXPECT_EQ(info.BitsPerPixel, bpp);
    EXPECT_EQ(info.DpiX, 72u) << "the library's default resolution";
    image->Release();
  }
}

TEST(RasterImageTest, RowBytesBeyond32BitsAreAFailureNotAWrappedNumber) {
  // A bitmap of 70000 x 70000 at 32 bits, read from a BMP header without
  // its pixels: enough to ask for the size.
  BYTE bmp[54] = {'B', 'M'};
  const auto put32 = [&](int offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bmp[offset + i] = static_cast<BYTE>(value >> (8 * i));
  };
  put32(10, 54);     // pixel data offset
  put32(14, 40);     // info header size
  put32(18, 70000);  // width
  put32(22, 70000);  // height
  bmp[26] = 1;       // planes
  bmp[28] = 32;      // bits per pixel
  FIMEMORY* memory = FreeImage_OpenMemory(bmp, sizeof bmp);
  FIBITMAP* header = FreeImage_LoadFromMemory(FIF_BMP, memory, FIF_LOAD_NOPIXELS);
  FreeImage_CloseMemory(memory);
  ASSERT_NE(header, nullptr);
  ASSERT_FALSE(FreeImage_HasPixels(header));
  auto* image = new IFIRasterImageImp(nullptr, header);
  uint32_t bitsSize = 123;
  EXPECT_EQ(image->GetBitsSize(&bitsSize), ZR_FAILED);
  EXPECT_EQ(bitsSize, 0u);
  image->Release();
}

TEST(RasterImageTest, ModifiedFlagFollowsChangesOnly) {
  IFIRasterImageImp* image = wrap(8, 8, 8);
  image->SetModified(false);
  EXPECT_EQ(image->SetPercentage(250), ZR_OK);
  uint32_t percentage = 0;
  EXPECT_EQ(image->GetPercentage(&percentage), ZR_OK);
  EXPECT_EQ(percentage, 100u);
  EXPECT_FALSE(image->IsUnmodified());
  image->SetModified(false);
  EXPECT_EQ(image->SetPercentage(100), ZR_OK);
  EXPECT_TRUE(image->IsUnmodified()) << "the same value again";

  // SetBitmap neither unloads the old bitmap nor marks the image.
  FIBITMAP* old = nullptr;
  (void)image->GetBitmap(&old);
  FIBITMAP* replacement = FreeImage_Allocate(3, 2, 24);
  EXPECT_EQ(image->SetBitmap(nullptr), ZR_BADARG);
  EXPECT_EQ(image->SetBitmap(replacement), ZR_OK);
  EXPECT_TRUE(image->IsUnmodified());
  EXPECT_EQ(FreeImage_GetWidth(old), 8u) << "the old bitmap is still whole";
  FreeImage_Unload(old);

  EXPECT_EQ(image->Lock(), ZR_OK);
  EXPECT_EQ(image->Lock(), ZR_OK);
  EXPECT_EQ(image->Unlock(), ZR_OK);
  EXPECT_EQ(image->GetLockCount(), 1);

  EXPECT_EQ(image->Unload(), ZR_OK);
  EXPECT_FALSE(image->IsUnmodified());
  EXPECT_EQ(image->GetBits(), nullptr);
  EXPECT_EQ(image->Unload(), ZR_OK) << "unloading an empty image is harmless";
  image->Release();
}

TEST(RasterImageTest, NameAndUserWordAreKeptForTheOwner) {
  IFIRasterImageImp* image = wrap(2, 2, 8);
  const std::u16string longName(300, u'n');
  EXPECT_EQ(image->SetName(longName.c_str()), ZR_OK);
  EXPECT_EQ(std::u16string(image->GetName()), longName.substr(0, 259));
  EXPECT_EQ(image->SetName(nullptr), ZR_OK);
  EXPECT_EQ(std::u16string(image->GetName()), u"");
  EXPECT_EQ(image->SetUserWord(14), ZR_OK);
  EXPECT_EQ(image->GetUserWord(), 14u);
  EXPECT_EQ(image->ApplyPolygon(3, &longName, 0), ZR_NOTSUPPORTED);
  // Reaching the implementing object from the interface.
  IRasterImage* asInterface = image;
  EXPECT_EQ(zefcorek::rasterImageImpOf(asInterface), image);
  EXPECT_NE(zefcorek::bitmapOf(asInterface), nullptr);
  EXPECT_EQ(zefcorek::bitmapOf(nullptr), nullptr);
  image->Release();
}

}  // namespace
