// Deterministic polygon fixtures shared by the geometry benchmarks.
//
// The generator is a 64-bit linear congruential sequence so that the Python
// scripts that time the peers without a C++ binding (see triangulate_peer.py)
// rebuild exactly the same rings from the same seed.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace geobench {

struct Pt {
  double x;
  double y;
};

class Lcg {
public:
  explicit Lcg(uint64_t seed) : state_(seed) {}
  // A double in [0, 1) from the top 53 bits.
  double next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return double(state_ >> 11) * (1.0 / 9007199254740992.0);
  }

private:
  uint64_t state_;
};

// A star-shaped ring of n points round the origin, clockwise (y up): the
// i-th point at a random radius in [5, 10) within the i-th angular cell.
inline std::vector<Pt> starRing(int n, uint64_t seed) {
  Lcg rng(seed);
  std::vector<Pt> out;
  out.reserve(n);
  for (int i = 0; i < n; ++i) {
    const double r = 5.0 + 5.0 * rng.next();
    const double a = -(i + 0.1 + 0.8 * rng.next()) * 6.283185307179586 / n;
    out.push_back({r * std::cos(a), r * std::sin(a)});
  }
  return out;
}

// A star-shaped ring of n points counter-clockwise (y up) round the origin:
// n random angles in order, each point at a random radius in [1, 10). The
// caller may go on drawing from `random`.
inline std::vector<Pt> sortedStarRing(unsigned n, std::mt19937_64& random) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<double> angles(n);
  for (double& a : angles) a = unit(random) * 2 * M_PI;
  std::sort(angles.begin(), angles.end());
  std::vector<Pt> out;
  out.reserve(n);
  for (double a : angles) {
    const double r = 1.0 + unit(random) * 9.0;
    out.push_back({r * std::cos(a), r * std::sin(a)});
  }
  return out;
}

}  // namespace geobench

namespace geobench {

// Rings for the polygon offset, all clockwise (y up).

// A regular n-gon of radius r.
inline std::vector<Pt> convexRing(int n, double r = 100.0) {
  std::vector<Pt> out;
  for (int i = 0; i < n; ++i) {
    const double a = -i * 6.283185307179586 / n;
    out.push_back({r * std::cos(a), r * std::sin(a)});
  }
  return out;
}

// A wavy ring: radius 100 with eight bumps of 15, its points jittered a
// little along it.
inline std::vector<Pt> concaveRing(int n, uint64_t seed) {
  Lcg rng(seed);
  std::vector<Pt> out;
  for (int i = 0; i < n; ++i) {
    const double a = -(i + 0.4 + 0.2 * rng.next()) * 6.283185307179586 / n;
    const double r = 100.0 + 15.0 * std::sin(8 * a);
    out.push_back({r * std::cos(a), r * std::sin(a)});
  }
  return out;
}

// A comb of rectangles: a spine of height 10 below y = 0 and `teeth` teeth
// of width 4 with gaps of 4; 4 * teeth points. The teeth are 50, 45, 40
// high and the gap floors at 0 and 1 in turn, so that no two offset edges
// lie on one line.
inline std::vector<Pt> combRing(int teeth) {
  std::vector<Pt> out;
  out.push_back({0, -10});
  for (int k = 0; k < teeth; ++k) {
    const double x = 8.0 * k;
    const double height = 50.0 - 5.0 * (k % 3);
    const double floor = k % 2;
    out.push_back({x, height});
    out.push_back({x + 4, height});
    if (k + 1 == teeth) break;
    out.push_back({x + 4, floor});
    out.push_back({x + 8, floor});
  }
  out.push_back({8.0 * teeth - 4, -10});
  return out;
}

// A band of width 8 along the spiral r = 20 + 4 * t, wound outwards and back
// inwards; n points (even), clockwise.
inline std::vector<Pt> spiralRing(int n) {
  const int half = n / 2;
  const double turns = 2.5 * 6.283185307179586;
  std::vector<Pt> out;
  for (int i = 0; i < half; ++i) {
    const double t = turns * i / (half - 1);
    const double r = 20 + 4 * t + 8;
    out.push_back({r * std::cos(-t), r * std::sin(-t)});
  }
  for (int i = half - 1; i >= 0; --i) {
    const double t = turns * i / (half - 1);
    const double r = 20 + 4 * t;
    out.push_back({r * std::cos(-t), r * std::sin(-t)});
  }
  return out;
}

}  // namespace geobench
