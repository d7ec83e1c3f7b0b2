// What the tests of the control-point transformation share: a fresh object
// from the factory, control-point records, and a fixture that fits a kind to
// a list of points and reads the coefficients and the mapping back.
#pragma once

#include "zefcorek/GfxRotoTrans.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace graphics_test {

// A new object from the factory, owned by the caller.
inline ZRESULT allocRotoTrans(IGfxRotoTrans** out) {
  void* made = nullptr;
  const ZRESULT result = zefCoreKAllocIntf(&CLSID_IGfxRotoTransImp, &made, 0);
  *out = static_cast<IGfxRotoTrans*>(made);
  return result;
}

inline IGfxRotoTrans* makeRotoTrans() {
  IGfxRotoTrans* made = nullptr;
  EXPECT_EQ(allocRotoTrans(&made), S_OK);
  return made;
}

// A current-size control-point record from source (x, y) to destination (X, Y).
inline GfxRotoTransPoint point(double x, double y, double X, double Y, const char16_t* name = u"",
                               double weight = 1.0) {
  GfxRotoTransPoint p{};
  p.cbSize = kGfxRotoTransPointSize;
  p.srcX = x;
  p.srcY = y;
  p.dstX = X;
  p.dstY = Y;
  p.weight = weight;
  std::memcpy(p.name, name, (std::char_traits<char16_t>::length(name) + 1) * 2);
  return p;
}

// A control point as the solver tests list them: source, destination, weight.
struct Pt {
  double x, y, X, Y, w = 1;
};

class RotoTransFixture : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(allocRotoTrans(&rt), S_OK); }
  void TearDown() override { rt->Release(); }

  // Replaces the points by `points`, sets `kind` and computes from an
  // unmodified state; answers what Compute answers.
  ZRESULT fit(uint32_t kind, const std::vector<Pt>& points) {
    rt->Reset(false);
    rt->SetParam(grpKind, kind);
    for (const Pt& q : points) {
      const GfxRotoTransPoint p = point(q.x, q.y, q.X, q.Y, u"", q.w);
      EXPECT_EQ(rt->AddPoint(&p, nullptr), 0);
    }
    rt->SetModified(false);
    return rt->Compute(false);
  }
  // The first `count` coefficients of the record; `result` receives what
  // GetCoeffs answered.
  std::vector<double> coeffsOf(size_t count, ZRESULT& result) {
    GfxRotoTransStreamableCoeffs record{};
    record.cbSize = kGfxRotoTransCoeffsSize;
    result = rt->GetCoeffs(&record);
    std::vector<double> out(count);
    std::memcpy(out.data(), record.coeffs, count * sizeof(double));
    return out;
  }
  // All sixteen coefficients, whatever GetCoeffs answered.
  std::vector<double> c() {
    ZRESULT ignored = 0;
    return coeffsOf(16, ignored);
  }
  T_POINT2D map(double x, double y) {
    T_POINT2D in{x, y}, out{};
    EXPECT_EQ(rt->TransformPoint(&in, &out), 0);
    return out;
  }
  T_POINT2D unmap(double X, double Y) {
    T_POINT2D in{X, Y}, out{};
    EXPECT_EQ(rt->InverseTransformPoint(&in, &out), 0);
    return out;
  }

  IGfxRotoTrans* rt = nullptr;
};

}  // namespace graphics_test
