// Any bytes as a bitmap file for LoadDIBSectionFromFile: a section whose
// rows can be touched, or none; never a read past the file or a write past
// the section.
#include "zefcorek/DibSections.h"

#include "platform/Paths.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "FuzzAccepted.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string native = "/tmp/zef-dib-file-fuzz-" + std::to_string(getpid()) + ".bmp";
  static const std::u16string path = platform::windowsPath(native);
  FILE* file = std::fopen(native.c_str(), "wb");
  if (file == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);
  void* bits = nullptr;
  if (HBITMAP bitmap = LoadDIBSectionFromFile(path.c_str(), &bits, nullptr, 0)) {
    zef::fuzz::noteAccepted();
    DIBSECTION dib{};
    GetObjectW(bitmap, sizeof dib, &dib);
    volatile BYTE last = static_cast<BYTE*>(bits)[static_cast<size_t>(dib.dsBm.bmWidthBytes) * dib.dsBm.bmHeight - 1];
    (void)last;
    DeleteObject(bitmap);
  }
  std::remove(native.c_str());
  return 0;
}
