// Plain point, size and rectangle records of the geometry kernel.
//
// These are the smallest pieces of the geometry vocabulary: records without
// members that are filled field by field (the text scanner, the printer
// paper matcher) and passed to the vector, line, circle and clip classes.
// Their field order is part of their contract: readers fill x, then y, then
// z; a size is its width, then its height. Coordinates carry no unit of
// their own; the rest of the kernel uses metres.
#pragma once

// The point records live with the runtime, which reads them; they are part
// of the geometry vocabulary all the same.
#include "zefcorek/PointTypes.h"

#include <cstdint>

// A 2-D extent: the width, then the height.
typedef struct tagT_SIZE2D {
  double width;
  double height;
} T_SIZE2D;

// An integer 2-D point.
typedef struct tagT_IPOINT2D {
  int32_t x;
  int32_t y;
} T_IPOINT2D;

// An integer rectangle given by its minimum and maximum corners. Two
// rectangles overlap unless one's maximum is below the other's minimum on
// either axis, so rectangles whose edges touch overlap.
typedef struct tagT_IRECT2D {
  int32_t xmin;
  int32_t ymin;
  int32_t xmax;
  int32_t ymax;
} T_IRECT2D;

// The records are read and written field by field by their users; they keep
// this exact layout, without padding.
static_assert(sizeof(tagT_SIZE2D) == 16);
static_assert(sizeof(tagT_IPOINT2D) == 8);
static_assert(sizeof(tagT_IRECT2D) == 16);
