// pctAllocIntf, the factory of drawing surfaces, and the release notice
// for whoever links to a surface attached to its image.
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

HRESULT pctNotifyImageRelease(Pictrel::IDrawableDS* surface, void (*released)(void* context), void* context) {
  if (!surface) return E_INVALIDARG;
  // Every surface comes from the factory above.
  auto* own = static_cast<Pictrel::IDrawableDSImp*>(surface);
  if (!own->IsImageAttached()) return E_FAIL;
  own->notifyImageRelease(released, released ? context : nullptr);
  return S_OK;
}
