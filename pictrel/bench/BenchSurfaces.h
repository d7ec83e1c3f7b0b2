// The surfaces the benchmarks draw on. They are top-down, so that their first
// row is the first row of the buffer the peers draw into.
#pragma once

#include "pictrel/Pictrel.h"

#include <cairo.h>

#include <cstdint>

namespace benchsupport {

// A new top-down surface; the caller releases it.
inline Pictrel::IDrawableDS* newSurface(int width, int height, int bpp) {
  void* out = nullptr;
  pctAllocIntf(&Pictrel::IID_IDrawableDS, &out);
  auto* surface = static_cast<Pictrel::IDrawableDS*>(out);
  surface->CreateEx(width, -height, bpp, 0, nullptr);
  return surface;
}

// A square 32-bpp surface with a cairo context over the same pixels.
struct CairoCanvas {
  Pictrel::IDrawableDS* surface;
  cairo_surface_t* cairoSurface;
  cairo_t* cairo;

  explicit CairoCanvas(int sideLength)
      : surface(newSurface(sideLength, sideLength, 32)),
        cairoSurface(cairo_image_surface_create_for_data(surface->GetBits(), CAIRO_FORMAT_RGB24, sideLength, sideLength,
                                                         sideLength * 4)),
        cairo(cairo_create(cairoSurface)) {}
  ~CairoCanvas() {
    cairo_destroy(cairo);
    cairo_surface_destroy(cairoSurface);
    surface->Release();
  }
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  void setColor(uint32_t color) const {
    cairo_set_source_rgb(cairo, (color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, ((color >> 16) & 0xFF) / 255.0);
  }
};

}  // namespace benchsupport
