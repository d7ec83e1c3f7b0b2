// CRndGen: a linear congruential generator of pseudo-random integers with a
// 32-bit state, reproducible from a seed; not for cryptography. Each step
// replaces the state by state * 22695477 + 1 modulo 2^32.
#pragma once

#include "platform/Export.h"

#include <cstdint>

class ZEF_EXPORT CRndGen {
public:
  // As SetSeed(1).
  CRndGen() { SetSeed(1); }
  explicit CRndGen(uint32_t seed) { SetSeed(seed); }

  // The current state (not the seed last given).
  uint32_t GetSeed() const { return state_; }
  // state = seed, then one step whose result is dropped.
  void SetSeed(uint32_t seed) {
    state_ = seed;
    step();
  }
  // One step; the low 31 bits of the new state.
  uint32_t Random32() { return step() & 0x7FFFFFFFu; }
  // A value in 0 .. n - 1 (n - 1 only for the largest Random32()); 0
  // without a step for n = 0.
  uint32_t Random32(uint32_t n);
  // One step; bits 16 to 30 of the new state.
  uint32_t Random16() { return (step() >> 16) & 0x7FFFu; }

private:
  uint32_t step() {
    state_ = state_ * 22695477u + 1u;
    return state_;
  }

  uint32_t state_;
};
