// Small PNG pictures written by the image library for the decoding tests.
#pragma once

#include "platform/Gdi.h"

#include <FreeImage.h>

#include <vector>

namespace platform::testing {

// A width × height PNG at 24 or 32 bits whose pixel (x, y) (y from the
// top) is blue x·40, green y·60, red 200 and, at 32 bits, alpha 255 − x·50.
inline std::vector<BYTE> pngPicture(int width, int height, int bpp) {
  FIBITMAP* bitmap = FreeImage_Allocate(width, height, bpp);
  for (int y = 0; y < height; ++y) {
    BYTE* row = FreeImage_GetScanLine(bitmap, height - 1 - y);
    for (int x = 0; x < width; ++x) {
      BYTE* p = row + x * (bpp / 8);
      p[0] = static_cast<BYTE>(x * 40);
      p[1] = static_cast<BYTE>(y * 60);
      p[2] = 200;
      if (bpp == 32) p[3] = static_cast<BYTE>(255 - x * 50);
    }
  }
  FIMEMORY* memory = FreeImage_OpenMemory();
  FreeImage_SaveToMemory(FIF_PNG, bitmap, memory, 0);
  BYTE* data = nullptr;
  DWORD size = 0;
  FreeImage_AcquireMemory(memory, &data, &size);
  std::vector<BYTE> bytes(data, data + size);
  FreeImage_CloseMemory(memory);
  FreeImage_Unload(bitmap);
  return bytes;
}

// The ARGB word the picture has at (x, y).
inline uint32_t pngPixel(int x, int y, int bpp) {
  const uint32_t alpha = bpp == 32 ? 255u - static_cast<uint32_t>(x) * 50 : 255u;
  return (alpha << 24) | (200u << 16) | (static_cast<uint32_t>(y * 60) << 8) | static_cast<uint32_t>(x * 40);
}

}  // namespace platform::testing
