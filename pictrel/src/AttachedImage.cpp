// Calls into an attached raster image.
//
// The raster image's type information lives in the core library, which this
// library must not link. The sanitizer's check of dynamic types would need
// it for every call through IRasterImage, so the functions here leave that
// one check out; the images they call are the core library's own objects.
#include "DrawableSurface.h"

#include "interfaces/RasterImage.h"

__attribute__((no_sanitize("vptr"))) void Pictrel::releaseAttachedImage(void* image) {
  if (image) static_cast<IRasterImage*>(image)->Release();
}
