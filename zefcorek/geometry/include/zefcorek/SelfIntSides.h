// T_SELFINTSIDES: one self-intersection of a vertex list, the record of the
// lists that SelfIntGetSidesList of both vertex lists returns.
#pragma once

#include "zefcorek/Vector2D.h"

#include <cstdint>

struct T_SELFINTSIDES {
  uint32_t side1Start;  // index i of the first vertex of the earlier side
  uint32_t side1End;    // (i + 1) modulo the vertex count
  uint32_t side2Start;  // index j of the first vertex of the later side, j > i
  uint32_t side2End;    // (j + 1) modulo the vertex count
  T_VECTOR2D crossing;  // where the two sides cross
};
static_assert(sizeof(T_SELFINTSIDES) == 32, "record size of the self-intersection lists");
