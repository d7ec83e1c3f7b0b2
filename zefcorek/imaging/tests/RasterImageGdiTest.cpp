// The raster image's GDI palette and its refused device context.
#include "zefcorek/ClassIds.h"
#include "zefcorek/FIRasterImage.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Gdi.h"
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

namespace {

IRasterImage* newImage() {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IFIRasterImageImp, &out, 0), S_OK);
  return static_cast<IFIRasterImage*>(out);
}

TEST(RasterImageGdiTest, PalettesComeFromPaletteImagesOnly) {
  IRasterImage* image = newImage();
  HDC dc = CreateCompatibleDC(nullptr);
  HPALETTE palette = reinterpret_cast<HPALETTE>(1);
  EXPECT_EQ(image->CreatePalette(dc, &palette), ZR_FAILED);  // no bitmap yet
  EXPECT_EQ(palette, nullptr);
  EXPECT_EQ(image->CreatePalette(nullptr, &palette), ZR_BADARG);
  EXPECT_EQ(image->CreatePalette(dc, nullptr), ZR_BADARG);

  ASSERT_EQ(image->Allocate(2, 2, 24, nullptr), ZR_OK);
  palette = reinterpret_cast<HPALETTE>(1);
  EXPECT_EQ(image->CreatePalette(dc, &palette), ZR_OK);
  EXPECT_EQ(palette, nullptr);

  RGBQUAD colors[256] = {};
  for (int i = 0; i < 256; ++i) colors[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 7, 0};
  ASSERT_EQ(image->Allocate(2, 2, 8, colors), ZR_OK);
  ASSERT_EQ(image->CreatePalette(dc, &palette), ZR_OK);
  ASSERT_NE(palette, nullptr);
  PALETTEENTRY entries[256];
  EXPECT_EQ(GetPaletteEntries(palette, 0, 256, entries), 256u);
  EXPECT_EQ(entries[10].peRed, 7);
  EXPECT_EQ(entries[10].peGreen, 245);
  EXPECT_EQ(entries[10].peBlue, 10);
  EXPECT_EQ(entries[10].peFlags, PC_NOCOLLAPSE);
  DeleteObject(palette);
  DeleteDC(dc);
  image->Release();
}

TEST(RasterImageGdiTest, DeviceContextsAreRefusedWithAMessage) {
  platform::RecordingMessageBoxes boxes;
  IRasterImage* image = newImage();
  HDC dc = reinterpret_cast<HDC>(1);
  EXPECT_EQ(image->GetGDIDC(&dc), ZR_NOTSUPPORTED);
  EXPECT_EQ(dc, nullptr);
  EXPECT_EQ(image->GetGDIDC(nullptr), ZR_NOTSUPPORTED);
  EXPECT_EQ(image->ReleaseGDIDC(nullptr), ZR_NOTSUPPORTED);
  const auto shown = boxes.shown();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].text, u"IFIRasterImageImp::GetGDIDC() not supported!");
  EXPECT_EQ(shown[0].caption, u"");
  EXPECT_EQ(shown[0].type, MB_ICONSTOP);
  EXPECT_EQ(shown[2].text, u"IFIRasterImageImp::ReleaseGDIDC() not supported!");
  image->Release();
}

}  // namespace
