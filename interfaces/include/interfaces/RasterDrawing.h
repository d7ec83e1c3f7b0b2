// The record with which a raster image is drawn into a device context
// (IRasterImage::Draw), shared by the raster image and the drawing surface.
//
// In the 64-bit form the HDC is pointer-sized and the record is 80 bytes
// (72 on the original 32-bit system); cbSize is sizeof(RasterDrawParms):
//   offset 0   cbSize             u32 (then 4 bytes padding)
//   offset 8   target DC          HDC
//   offset 16  source rectangle   RECT, image pixels
//   offset 32  reserved           16 bytes, zero
//   offset 48  destination        RECT, DC pixels
//   offset 64  clip               RECT, DC pixels
#pragma once

#include "platform/GdiTypes.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

struct RasterDrawParms {
  uint32_t cbSize;
  HDC dc;
  RECT source;
  uint8_t reserved[16];
  RECT destination;
  RECT clip;
};
static_assert(sizeof(RasterDrawParms) == 80);
static_assert(offsetof(RasterDrawParms, destination) == 48);
