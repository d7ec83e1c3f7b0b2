// Slots that load encoded images, not built yet: each answers
// E_NOTIMPL (or the empty answer of its type) and changes nothing.
#include "DrawableSurface.h"

HRESULT Pictrel::IDrawableDSImp::LoadPNGResource(HINSTANCE, UINT) { return E_NOTIMPL; }
HRESULT Pictrel::IDrawableDSImp::LoadImageFromMemory(const void*, DWORD) { return E_NOTIMPL; }



