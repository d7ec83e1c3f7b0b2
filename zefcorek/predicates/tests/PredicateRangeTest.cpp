// The first stages of orient3d, incircle and insphere sum their error bound
// in double when they can. Near-degenerate cases moved by powers of two to
// where the products fall below or rise above double's range must still get
// the exact sign: scaling by 2^k changes no sign, and the exact forms (which
// never use the double bound) tell what it is.
#include "zefcorek/Predicates.h"

#include <gtest/gtest.h>

#include <cmath>

#include "CaseGenerator.h"

namespace zefcorek::predicates::testing {
namespace {

int signOf(REAL value) { return (value > 0.0L) - (value < 0.0L); }

int adaptiveSign(ShapeKind shape, const Case& c) {
  const auto& p = c.points;
  switch (shape) {
    case ShapeKind::Plane: return signOf(orient3d(p[0], p[1], p[2], p[3]));
    case ShapeKind::Circle: return signOf(incircle(p[0], p[1], p[2], p[3]));
    case ShapeKind::Sphere: return signOf(insphere(p[0], p[1], p[2], p[3], p[4]));
    case ShapeKind::Line: break;
  }
  return 2;
}

int exactSign(ShapeKind shape, const Case& c) {
  const auto& p = c.points;
  switch (shape) {
    case ShapeKind::Plane: return signOf(orient3dexact(p[0], p[1], p[2], p[3]));
    case ShapeKind::Circle: return signOf(incircleexact(p[0], p[1], p[2], p[3]));
    case ShapeKind::Sphere: return signOf(insphereexact(p[0], p[1], p[2], p[3], p[4]));
    case ShapeKind::Line: break;
  }
  return 2;
}

TEST(PredicateRangeTest, SignsHoldWhereDoubleUnderflowsOrOverflows) {
  // From products that are subnormal or zero in double to products beyond
  // its largest value, with the boundaries of the double path in between.
  const int exponents[] = {-1200, -700, -560, -400, -340, -250, 0, 250, 400, 700, 1200};
  const ShapeKind shapes[] = {ShapeKind::Plane, ShapeKind::Circle, ShapeKind::Sphere};
  for (ShapeKind shape : shapes) {
    CaseGenerator generator(0x5ca1e000u + unsigned(shape));
    for (int i = 0; i < 400; ++i) {
      const Case original = generator.next(shape, i % 2 == 0 ? CaseKind::Perturbed : CaseKind::Random);
      for (int exponent : exponents) {
        Case scaled = original;
        for (auto& point : scaled.points) {
          for (REAL& coordinate : point) coordinate = std::ldexp(coordinate, exponent);
        }
        ASSERT_EQ(adaptiveSign(shape, scaled), exactSign(shape, scaled))
            << "shape " << int(shape) << ", case " << i << ", scaled by 2^" << exponent;
      }
    }
  }
}

}  // namespace
}  // namespace zefcorek::predicates::testing
