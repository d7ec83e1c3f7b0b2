// Blits of a surface attached to a raster image go through the image's
// own Draw: a recording image checks the record it gets.
#include "pictrel/Pictrel.h"

#include "interfaces/RasterImage.h"

#include "platform/Gdi.h"

#include "../SurfaceFixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using pictrel::testing::SurfaceHolder;

// A raster image of 4 × 3 pixels at 24 bpp that records every Draw.
class RecordingImage final : public IRasterImage {
public:
  std::vector<RasterDrawParms> draws;

  HRESULT QueryInterface(REFIID, void** out) override {
    if (out) *out = nullptr;
    return ZR_NOINTERFACE;
  }
  ULONG AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG Release() override { return static_cast<ULONG>(--references_); }  // lives on the stack
  LONG GetRefCount() override { return references_; }
  IStdInterface* CastToTopInterface() override { return this; }
  bool SameInterface(IStdInterface* other) override { return other == this; }
  ZRESULT GetSize(uint32_t* width, uint32_t* height) override {
    *width = 4;
    *height = 3;
    return ZR_OK;
  }
  ZRESULT GetBPP(uint32_t* out) override {
    *out = 24;
    return ZR_OK;
  }
  ZRESULT GetDPIX(uint32_t* out) override {
    *out = 96;
    return ZR_OK;
  }
  ZRESULT GetDPIY(uint32_t* out) override {
    *out = 96;
    return ZR_OK;
  }
  uint8_t* GetBits() override { return pixels_; }
  ZRESULT GetPalette(uint32_t, RGBQUAD*) override { return ZR_NOTSUPPORTED; }
  ZRESULT Draw(RasterDrawParms* parms) override {
    draws.push_back(*parms);
    return ZR_OK;
  }

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
  bool IsUnmodified() override { return false; }
  ZRESULT SetModified(bool modified) override { return ZR_NOTSUPPORTED; }
  ZRESULT GetOwner(IStdDataInterface** out) override { return ZR_NOTSUPPORTED; }
  ZRESULT SetOwner(IStdDataInterface* owner) override { return ZR_NOTSUPPORTED; }
  ZRESULT ChildModified(IStdDataInterface* child) override { return ZR_NOTSUPPORTED; }
  ZRESULT DetachChild(IStdDataInterface* child) override { return ZR_NOTSUPPORTED; }
  uint32_t GetUserWord() override { return 0; }
  ZRESULT SetUserWord(uint32_t word) override { return ZR_NOTSUPPORTED; }
  ZRESULT Unload() override { return ZR_NOTSUPPORTED; }
  ZRESULT GetWidth(uint32_t* out) override { return ZR_NOTSUPPORTED; }
  ZRESULT GetHeight(uint32_t* out) override { return ZR_NOTSUPPORTED; }
  ZRESULT GetBitsSize(uint32_t* out) override { return ZR_NOTSUPPORTED; }
  ZRESULT SetDPIX(uint32_t dpi) override { return ZR_NOTSUPPORTED; }
  ZRESULT SetDPIY(uint32_t dpi) override { return ZR_NOTSUPPORTED; }
  ZRESULT GetPercentage(uint32_t* out) override { return ZR_NOTSUPPORTED; }
  ZRESULT SetPercentage(uint32_t percentage) override { return ZR_NOTSUPPORTED; }
  ZRESULT DrawParallelogram(RasterPlgDrawParms* parms) override { return ZR_NOTSUPPORTED; }
  ZRESULT SaveToStream(uint32_t format, IFIOOStream* stream, uint32_t* bytesWritten) override {
    return ZR_NOTSUPPORTED;
  }
  ZRESULT Clone(IRasterImage** out) override { return ZR_NOTSUPPORTED; }
  ZRESULT Rotate(int32_t hundredthsOfDegree) override { return ZR_NOTSUPPORTED; }
  ZRESULT Crop(const RECT* rect) override { return ZR_NOTSUPPORTED; }
  ZRESULT ApplyPolygon(uint32_t count, const void* points, uint32_t flags) override { return ZR_NOTSUPPORTED; }
  ZRESULT CopyEx(const RECT* rect, IRasterImage** out) override { return ZR_NOTSUPPORTED; }
  ZRESULT Paste(const POINT* at, IRasterImage* source) override { return ZR_NOTSUPPORTED; }
  const WCHAR* GetName() override { return nullptr; }
  ZRESULT SetName(const WCHAR* name) override { return ZR_NOTSUPPORTED; }
  ZRESULT GetAuxData() override { return ZR_NOTSUPPORTED; }
  ZRESULT SetAuxData(uint32_t data) override { return ZR_NOTSUPPORTED; }
  ZRESULT Allocate(uint32_t width, uint32_t height, uint32_t bpp, const RGBQUAD* palette) override {
    return ZR_NOTSUPPORTED;
  }
  HRESULT CreatePalette(HDC dc, HPALETTE* out) override { return E_NOTIMPL; }
  ZRESULT Fill(COLORREF color) override { return ZR_NOTSUPPORTED; }
  ZRESULT Lock() override { return ZR_NOTSUPPORTED; }
  ZRESULT Unlock() override { return ZR_NOTSUPPORTED; }
  int32_t GetLockCount() override { return 0; }
  ZRESULT GetPixel(int32_t x, int32_t y, COLORREF* out) override { return ZR_NOTSUPPORTED; }
  ZRESULT SetPixel(int32_t x, int32_t y, uint32_t value) override { return ZR_NOTSUPPORTED; }
  ZRESULT GetPixelRGB(int32_t x, int32_t y, uint8_t rgb[3]) override { return ZR_NOTSUPPORTED; }
  ZRESULT SetPixelRGB(int32_t x, int32_t y, const uint8_t rgb[3]) override { return ZR_NOTSUPPORTED; }
  ZRESULT GetPixelLocked(int32_t x, int32_t y, COLORREF* out) override { return ZR_NOTSUPPORTED; }
  ZRESULT SetPixelLocked(int32_t x, int32_t y, uint32_t value) override { return ZR_NOTSUPPORTED; }
  ZRESULT Sample(uint32_t mode, double x, double y, const uint8_t defaultRGB[3], uint8_t outRGB[3]) override {
    return ZR_NOTSUPPORTED;
  }
  ZRESULT GetExtendedInfo(uint32_t kind, void* out) override { return ZR_NOTSUPPORTED; }
  ZRESULT CopyScanLine(uint32_t row, const uint8_t* pixels) override { return ZR_NOTSUPPORTED; }
  ZRESULT GetGDIDC(HDC* out) override { return ZR_NOTSUPPORTED; }
  ZRESULT ReleaseGDIDC(HDC dc) override { return ZR_NOTSUPPORTED; }
  ZRESULT ConvertToBPP(uint32_t bpp, bool dither) override { return ZR_NOTSUPPORTED; }
  ZRESULT ConvertToGrey() override { return ZR_NOTSUPPORTED; }
  ZRESULT CreateColorMask(uint32_t count, const uint32_t* colors, IRasterImage** out) override {
    return ZR_NOTSUPPORTED;
  }
  ZRESULT CopyToHGlobalDIB(HGLOBAL* out) override { return ZR_NOTSUPPORTED; }
  ZRESULT CopyFromHGlobalDIB(HGLOBAL dib) override { return ZR_NOTSUPPORTED; }
  ZRESULT AdjustBrightness(double percentage) override { return ZR_NOTSUPPORTED; }
  ZRESULT AdjustContrast(double percentage) override { return ZR_NOTSUPPORTED; }
  ZRESULT CopyRectFrom(IRasterImage* source, const RECT* from, const RECT* to, HRGN clip) override {
    return ZR_NOTSUPPORTED;
  }
  ZRESULT GetRasterInfo(RasterImageInfo* out) override { return ZR_NOTSUPPORTED; }
  ZRESULT GetDrawable(Pictrel::IDrawableDS** out) override { return ZR_NOTSUPPORTED; }
  ZRESULT FlipVertical() override { return ZR_NOTSUPPORTED; }
  ZRESULT FlipHorizontal() override { return ZR_NOTSUPPORTED; }
  ZRESULT Invert() override { return ZR_NOTSUPPORTED; }
#pragma GCC diagnostic pop

private:
  LONG references_ = 1;
  uint8_t pixels_[3 * 12] = {};
};

TEST(AttachedImageDrawTest, BlitsOfAnAttachedImageGoThroughItsDraw) {
  RecordingImage image;
  {
    SurfaceHolder surface;
    ASSERT_EQ(surface->AttachImage(&image), S_OK);
    HDC dc = CreateCompatibleDC(nullptr);
    const tagT_IRECT2D source{1, 0, 2, 1};
    EXPECT_EQ(surface->BltTo(dc, &source, 10, 20, false), S_OK);
    const tagT_IRECT2D target{5, 6, 12, 9};
    EXPECT_EQ(surface->StretchTo(dc, nullptr, &target, false), S_OK);
    ASSERT_EQ(image.draws.size(), 2u);
    const RasterDrawParms& blit = image.draws[0];
    EXPECT_EQ(blit.size, sizeof(RasterDrawParms));
    EXPECT_EQ(blit.hdc, dc);
    EXPECT_EQ(blit.source.left, 1);
    EXPECT_EQ(blit.source.bottom, 1);
    EXPECT_EQ(blit.destination.left, 10);
    EXPECT_EQ(blit.destination.right, 11);
    EXPECT_EQ(blit.destination.bottom, 21);
    EXPECT_EQ(blit.clip.right, blit.destination.right);
    const RasterDrawParms& stretch = image.draws[1];
    EXPECT_EQ(stretch.source.right, 3);  // the whole image
    EXPECT_EQ(stretch.source.bottom, 2);
    EXPECT_EQ(stretch.destination.right, 12);
    EXPECT_EQ(stretch.clip.bottom, 9);
    DeleteDC(dc);
  }
  EXPECT_EQ(image.GetRefCount(), 1);  // the surface let its reference go
}

}  // namespace
