// Slots whose drawing is not built yet: each answers E_NOTIMPL (or the
// empty answer of its type) and changes nothing.
#include "DrawableSurface.h"

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
HRESULT Pictrel::IDrawableDSImp::MakeTopDown() { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::MakeBottomUp() { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::SetFont(LPCWSTR, DWORD, int) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::SelectGdiObject(HGDIOBJ, HGDIOBJ*) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::DrawText(LPCWSTR, tagT_IRECT2D*, UINT, COLORREF) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::DrawTextAt(LPCWSTR, int, int, DWORD, COLORREF, tagT_IRECT2D*) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::LoadPNGResource(HINSTANCE, UINT) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::LoadImageFromMemory(const void*, DWORD) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::SetFontEx(LPCWSTR, DWORD, int, int) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::AlphaBlendTo(HDC, const tagT_IRECT2D*, int, int, int*, int*) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::FillTriangleDepth(IDrawableDS*, const tagT_IPOINT2D*, const float*, DWORD) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::DepthTestedSquare(IDrawableDS*, const tagT_IPOINT2D*, int, int32_t, DWORD) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::AlphaBlendToEx(HDC, const tagT_IRECT2D*, int, int, const BLENDFUNCTION*) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::DrawTexturedQuad(const TexturedQuadRecord*) { return E_NOTIMPL; }

