// The version of a module file, read from its version information.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

// A module's version. preRelease is 2 when the file is marked as a
// pre-release, else 0.
struct TModuleVersionInfo {
  uint16_t major;
  uint16_t minor;
  uint16_t release;
  uint16_t build;
  uint32_t preRelease;
};
static_assert(sizeof(TModuleVersionInfo) == 12);

// Fills `out` from the product version of the file (the file version when
// the product version's major part is 0). 1 when read; 0, with `out`
// unchanged, when the file has no version information or cannot be read.
ZEF_EXTERN_C int GetModuleVersionInfo(const WCHAR* fileName, TModuleVersionInfo* out);
// The same for a loaded module (null: the program); 0 when its file name
// cannot be had.
ZEF_EXTERN_C int GetModuleVersionInfoEx(HMODULE module, TModuleVersionInfo* out);
