// Every exact-sign form of every predicate against an exact evaluation in
// multiple-precision integers, on a million near-degenerate cases per
// predicate (points on a line, plane, circle or sphere up to rounding or one
// ulp, tilted lattices at tiny spacing, large offsets, exact lattices) and
// on random ones. No disagreement is allowed.
#include "zefcorek/Predicates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "CaseGenerator.h"
#include "ExactOracle.h"

namespace zefcorek::predicates::testing {
namespace {

int signOf(REAL value) { return (value > 0.0L) - (value < 0.0L); }

// A generous bound for the adapt forms: the permanent of the matrix of
// rounded differences (and lifts), every entry and product by magnitude,
// enlarged to cover its own rounding. Any bound at least this large keeps
// the sign guarantee; a larger one only sends more cases to later stages.
REAL permanentOf(const REAL (*rows)[4], const int* columns, int n, int firstRow) {
  if (n == 1) return std::fabs(rows[firstRow][columns[0]]);
  REAL sum = 0.0L;
  for (int skip = 0; skip < n; ++skip) {
    int rest[4], m = 0;
    for (int j = 0; j < n; ++j) {
      if (j != skip) rest[m++] = columns[j];
    }
    sum += std::fabs(rows[firstRow][columns[skip]]) * permanentOf(rows, rest, n - 1, firstRow + 1);
  }
  return sum;
}

REAL adaptBound(const Case& c, ShapeKind shape) {
  const int count = pointCount(shape);
  const int dims = dimension(shape);
  const bool lift = shape == ShapeKind::Circle || shape == ShapeKind::Sphere;
  REAL rows[4][4] = {};
  const REAL* last = c.points[count - 1];
  for (int i = 0; i < count - 1; ++i) {
    for (int j = 0; j < dims; ++j) {
      rows[i][j] = c.points[i][j] - last[j];
      if (lift) rows[i][dims] += rows[i][j] * rows[i][j];
    }
  }
  const int columns[] = {0, 1, 2, 3};
  return permanentOf(rows, columns, count - 1, 0) * (1.0L + std::ldexp(1.0L, -40));
}

struct Form {
  const char* name;
  REAL value;
};

// Evaluates the entry, exact, slow and adapt forms of the shape's predicate.
int evaluateForms(const Case& c, ShapeKind shape, Form* forms) {
  const auto& p = c.points;
  const REAL bound = adaptBound(c, shape);
  switch (shape) {
    case ShapeKind::Line:
      forms[0] = {"orient2d", orient2d(p[0], p[1], p[2])};
      forms[1] = {"orient2dexact", orient2dexact(p[0], p[1], p[2])};
      forms[2] = {"orient2dslow", orient2dslow(p[0], p[1], p[2])};
      forms[3] = {"orient2dadapt", orient2dadapt(p[0], p[1], p[2], bound)};
      return 4;
    case ShapeKind::Plane:
      forms[0] = {"orient3d", orient3d(p[0], p[1], p[2], p[3])};
      forms[1] = {"orient3dexact", orient3dexact(p[0], p[1], p[2], p[3])};
      forms[2] = {"orient3dslow", orient3dslow(p[0], p[1], p[2], p[3])};
      forms[3] = {"orient3dadapt", orient3dadapt(p[0], p[1], p[2], p[3], bound)};
      return 4;
    case ShapeKind::Circle:
      forms[0] = {"incircle", incircle(p[0], p[1], p[2], p[3])};
      forms[1] = {"incircleexact", incircleexact(p[0], p[1], p[2], p[3])};
      forms[2] = {"incircleslow", incircleslow(p[0], p[1], p[2], p[3])};
      forms[3] = {"incircleadapt", incircleadapt(p[0], p[1], p[2], p[3], bound)};
      return 4;
    case ShapeKind::Sphere:
      forms[0] = {"insphere", insphere(p[0], p[1], p[2], p[3], p[4])};
      forms[1] = {"insphereexact", insphereexact(p[0], p[1], p[2], p[3], p[4])};
      forms[2] = {"insphereslow", insphereslow(p[0], p[1], p[2], p[3], p[4])};
      forms[3] = {"insphereadapt", insphereadapt(p[0], p[1], p[2], p[3], p[4], bound)};
      return 4;
  }
  return 0;
}

int exactSign(ExactOracle& oracle, const Case& c, ShapeKind shape) {
  const auto& p = c.points;
  switch (shape) {
    case ShapeKind::Line: return oracle.orient2d(p[0], p[1], p[2]);
    case ShapeKind::Plane: return oracle.orient3d(p[0], p[1], p[2], p[3]);
    case ShapeKind::Circle: return oracle.incircle(p[0], p[1], p[2], p[3]);
    case ShapeKind::Sphere: return oracle.insphere(p[0], p[1], p[2], p[3], p[4]);
  }
  return 2;
}

std::string describe(const Case& c, ShapeKind shape) {
  std::string text;
  char buffer[64];
  for (int i = 0; i < pointCount(shape); ++i) {
    text += i == 0 ? "(" : " (";
    for (int j = 0; j < dimension(shape); ++j) {
      std::snprintf(buffer, sizeof buffer, j == 0 ? "%La" : ", %La", c.points[i][j]);
      text += buffer;
    }
    text += ")";
  }
  return text;
}

const char* shapeName(ShapeKind shape) {
  switch (shape) {
    case ShapeKind::Line: return "Orient2d";
    case ShapeKind::Plane: return "Orient3d";
    case ShapeKind::Circle: return "Incircle";
    case ShapeKind::Sphere: return "Insphere";
  }
  return "?";
}

const char* kindName(CaseKind kind) {
  switch (kind) {
    case CaseKind::Random: return "Random";
    case CaseKind::Perturbed: return "Perturbed";
    case CaseKind::TiltedGrid: return "TiltedGrid";
    case CaseKind::LargeOffset: return "LargeOffset";
    case CaseKind::Exact: return "Exact";
    case CaseKind::Repeated: return "Repeated";
  }
  return "?";
}

// Each kind runs in shards of its own seed, so that CTest can spread them
// over the processors. The five near-degenerate kinds give 10^6 cases per
// predicate; random cases settle at the first stage and need fewer.
constexpr int shardCount = 4;
constexpr long nearDegenerateCasesPerShard = 50000;
constexpr long randomCasesPerShard = 25000;

struct OracleParam {
  ShapeKind shape;
  CaseKind kind;
  int shard;
};

// The library derives the predicates' constants as it loads.
class PredicatesOracleTest : public ::testing::TestWithParam<OracleParam> {};

TEST_P(PredicatesOracleTest, EveryExactFormAgreesOnTheSign) {
  const ShapeKind shape = GetParam().shape;
  const CaseKind kind = GetParam().kind;
  const long caseCount = kind == CaseKind::Random ? randomCasesPerShard : nearDegenerateCasesPerShard;
  CaseGenerator generator(0x5eed0000u + 256u * unsigned(shape) + 16u * unsigned(kind) + unsigned(GetParam().shard));
  ExactOracle oracle;
  long disagreements = 0;
  long bySign[3] = {};
  long cases = 0;
  for (; cases < caseCount; ++cases) {
    const Case c = generator.next(shape, kind);
    const int expected = exactSign(oracle, c, shape);
    ++bySign[expected + 1];
    Form forms[4];
    const int formCount = evaluateForms(c, shape, forms);
    for (int f = 0; f < formCount; ++f) {
      if (signOf(forms[f].value) == expected) continue;
      if (++disagreements <= 5) {
        ADD_FAILURE() << forms[f].name << " gives " << double(forms[f].value) << ", exact sign " << expected << ", at "
                      << describe(c, shape);
      }
    }
  }
  EXPECT_EQ(disagreements, 0);
  EXPECT_EQ(cases, caseCount);
  // The generators must really produce what they promise: both signs,
  // and exactly degenerate cases where they are meant to.
  if (kind != CaseKind::Repeated) {
    EXPECT_GT(bySign[0], 0);
    EXPECT_GT(bySign[2], 0);
  }
  if (kind == CaseKind::Exact) {
    EXPECT_GT(bySign[1], caseCount / 4);
  }
  if (kind == CaseKind::Repeated) {
    EXPECT_EQ(bySign[1], caseCount);
  }
}

std::vector<OracleParam> allParams() {
  std::vector<OracleParam> params;
  for (ShapeKind shape : {ShapeKind::Line, ShapeKind::Plane, ShapeKind::Circle, ShapeKind::Sphere}) {
    for (CaseKind kind : {CaseKind::Random, CaseKind::Perturbed, CaseKind::TiltedGrid, CaseKind::LargeOffset,
                          CaseKind::Exact, CaseKind::Repeated}) {
      for (int shard = 0; shard < shardCount; ++shard) params.push_back({shape, kind, shard});
    }
  }
  return params;
}

INSTANTIATE_TEST_SUITE_P(Cases, PredicatesOracleTest, ::testing::ValuesIn(allParams()),
                         [](const ::testing::TestParamInfo<OracleParam>& info) {
                           return std::string(shapeName(info.param.shape)) + kindName(info.param.kind) + "Shard" +
                                  std::to_string(info.param.shard);
                         });

}  // namespace
}  // namespace zefcorek::predicates::testing
