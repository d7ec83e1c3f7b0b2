// Slots whose drawing is not built yet: each answers E_NOTIMPL (or the
// empty answer of its type) and changes nothing.
#include "DrawableSurface.h"

RGBQUAD* Pictrel::IDrawableDSImp::GetPalette() { return nullptr; }
HRESULT Pictrel::IDrawableDSImp::SetPalette(const RGBQUAD*) { return E_NOTIMPL; }
int Pictrel::IDrawableDSImp::NearestPaletteIndex(COLORREF) { return -1; }
HRESULT Pictrel::IDrawableDSImp::GetPixel(int, int, COLORREF*) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::SetPixel(int, int, DWORD) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::XorPixel(int, int, DWORD) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::GetPixelIndex(int, int, int*) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::SetPixelIndex(int, int, int) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::XorPixelIndex(int, int, int) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::Clear(COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::HLine(int, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::VLine(int, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::Line(int, int, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::Rectangle(int, int, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::Circle(int, int, int, DWORD) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::FilledCircle(int, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::XorHLine(int, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::XorVLine(int, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::XorLine(int, int, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::XorRectangle(int, int, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::XorCircle(int, int, int, DWORD) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::XorFilledCircle(int, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::CreateHPALETTE(HDC, HPALETTE*) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::BltTo(HDC, const tagT_IRECT2D*, int, int, bool) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::StretchTo(HDC, const tagT_IRECT2D*, const tagT_IRECT2D*, bool) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::SwapRows(int, int) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::MirrorRow(int) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::FlipVertical() { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::MirrorHorizontal() { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::AttachImage(IRasterImage*) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::DetachImage() { return E_NOTIMPL; }
bool Pictrel::IDrawableDSImp::IsImageAttached() { return false; }
IRasterImage* Pictrel::IDrawableDSImp::GetAttachedImage() { return nullptr; }
HRESULT Pictrel::IDrawableDSImp::GetDC(HDC*, bool) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::ReleaseDC(HDC) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::CopyTo(IDrawableDS*, const tagT_IRECT2D*, int, int) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::TransferTo(IDrawableDS*, const tagT_IRECT2D*, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::TileTo(IDrawableDS*, const tagT_IRECT2D*, const tagT_IRECT2D*, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::TransferAllTo(IDrawableDS*, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::LoadBitmapResource(HINSTANCE, LPCWSTR, int) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::Ellipse(int, int, int, int, DWORD) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::XorEllipse(int, int, int, int, DWORD) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::ClipLine(int*, int*, int*, int*) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::MakeTopDown() { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::MakeBottomUp() { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::AALine(int, int, int, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::AACircle(int, int, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::FillPolygonColumn(int, const tagT_IPOINT2D*, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::FillPolygon(const tagT_IPOINT2D*, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::AAPolyline(const tagT_IPOINT2D*, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::AAPolygon(const tagT_IPOINT2D*, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::SetFont(LPCWSTR, DWORD, int) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::SelectGdiObject(HGDIOBJ, HGDIOBJ*) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::DrawText(LPCWSTR, tagT_IRECT2D*, UINT, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::DrawTextAt(LPCWSTR, int, int, DWORD, COLORREF, tagT_IRECT2D*) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::FillRect(int, int, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::FillRectR(const tagT_IRECT2D*, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::LoadPNGResource(HINSTANCE, UINT) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::LoadImageFromMemory(const void*, DWORD) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::SetFontEx(LPCWSTR, DWORD, int, int) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::AlphaBlendTo(HDC, const tagT_IRECT2D*, int, int, int*, int*) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::DashedHLine(int, int, int, COLORREF, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::DashedVLine(int, int, int, COLORREF, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::DashedLine(int, int, int, int, COLORREF, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::FillTriangle(const tagT_IPOINT2D*, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::AAFilledCircle(int, int, int, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::ThickLine(int, int, int, int, int, DWORD) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::BlendPixel(int, int, COLORREF, int) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::FillTriangleDepth(IDrawableDS*, const tagT_IPOINT2D*, const float*, DWORD) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::DepthTestedSquare(IDrawableDS*, const tagT_IPOINT2D*, int, int32_t, DWORD) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::AlphaBlendToEx(HDC, const tagT_IRECT2D*, int, int, const BLENDFUNCTION*) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::DrawTexturedQuad(const TexturedQuadRecord*) { return E_NOTIMPL; }
