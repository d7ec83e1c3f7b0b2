// The centroid of a polygon whose vertices sit in a record list, each
// record beginning with the vertex's coordinates as doubles (x, y for the
// 2-D function, x, y, z for the 3-D one), as in the vertex lists' storage.
#pragma once

#include "zefcorek/GeoTypes.h"

#include "platform/Export.h"

struct IRecList;

// The area centroid of the closed polygon, whatever its orientation; false
// for a null argument, and false with out = (0, 0) when the polygon's area
// is below 0.001 (square units).
ZEF_EXTERN_C bool CalcPgonCentroid2D(IRecList* list, T_POINT2D* out);
// The area-weighted mean of the centroids of the fan of triangles from the
// last vertex (unsigned areas: for a non-convex or non-planar polygon not
// its true centroid); false, out untouched, for a null argument, fewer than
// 3 vertices or a total area below 1e-8.
ZEF_EXTERN_C bool CalcPgonCentroid3D(IRecList* list, tagT_POINT3D* out);
