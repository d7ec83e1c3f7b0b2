// SmoothPoly: rounds the corners of a polyline or polygon by repeated corner
// cutting in the x-y plane. Each round doubles the vertices around every
// corner; z stays that of the input vertex each output vertex comes from.
#pragma once

#include "platform/Export.h"

#include <cstdint>

class T_V3DLIST;

// The smoothing parameters.
struct T_SMOOTHPARAMS {
  // 0 no smoothing; 2 the first round splits each vertex along the direction
  // from its previous to its next neighbour, later rounds cut corners; any
  // other value: every round cuts corners.
  uint8_t method;
  uint32_t level;  // rounds; 0 no smoothing, above 8 taken as 8
  double factor;   // strength in percent
};

inline constexpr uint32_t kSmoothMaxLevel = 8;

// Makes a new open list of the smoothed vertices in *result (the caller
// deletes it) and returns its vertex count. *result is set to null first;
// with method 0, level 0, fewer than three vertices or a null argument
// nothing is made and 0 is returned. The input's ids stand at the start of
// each vertex's block of output vertices; all others are 0xFFFFFFFF.
ZEF_EXTERN_C uint32_t SmoothPoly(const T_SMOOTHPARAMS* params, const T_V3DLIST* input, T_V3DLIST** result);
