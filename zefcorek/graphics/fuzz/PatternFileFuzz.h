// The pattern-file fuzz targets' common body: the input becomes a pattern
// file of the given extension, read by a registered handler, every record
// handed back freed.
#pragma once

#include "zefcorek/ClassIds.h"
#include "zefcorek/HatchHandler.h"
#include "zefcorek/HatchRegistry.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Paths.h"

#include "FuzzAccepted.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

inline void fuzzPatternFile(const uint8_t* data, size_t size, const char* extension) {
  const std::string native =
      (std::filesystem::temp_directory_path() / ("zef-pattern-fuzz-" + std::to_string(getpid()) + extension)).string();
  std::ofstream(native, std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  const std::u16string path = platform::windowsPath(native);

  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IHatchRegistryImp, &made, 0) != 0) return;
  auto* registry = static_cast<IHatchRegistry*>(made);
  if (zefCoreKAllocIntf(&CLSID_IHatchHandlerACADCompImp, &made, 0) != 0) {
    registry->Release();
    return;
  }
  auto* handler = static_cast<IHatchHandler*>(made);
  registry->RegisterHandler(handler);

  uint32_t count = 0;
  handler->GetPatternCount(path.c_str(), &count);
  for (uint32_t first : {0u, 1u}) {
    HatchPatternInfo* records[3] = {};
    if (handler->LoadPatterns(path.c_str(), first, 3, records) == ZR_OK && records[0] != nullptr) {
      zef::fuzz::noteAccepted();
    }
    for (HatchPatternInfo* info : records)
      if (info != nullptr) registry->FreePatternInfo(info);
  }
  registry->UnregisterAllHandlers();
  handler->Release();
  registry->Release();
  std::filesystem::remove(native);
}
