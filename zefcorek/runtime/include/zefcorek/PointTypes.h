// The plain point records the runtime reads and writes: the text scanner
// fills them field by field. The geometry kernel uses the same records and
// gives them to its users through GeoTypes.h.
//
// Their field order is part of their contract: readers fill x, then y, then
// z. Coordinates carry no unit of their own.
#pragma once

// A 2-D point: x, then y.
struct T_POINT2D {
  double x;
  double y;
};

// A 3-D point: x, y, then z. Also the corner type of T_BBOX3D.
typedef struct tagT_POINT3D {
  double x;
  double y;
  double z;
} T_POINT3D;

// The records are read and written field by field by their users; they keep
// this exact layout, without padding.
static_assert(sizeof(T_POINT2D) == 16);
static_assert(sizeof(tagT_POINT3D) == 24);
