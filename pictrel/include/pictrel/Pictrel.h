// The drawing surface library: one kind of object, the off-screen raster
// surface Pictrel::IDrawableDS, made by pctAllocIntf. Both are declared with
// the interfaces the core library shares.
#pragma once

#include "interfaces/DrawableDS.h"

// Asks the surface to call `released(context)` once when it next lets go of
// its attached raster image (detached, attached to another image, or
// destroyed), before it drops its reference to the image. The owner of a
// non-owning link to the surface clears it there. A null `released` cancels
// the call. E_INVALIDARG for a null surface, E_FAIL when no image is attached.
ZEF_EXTERN_C HRESULT pctNotifyImageRelease(Pictrel::IDrawableDS* surface, void (*released)(void* context),
                                           void* context);
