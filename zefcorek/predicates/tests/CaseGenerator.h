// Deterministic inputs for the predicates, from easy random points to
// points that lie on a line, circle, plane or sphere up to the rounding of
// their coordinates or one unit in the last place.
#pragma once

#include "zefcorek/Predicates.h"

#include <cstdint>
#include <random>

namespace zefcorek::predicates::testing {

// The degenerate configuration of each predicate.
enum class ShapeKind {
  Line,    // three points for orient2d
  Plane,   // four points for orient3d
  Circle,  // four points for incircle
  Sphere,  // five points for insphere
};

enum class CaseKind {
  Random,       // independent points over a wide range of magnitudes
  Perturbed,    // on the shape, rounded, some coordinates moved by one ulp
  TiltedGrid,   // lattice points of the shape on a rotated grid of tiny spacing
  LargeOffset,  // perturbed points far from the origin
  Exact,        // on the shape exactly: integer lattice points, scaled and shifted
  Repeated,     // points of mixed magnitudes, one of them given twice
};

// Up to five points; 2-D shapes use the first two coordinates.
struct Case {
  REAL points[5][3];
};

class CaseGenerator {
public:
  explicit CaseGenerator(std::uint64_t seed) : random_(seed) {}

  Case next(ShapeKind shape, CaseKind kind);

private:
  REAL uniform(REAL low, REAL high);
  int integer(int low, int high);
  REAL powerOfTwo(int lowExponent, int highExponent);
  // Moves value by one unit in the last place down or up, or leaves it.
  REAL nudge(REAL value);

  Case random();
  Case onShape(ShapeKind shape, REAL scale, REAL offset);
  Case tiltedGrid(ShapeKind shape);
  Case exact(ShapeKind shape);
  Case repeated(ShapeKind shape);

  std::mt19937_64 random_;
};

// How many points and coordinates a shape's predicate takes.
int pointCount(ShapeKind shape);
int dimension(ShapeKind shape);

}  // namespace zefcorek::predicates::testing
