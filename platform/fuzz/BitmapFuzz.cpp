// The bitmap loader under hostile data: any bytes registered as a bitmap
// resource either load as a section whose rows lie inside its memory or
// load as nothing, never reading past the data.
#include "platform/BinaryResources.h"

#include "platform/Gdi.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "FuzzAccepted.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(uintptr_t{0xF022});
  platform::registerBinaryResource(module, RT_BITMAP, MAKEINTRESOURCEW(1), std::span<const BYTE>(data, size));
  HANDLE loaded = LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (loaded) {
    zef::fuzz::noteAccepted();
    DIBSECTION dib{};
    GetObjectW(loaded, sizeof dib, &dib);
    // Touch the first and the last byte of the rows.
    volatile BYTE first = static_cast<BYTE*>(dib.dsBm.bmBits)[0];
    volatile BYTE last =
        static_cast<BYTE*>(dib.dsBm.bmBits)[static_cast<size_t>(dib.dsBm.bmWidthBytes) * dib.dsBm.bmHeight - 1];
    (void)first;
    (void)last;
    DeleteObject(loaded);
  }
  platform::unregisterBinaryResources(module);
  return 0;
}
