// The CAD colour index: colour numbers 0..256 of drawing exchange files and
// their 32-bit platform colours (red | green << 8 | blue << 16).
#pragma once

#include "platform/Export.h"

#include <cstdint>

// The palette entry of the index; an index above 256 gives the entry of 7
// (white).
ZEF_EXTERN_C uint32_t MapACADColorToRGB(uint16_t index);

// The index 1..255 nearest to the colour (squared distance of the channels;
// the first of equals, an exact match at once); white and black give 7. The
// last question and answer are remembered, safely for concurrent callers.
ZEF_EXTERN_C uint16_t FindNearestACADColor(uint32_t color);
