#include "CaseGenerator.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zefcorek::predicates::testing {

namespace {

struct Lattice {
  int x, y, z;
};

// Integer points with x^2 + y^2 (+ z^2) = radiusSquared: exactly on a circle
// or sphere, so any four (five) of them are cocircular (cospherical).
std::vector<Lattice> latticePointsOn(int radiusSquared, bool sphere) {
  std::vector<Lattice> points;
  int r = int(std::sqrt(double(radiusSquared))) + 1;
  for (int x = -r; x <= r; ++x) {
    for (int y = -r; y <= r; ++y) {
      if (!sphere) {
        if (x * x + y * y == radiusSquared) points.push_back({x, y, 0});
        continue;
      }
      for (int z = -r; z <= r; ++z) {
        if (x * x + y * y + z * z == radiusSquared) points.push_back({x, y, z});
      }
    }
  }
  return points;
}

const std::vector<Lattice>& circleLattice(int which) {
  static const std::vector<Lattice> lattices[] = {latticePointsOn(25, false), latticePointsOn(625, false),
                                                  latticePointsOn(4225, false)};
  return lattices[which];
}

const std::vector<Lattice>& sphereLattice(int which) {
  static const std::vector<Lattice> lattices[] = {latticePointsOn(9, true), latticePointsOn(49, true),
                                                  latticePointsOn(81, true)};
  return lattices[which];
}

}  // namespace

int pointCount(ShapeKind shape) {
  switch (shape) {
    case ShapeKind::Line: return 3;
    case ShapeKind::Plane: return 4;
    case ShapeKind::Circle: return 4;
    case ShapeKind::Sphere: return 5;
  }
  return 0;
}

int dimension(ShapeKind shape) { return shape == ShapeKind::Line || shape == ShapeKind::Circle ? 2 : 3; }

REAL CaseGenerator::uniform(REAL low, REAL high) {
  // 64 random bits make a full extended significand.
  REAL unit = std::ldexp(REAL(random_()), -64);
  return low + (high - low) * unit;
}

int CaseGenerator::integer(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

REAL CaseGenerator::powerOfTwo(int lowExponent, int highExponent) {
  return std::ldexp(1.0L, integer(lowExponent, highExponent));
}

REAL CaseGenerator::nudge(REAL value) {
  switch (integer(0, 2)) {
    case 0: return std::nextafter(value, -HUGE_VALL);
    case 1: return std::nextafter(value, HUGE_VALL);
    default: return value;
  }
}

Case CaseGenerator::next(ShapeKind shape, CaseKind kind) {
  switch (kind) {
    case CaseKind::Random: return random();
    case CaseKind::Perturbed: return onShape(shape, powerOfTwo(-20, 20), 0.0L);
    case CaseKind::TiltedGrid: return tiltedGrid(shape);
    case CaseKind::LargeOffset: return onShape(shape, powerOfTwo(-10, 10), uniform(-1.0L, 1.0L) * powerOfTwo(20, 45));
    case CaseKind::Exact: return exact(shape);
    case CaseKind::Repeated: return repeated(shape);
  }
  return {};
}

Case CaseGenerator::random() {
  Case c{};
  REAL scale = powerOfTwo(-30, 30);
  for (auto& point : c.points) {
    for (REAL& coordinate : point) coordinate = uniform(-1.0L, 1.0L) * scale;
  }
  return c;
}

Case CaseGenerator::onShape(ShapeKind shape, REAL scale, REAL offset) {
  Case c{};
  const int count = pointCount(shape);
  auto randomPoint = [&](REAL* p) {
    for (int j = 0; j < 3; ++j) p[j] = uniform(-1.0L, 1.0L) * scale;
  };
  switch (shape) {
    case ShapeKind::Line: {
      randomPoint(c.points[0]);
      randomPoint(c.points[1]);
      REAL t = uniform(-2.0L, 3.0L);
      for (int j = 0; j < 2; ++j) {
        c.points[2][j] = c.points[0][j] + t * (c.points[1][j] - c.points[0][j]);
      }
      break;
    }
    case ShapeKind::Plane: {
      randomPoint(c.points[0]);
      randomPoint(c.points[1]);
      randomPoint(c.points[2]);
      REAL s = uniform(-2.0L, 3.0L), t = uniform(-2.0L, 3.0L);
      for (int j = 0; j < 3; ++j) {
        c.points[3][j] = c.points[0][j] + s * (c.points[1][j] - c.points[0][j]) + t * (c.points[2][j] - c.points[0][j]);
      }
      break;
    }
    case ShapeKind::Circle: {
      REAL centre[3];
      randomPoint(centre);
      REAL radius = uniform(0.01L, 1.0L) * scale;
      for (int i = 0; i < count; ++i) {
        REAL angle = uniform(0.0L, 6.283185307179586476925L);
        c.points[i][0] = centre[0] + radius * std::cos(angle);
        c.points[i][1] = centre[1] + radius * std::sin(angle);
      }
      break;
    }
    case ShapeKind::Sphere: {
      REAL centre[3];
      randomPoint(centre);
      REAL radius = uniform(0.01L, 1.0L) * scale;
      std::normal_distribution<double> normal;
      for (int i = 0; i < count; ++i) {
        REAL direction[3] = {normal(random_), normal(random_), normal(random_)};
        REAL length =
            std::sqrt(direction[0] * direction[0] + direction[1] * direction[1] + direction[2] * direction[2]);
        for (int j = 0; j < 3; ++j) c.points[i][j] = centre[j] + radius * direction[j] / length;
      }
      break;
    }
  }
  // Any point may be the constructed one, then shift and nudge.
  std::shuffle(c.points, c.points + count, random_);
  for (int i = 0; i < count; ++i) {
    for (int j = 0; j < dimension(shape); ++j) c.points[i][j] = nudge(c.points[i][j] + offset);
  }
  return c;
}

namespace {

std::vector<Lattice> latticeCase(ShapeKind shape, int count, std::mt19937_64& random) {
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  std::vector<Lattice> chosen;
  switch (shape) {
    case ShapeKind::Line: {
      Lattice start{pick(-20, 20), pick(-20, 20), 0};
      Lattice step{pick(-5, 5), pick(-5, 5), 0};
      for (int i = 0; i < count; ++i) {
        int t = pick(-10, 10);
        chosen.push_back({start.x + t * step.x, start.y + t * step.y, 0});
      }
      return chosen;
    }
    case ShapeKind::Plane: {
      for (int i = 0; i < count; ++i) chosen.push_back({pick(-30, 30), pick(-30, 30), 0});
      return chosen;
    }
    case ShapeKind::Circle:
    case ShapeKind::Sphere: {
      const std::vector<Lattice>& all =
          shape == ShapeKind::Circle ? circleLattice(pick(0, 2)) : sphereLattice(pick(0, 2));
      Lattice shift{pick(-50, 50), pick(-50, 50), shape == ShapeKind::Sphere ? pick(-50, 50) : 0};
      for (int i = 0; i < count; ++i) {
        const Lattice& p = all[std::size_t(pick(0, int(all.size()) - 1))];
        chosen.push_back({p.x + shift.x, p.y + shift.y, p.z + shift.z});
      }
      return chosen;
    }
  }
  return chosen;
}

}  // namespace

Case CaseGenerator::tiltedGrid(ShapeKind shape) {
  const int count = pointCount(shape);
  std::vector<Lattice> lattice = latticeCase(shape, count, random_);
  // A rotated, uniformly scaled frame (rounded, so only nearly orthogonal),
  // at a tiny spacing around a base point of ordinary size.
  REAL spacing = powerOfTwo(-50, -10);
  REAL frame[3][3];
  std::normal_distribution<double> normal;
  REAL q[4] = {normal(random_), normal(random_), normal(random_), normal(random_)};
  REAL norm = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  for (REAL& v : q) v /= norm;
  if (dimension(shape) == 2) {
    REAL angle = uniform(0.0L, 6.283185307179586476925L);
    REAL cs = std::cos(angle) * spacing, sn = std::sin(angle) * spacing;
    REAL rotation[3][3] = {{cs, sn, 0}, {-sn, cs, 0}, {0, 0, 0}};
    std::copy(&rotation[0][0], &rotation[0][0] + 9, &frame[0][0]);
  } else {
    REAL w = q[0], x = q[1], y = q[2], z = q[3];
    REAL rotation[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y + w * z), 2 * (x * z - w * y)},
                           {2 * (x * y - w * z), 1 - 2 * (x * x + z * z), 2 * (y * z + w * x)},
                           {2 * (x * z + w * y), 2 * (y * z - w * x), 1 - 2 * (x * x + y * y)}};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) frame[i][j] = rotation[i][j] * spacing;
    }
  }
  REAL base[3] = {uniform(-1.0L, 1.0L), uniform(-1.0L, 1.0L), uniform(-1.0L, 1.0L)};
  Case c{};
  for (int i = 0; i < count; ++i) {
    const int l[3] = {lattice[i].x, lattice[i].y, lattice[i].z};
    for (int j = 0; j < dimension(shape); ++j) {
      c.points[i][j] = base[j] + (l[0] * frame[0][j] + l[1] * frame[1][j] + l[2] * frame[2][j]);
    }
  }
  return c;
}

Case CaseGenerator::exact(ShapeKind shape) {
  const int count = pointCount(shape);
  std::vector<Lattice> lattice = latticeCase(shape, count, random_);
  // Lattice coordinates scaled by a power of two and shifted by a multiple
  // of it stay exactly representable, and so does the degeneracy; one
  // nudged coordinate in two cases then breaks it by the least amount.
  const int fineExponent = integer(-40, 0);
  const REAL fine = std::ldexp(1.0L, fineExponent);
  REAL base[3];
  for (REAL& b : base) b = REAL(integer(-(1 << 20), 1 << 20)) * std::ldexp(1.0L, integer(fineExponent, 0));
  Case c{};
  const bool planeInSpace = shape == ShapeKind::Plane;
  for (int i = 0; i < count; ++i) {
    const int l[3] = {lattice[i].x, lattice[i].y, lattice[i].z};
    for (int j = 0; j < dimension(shape); ++j) c.points[i][j] = base[j] + l[j] * fine;
    // A plane through the lattice that is not a coordinate plane: z = x + 2y.
    if (planeInSpace) c.points[i][2] = base[2] + (l[0] + 2 * l[1]) * fine;
  }
  if (integer(0, 1) == 1) {
    REAL& coordinate = c.points[integer(0, count - 1)][integer(0, dimension(shape) - 1)];
    coordinate = integer(0, 1) == 1 ? std::nextafter(coordinate, HUGE_VALL) : std::nextafter(coordinate, -HUGE_VALL);
  }
  return c;
}

Case CaseGenerator::repeated(ShapeKind shape) {
  // Coordinates far apart in magnitude make the differences inexact, and
  // the repeated point makes the determinant exactly zero: the rounded
  // stages then cannot settle it and the exact completion must.
  Case c{};
  const int count = pointCount(shape);
  for (int i = 0; i < count; ++i) {
    REAL scale = powerOfTwo(-40, 40);
    for (REAL& coordinate : c.points[i]) coordinate = uniform(-1.0L, 1.0L) * scale;
  }
  const int from = integer(0, count - 1);
  int to = integer(0, count - 2);
  if (to >= from) ++to;
  std::copy(c.points[from], c.points[from] + 3, c.points[to]);
  return c;
}

}  // namespace zefcorek::predicates::testing
