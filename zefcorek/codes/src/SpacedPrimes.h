// The bucket counts of the code databases: the runtime hash table's spaced
// primes, each about one and a half times the one before.
#pragma once

#include "zefcorek/HashTable.h"

namespace CodesDB {

// The first spaced prime above n; the largest, 13,845,163, from there on.
inline unsigned NextSpacedPrime(unsigned n) { return SpacedPrimesClosest(n); }

}  // namespace CodesDB
