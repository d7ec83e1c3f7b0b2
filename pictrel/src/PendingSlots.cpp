// Slots of images, blits and row operations, not built yet: each answers
// E_NOTIMPL (or the empty answer of its type) and changes nothing.
#include "DrawableSurface.h"

HRESULT Pictrel::IDrawableDSImp::BltTo(HDC, const tagT_IRECT2D*, int, int, bool) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::StretchTo(HDC, const tagT_IRECT2D*, const tagT_IRECT2D*, bool) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::LoadBitmapResource(HINSTANCE, LPCWSTR, int) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::LoadPNGResource(HINSTANCE, UINT) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::LoadImageFromMemory(const void*, DWORD) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::AlphaBlendTo(HDC, const tagT_IRECT2D*, int, int, int*, int*) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::AlphaBlendToEx(HDC, const tagT_IRECT2D*, int, int, const BLENDFUNCTION*) { return E_NOTIMPL; }

