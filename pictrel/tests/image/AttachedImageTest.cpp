// A surface over the pixels of a raster image of the core library.
#include "DrawableSurface.h"

#include "interfaces/RasterImage.h"
#include "zefcorek/ClassIds.h"
#include "zefcorek/FIRasterImage.h"
#include "zefcorek/ZefCoreK.h"

#include "../SurfaceFixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using pictrel::testing::SurfaceHolder;

IRasterImage* newImage() {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IFIRasterImageImp, &out, 0), S_OK);
  return static_cast<IFIRasterImage*>(out);
}

TEST(AttachedImageTest, SurfaceDrawsIntoTheImagesRows) {
  IRasterImage* image = newImage();
  ASSERT_EQ(image->Allocate(6, 4, 8, nullptr), ZR_OK);
  ASSERT_EQ(image->SetDPIX(20), ZR_OK);
  ASSERT_EQ(image->SetDPIY(300), ZR_OK);
  const LONG references = image->GetRefCount();
  {
    SurfaceHolder surface;
    ASSERT_EQ(surface->AttachImage(image), S_OK);
    EXPECT_EQ(image->GetRefCount(), references + 1);
    EXPECT_TRUE(surface->IsImageAttached());
    EXPECT_EQ(surface->GetWidth(), 6);
    EXPECT_EQ(surface->GetHeight(), 4);
    EXPECT_EQ(surface->GetBitsPerPixel(), 8);
    EXPECT_TRUE(surface->IsBottomUp());
    EXPECT_EQ(surface->GetHBITMAP(), nullptr);
    EXPECT_EQ(surface->GetScanLine(3), image->GetBits());  // the bottom row comes first
    EXPECT_EQ(surface->SetPixelIndex(2, 3, 77), S_OK);
    EXPECT_EQ(image->GetBits()[2], 77);

    IRasterImage* held = surface->GetAttachedImage();
    EXPECT_EQ(held, image);
    EXPECT_EQ(image->GetRefCount(), references + 2);
    held->Release();
    HDC dc = reinterpret_cast<HDC>(1);
    EXPECT_EQ(surface->GetDC(&dc, false), E_FAIL);
    EXPECT_EQ(dc, nullptr);
    EXPECT_EQ(surface->DetachImage(), S_OK);
    EXPECT_EQ(image->GetRefCount(), references);
    EXPECT_FALSE(surface->IsImageAttached());
    ASSERT_EQ(surface->AttachImage(image), S_OK);
  }
  EXPECT_EQ(image->GetRefCount(), references);  // released with the surface
  image->Release();
}

TEST(AttachedImageTest, ResolutionsAreKeptAboveFiftyDpi) {
  IRasterImage* image = newImage();
  ASSERT_EQ(image->Allocate(2, 2, 24, nullptr), ZR_OK);
  ASSERT_EQ(image->SetDPIX(20), ZR_OK);
  ASSERT_EQ(image->SetDPIY(96), ZR_OK);
  SurfaceHolder surface;
  ASSERT_EQ(surface->AttachImage(image), S_OK);
  auto& state = *static_cast<Pictrel::SurfaceState*>(surface->GetImpData());
  EXPECT_EQ(state.info->header.biXPelsPerMeter, 1969);  // 20 dpi is taken as 50
  EXPECT_EQ(state.info->header.biYPelsPerMeter, 3780);
  EXPECT_EQ(surface->DetachImage(), S_OK);
  image->Release();
}

TEST(AttachedImageTest, GdiplusFiguresDrawNothingWithoutADeviceContext) {
  IRasterImage* image = newImage();
  ASSERT_EQ(image->Allocate(8, 8, 24, nullptr), ZR_OK);
  SurfaceHolder surface;
  ASSERT_EQ(surface->AttachImage(image), S_OK);
  ASSERT_EQ(surface->EnableAntiAlias(true), S_OK);
  EXPECT_EQ(surface->AALine(0, 0, 7, 5, 3, 0x00FFFFFF), S_OK);
  EXPECT_EQ(surface->AAFilledCircle(4, 4, 3, 0x00FFFFFF), S_OK);
  uint64_t sum = 1;
  surface->Checksum(&sum);
  EXPECT_EQ(sum, 0u);
  ASSERT_EQ(surface->EnableAntiAlias(false), S_OK);
  EXPECT_EQ(surface->AALine(0, 0, 7, 5, 3, 0x00FFFFFF), S_OK);  // our own rasteriser does draw
  surface->Checksum(&sum);
  EXPECT_NE(sum, 0u);
  surface->DetachImage();
  image->Release();
}

TEST(AttachedImageTest, AnImageThatCannotDescribeItselfIsNotHeld) {
  IRasterImage* image = newImage();  // no bitmap yet: GetSize fails
  const LONG references = image->GetRefCount();
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(2, 2, 8, nullptr), S_OK);
  EXPECT_EQ(surface->AttachImage(image), E_FAIL);
  EXPECT_EQ(image->GetRefCount(), references);
  EXPECT_FALSE(surface->IsImageAttached());
  EXPECT_EQ(surface->GetBits(), nullptr);
  EXPECT_EQ(surface->AttachImage(nullptr), S_OK);  // a null image empties the surface
  image->Release();

  SurfaceHolder own;
  ASSERT_EQ(own->Create(2, 2, 8, nullptr), S_OK);
  EXPECT_EQ(own->GetAttachedImage(), nullptr);
  EXPECT_EQ(own->DetachImage(), E_FAIL);
}

}  // namespace
