// Inputs shared by the predicate benchmarks: fixed-seed sets of cases per
// predicate, easy (random points) or hard (near-degenerate), each held both
// in extended precision and rounded to double.
//
// The hard set mixes the near-degenerate kinds of the tests' generator and
// rounds them to double, so every contestant (our extended predicates, a
// naive double determinant, the comparison library's filtered predicates)
// decides exactly the same points; the extended set keeps the generator's
// extended-precision values, whose degeneracy only ours can see.
#pragma once

#include "zefcorek/Predicates.h"

#include <vector>

#include "../tests/CaseGenerator.h"

namespace zefcorek::predicates::bench {

enum class InputKind { Easy, Hard, HardExtended };

struct InputSet {
  std::vector<testing::Case> extended;  // as our predicates see them
  std::vector<double> coordinates;      // the same points in double, 3 per point, 5 per case
};

// casesPerSet cases for the shape's predicate, deterministic per arguments.
const InputSet& inputSet(testing::ShapeKind shape, InputKind kind);

constexpr int casesPerSet = 4096;  // a power of two, for cheap cycling

}  // namespace zefcorek::predicates::bench
