// The smallest and largest bucket counts of the hash table's prime table.
#pragma once

namespace zefcorek {

inline constexpr unsigned kFewestBuckets = 11;
inline constexpr unsigned kMostBuckets = 13845163;

}  // namespace zefcorek
