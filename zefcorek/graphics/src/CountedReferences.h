// Holding and handing out counted interface pointers, as the graphics
// objects keep their peers (splines, tools, managers).
#pragma once

#include "zefcorek/StdInterface.h"

namespace zefcorek::graphics {

// Takes a reference on `fresh`, drops the one on `*slot`, stores `fresh`.
template <typename Interface>
void replaceCounted(Interface** slot, Interface* fresh) {
  if (fresh != nullptr) fresh->AddRef();
  if (*slot != nullptr) (*slot)->Release();
  *slot = fresh;
}

// Stores `held` in `*out` with a reference of its own for the caller.
template <typename Interface>
ZRESULT handOut(Interface* held, Interface** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = held;
  if (held != nullptr) held->AddRef();
  return ZR_OK;
}

}  // namespace zefcorek::graphics
