// System colours: the stand-in for the window system's colour scheme.
//
// There is no desktop theme to ask here, so the system colours are the
// standard default scheme, fixed in a table (SysColors.cpp). Colours are
// 32-bit platform colour values: red | green << 8 | blue << 16.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

// The colour of the system colour `index` (0 scroll bar .. 30 menu bar);
// 0 for an index outside the table.
ZEF_EXTERN_C DWORD GetSysColor(int index);

namespace platform {

// The framework's colour resolution: a value with the top bit set names a
// system colour by its low byte; any other value is returned as it is.
ZEF_EXPORT uint32_t ColorToRGB(uint32_t color);

}  // namespace platform
