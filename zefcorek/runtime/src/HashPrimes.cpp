// The bucket counts of the hash table: primes spaced about one and a half
// times apart, so that a table resized to the next one above its item count
// holds about one item per bucket.
#include "zefcorek/HashTable.h"

#include "HashPrimes.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr unsigned kSpacedPrimes[] = {11,      19,      37,      73,      109,     163,     251,     367,    557,
                                      823,     1237,    1861,    2777,    4177,    6247,    9371,    14057,  21089,
                                      31627,   47431,   71143,   106721,  160073,  240101,  360163,  540217, 810343,
                                      1215497, 1823231, 2734867, 4102283, 6153409, 9230113, 13845163};
static_assert(std::size(kSpacedPrimes) == 34);
static_assert(kSpacedPrimes[0] == zefcorek::kFewestBuckets);
static_assert(kSpacedPrimes[33] == zefcorek::kMostBuckets);

}  // namespace

unsigned SpacedPrimesClosest(unsigned n) {
  const auto* above = std::upper_bound(std::begin(kSpacedPrimes), std::end(kSpacedPrimes), n);
  return above != std::end(kSpacedPrimes) ? *above : zefcorek::kMostBuckets;
}
