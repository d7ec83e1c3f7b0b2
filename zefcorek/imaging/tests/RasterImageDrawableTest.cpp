// The drawing surface a raster image hands out over its own pixels: one per
// bitmap, and neither side keeps the other alive once its holders let go.
#include "zefcorek/ClassIds.h"
#include "zefcorek/FIRasterImage.h"
#include "zefcorek/ZefCoreK.h"

#include "interfaces/DrawableDS.h"

#include <gtest/gtest.h>

namespace {

IRasterImage* newImage(uint32_t width) {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IFIRasterImageImp, &out, 0), S_OK);
  auto* image = static_cast<IRasterImage*>(static_cast<IFIRasterImage*>(out));
  if (width != 0) {
    EXPECT_EQ(image->Allocate(width, 20, 24, nullptr), ZR_OK);
  }
  return image;
}

Pictrel::IDrawableDS* drawableOf(IRasterImage* image) {
  Pictrel::IDrawableDS* surface = nullptr;
  EXPECT_EQ(image->GetDrawable(&surface), ZR_OK);
  return surface;
}

TEST(RasterImageDrawableTest, OneSurfacePerBitmapOverItsPixels) {
  IRasterImage* image = newImage(30);
  Pictrel::IDrawableDS* first = drawableOf(image);
  ASSERT_NE(first, nullptr);
  Pictrel::IDrawableDS* second = drawableOf(image);
  EXPECT_EQ(second, first);
  second->Release();
  EXPECT_EQ(first->GetWidth(), 30);
  IRasterImage* attached = first->GetAttachedImage();
  EXPECT_TRUE(attached->SameInterface(image));
  attached->Release();
  // Drawn through the surface, seen in the image.
  EXPECT_EQ(first->SetPixel(3, 4, RGB(10, 20, 30)), S_OK);
  uint32_t bytes = 0;
  ASSERT_EQ(image->GetBitsSize(&bytes), ZR_OK);
  int sum = 0;
  for (uint32_t i = 0; i < bytes; ++i) sum += image->GetBits()[i];
  EXPECT_EQ(sum, 60);

  // A new bitmap gets a new surface; the old one is left without pixels.
  EXPECT_EQ(image->ConvertToGrey(), ZR_OK);
  Pictrel::IDrawableDS* third = drawableOf(image);
  EXPECT_NE(third, first);
  EXPECT_FALSE(first->IsImageAttached());
  EXPECT_TRUE(third->IsImageAttached());
  first->Release();
  third->Release();
  EXPECT_EQ(image->GetRefCount(), 1);
  image->Release();
}

TEST(RasterImageDrawableTest, EitherSideMayGoFirst) {
  {  // the image first: the surface keeps it until the surface goes
    IRasterImage* image = newImage(10);
    Pictrel::IDrawableDS* surface = drawableOf(image);
    image->Release();
    EXPECT_TRUE(surface->IsImageAttached());
    EXPECT_EQ(surface->SetPixel(1, 1, 0), S_OK);
    surface->Release();
  }
  {  // the surface first: the image forgets it and makes another
    IRasterImage* image = newImage(10);
    Pictrel::IDrawableDS* surface = drawableOf(image);
    EXPECT_EQ(image->GetRefCount(), 2);
    surface->Release();
    EXPECT_EQ(image->GetRefCount(), 1);
    surface = drawableOf(image);
    EXPECT_EQ(surface->GetWidth(), 10);
    surface->Release();
    image->Release();
  }
  {  // detached by its holder: the image's link goes with it
    IRasterImage* image = newImage(10);
    Pictrel::IDrawableDS* surface = drawableOf(image);
    EXPECT_EQ(surface->DetachImage(), S_OK);
    EXPECT_EQ(image->GetRefCount(), 1);
    Pictrel::IDrawableDS* next = drawableOf(image);
    EXPECT_NE(next, nullptr);
    EXPECT_TRUE(next->IsImageAttached());
    image->Release();
    next->Release();
    surface->Release();
  }
  {  // unloaded: the surface lives on, empty
    IRasterImage* image = newImage(10);
    Pictrel::IDrawableDS* surface = drawableOf(image);
    EXPECT_EQ(image->Unload(), ZR_OK);
    EXPECT_FALSE(surface->IsImageAttached());
    image->Release();
    surface->Release();
  }
}

TEST(RasterImageDrawableTest, RefusedWithoutOutOrPixels) {
  IRasterImage* image = newImage(0);
  EXPECT_EQ(image->GetDrawable(nullptr), ZR_BADARG);
  auto* surface = reinterpret_cast<Pictrel::IDrawableDS*>(1);
  EXPECT_EQ(image->GetDrawable(&surface), ZR_FAILED);
  EXPECT_EQ(surface, nullptr);
  image->Release();
}

}  // namespace
