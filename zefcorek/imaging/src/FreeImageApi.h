// The image library's header, included in one place.
//
// Without a Windows header the library declares its own GDI-shaped records
// (RGBQUAD, BITMAPINFO, ...). The platform's GDI header declares the same
// records under the same guard, so it goes first and the library takes
// ours; the library's TRUE/FALSE macros then only stand for the values our
// constants have.
#pragma once

#include "platform/Gdi.h"
#include "platform/WinTypes.h"

#include <FreeImage.h>
