#include "PredicateInputs.h"

#include <map>
#include <utility>

namespace zefcorek::predicates::bench {

using testing::Case;
using testing::CaseGenerator;
using testing::CaseKind;
using testing::ShapeKind;

namespace {

InputSet makeSet(ShapeKind shape, InputKind kind) {
  CaseGenerator generator(0xbe4c0000u + 16u * unsigned(shape) + unsigned(kind));
  const CaseKind hardKinds[] = {CaseKind::Perturbed, CaseKind::TiltedGrid, CaseKind::LargeOffset, CaseKind::Exact,
                                CaseKind::Repeated};
  InputSet set;
  for (int i = 0; i < casesPerSet; ++i) {
    CaseKind caseKind = kind == InputKind::Easy ? CaseKind::Random : hardKinds[i % 5];
    Case c = generator.next(shape, caseKind);
    for (auto& point : c.points) {
      for (REAL& coordinate : point) {
        double rounded = double(coordinate);
        set.coordinates.push_back(rounded);
        if (kind != InputKind::HardExtended) coordinate = rounded;
      }
    }
    set.extended.push_back(c);
  }
  return set;
}

}  // namespace

const InputSet& inputSet(ShapeKind shape, InputKind kind) {
  static std::map<std::pair<int, int>, InputSet> sets;
  auto key = std::make_pair(int(shape), int(kind));
  auto found = sets.find(key);
  if (found == sets.end()) found = sets.emplace(key, makeSet(shape, kind)).first;
  return found->second;
}

}  // namespace zefcorek::predicates::bench
