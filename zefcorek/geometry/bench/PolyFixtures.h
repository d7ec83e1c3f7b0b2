// Deterministic polygon fixtures shared by the geometry benchmarks.
//
// The generator is a 64-bit linear congruential sequence so that the Python
// scripts that time the peers without a C++ binding (see triangulate_peer.py)
// rebuild exactly the same rings from the same seed.
#pragma once

#include <cmath>
#include <cstdint>
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

}  // namespace geobench
