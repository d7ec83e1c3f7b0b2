// pctAllocIntf: the library's one export, the factory of drawing surfaces.
#include "pictrel/Pictrel.h"

#include "DrawableSurface.h"

#include <new>

HRESULT pctAllocIntf(const GUID* iid, void** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (!iid || *iid != Pictrel::IID_IDrawableDS) return E_NOINTERFACE;
  auto* surface = new (std::nothrow) Pictrel::IDrawableDSImp();
  if (!surface) return E_NOINTERFACE;
  *out = static_cast<Pictrel::IDrawableDS*>(surface);
  return S_OK;
}
