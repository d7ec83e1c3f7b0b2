// Where the adaptive predicates settle their sign, counted only in an
// instrumented build.
//
// The library never counts: ZEF_COUNT_STAGE expands to nothing unless the
// sources are compiled with ZEF_PREDICATES_COUNT_STAGES, which only the
// stage tests and the stage benchmark do, each in its own copy of the
// sources. The counters are plain globals, for single-threaded use.
#pragma once

namespace zefcorek::predicates {

enum class PredicateKind { Orient2d, Orient3d, Incircle, Insphere };
// Stage A: the rounded determinant; B: the estimate from the rounded
// differences; ExactDifferences: the B value returned because every
// difference was exact; C: after the first-order tail correction;
// D: the exact completion.
enum class StageKind { A, B, ExactDifferences, C, D };

constexpr int predicateKindCount = 4;
constexpr int stageKindCount = 5;

}  // namespace zefcorek::predicates

#ifdef ZEF_PREDICATES_COUNT_STAGES
namespace zefcorek::predicates {
inline unsigned long long stageCounts[predicateKindCount][stageKindCount];
}  // namespace zefcorek::predicates
#define ZEF_COUNT_STAGE(predicate, stage)                                                                    \
  (++::zefcorek::predicates::stageCounts[static_cast<int>(::zefcorek::predicates::PredicateKind::predicate)] \
                                        [static_cast<int>(::zefcorek::predicates::StageKind::stage)])
#else
#define ZEF_COUNT_STAGE(predicate, stage) ((void)0)
#endif
