// Slots of the raster image whose operations are not built yet: each answers
// "not supported", so the interface's table is final already.
#include "RasterImageImp.h"

ZRESULT IFIRasterImageImp::Draw(RasterDrawParms*) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::DrawParallelogram(RasterPlgDrawParms*) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::SaveToStream(uint32_t, IFIOOStream*, uint32_t*) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::Clone(IRasterImage** out) {
  if (out != nullptr) *out = nullptr;
  return ZR_NOTSUPPORTED;
}
ZRESULT IFIRasterImageImp::Rotate(int32_t) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::Crop(const RECT*) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::CopyEx(const RECT*, IRasterImage** out) {
  if (out != nullptr) *out = nullptr;
  return ZR_NOTSUPPORTED;
}
ZRESULT IFIRasterImageImp::Paste(const POINT*, IRasterImage*) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::Allocate(uint32_t, uint32_t, uint32_t, const RGBQUAD*) {
  return ZR_NOTSUPPORTED;
}
HRESULT IFIRasterImageImp::CreatePalette(HDC, HPALETTE* out) {
  if (out != nullptr) *out = nullptr;
  return E_NOTIMPL;
}
ZRESULT IFIRasterImageImp::GetPalette(uint32_t, RGBQUAD*) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::Fill(COLORREF) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::GetPixel(int32_t, int32_t, COLORREF*) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::SetPixel(int32_t, int32_t, uint32_t) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::GetPixelRGB(int32_t, int32_t, uint8_t[3]) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::SetPixelRGB(int32_t, int32_t, const uint8_t[3]) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::GetPixelLocked(int32_t, int32_t, COLORREF*) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::SetPixelLocked(int32_t, int32_t, uint32_t) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::Sample(uint32_t, double, double, const uint8_t[3], uint8_t[3]) {
  return ZR_NOTSUPPORTED;
}
ZRESULT IFIRasterImageImp::CopyScanLine(uint32_t, const uint8_t*) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::GetGDIDC(HDC* out) {
  if (out != nullptr) *out = nullptr;
  return ZR_NOTSUPPORTED;
}
ZRESULT IFIRasterImageImp::ReleaseGDIDC(HDC) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::ConvertToBPP(uint32_t, bool) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::ConvertToGrey() { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::CreateColorMask(uint32_t, const uint32_t*, IRasterImage** out) {
  if (out != nullptr) *out = nullptr;
  return ZR_NOTSUPPORTED;
}
ZRESULT IFIRasterImageImp::CopyToHGlobalDIB(HGLOBAL* out) {
  if (out != nullptr) *out = nullptr;
  return ZR_NOTSUPPORTED;
}
ZRESULT IFIRasterImageImp::CopyFromHGlobalDIB(HGLOBAL) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::AdjustBrightness(double) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::AdjustContrast(double) { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::CopyRectFrom(IRasterImage*, const RECT*, const RECT*, HRGN) {
  return ZR_NOTSUPPORTED;
}
ZRESULT IFIRasterImageImp::GetDrawable(Pictrel::IDrawableDS** out) {
  if (out != nullptr) *out = nullptr;
  return ZR_NOTSUPPORTED;
}
ZRESULT IFIRasterImageImp::FlipVertical() { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::FlipHorizontal() { return ZR_NOTSUPPORTED; }
ZRESULT IFIRasterImageImp::Invert() { return ZR_NOTSUPPORTED; }
