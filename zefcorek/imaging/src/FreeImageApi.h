// The image library's header, included in one place.
//
// On Linux it declares its own GDI-shaped types (BOOL, DWORD, RGBQUAD,
// BITMAPINFO, ...) and TRUE/FALSE macros. Ours are the same types, so our
// headers go first; the library's TRUE/FALSE macros then only stand for the
// values our constants have.
#pragma once

#include "platform/WinTypes.h"

#include <FreeImage.h>
