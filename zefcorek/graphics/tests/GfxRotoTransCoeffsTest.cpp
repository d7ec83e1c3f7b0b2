// The coefficient record of the control-point transformation, the rotation
// and scale queries and edits, and the AM record conversions.
#include "GfxRotoTransFixture.h"
#include "zefcorek/AMCompat.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using graphics_test::point;
using graphics_test::makeRotoTrans;

GfxRotoTransStreamableCoeffs recordOf(uint32_t kind, const std::vector<double>& c) {
  GfxRotoTransStreamableCoeffs record{};
  record.cbSize = kGfxRotoTransCoeffsSize;
  record.kind = kind;
  std::memcpy(record.coeffs, c.data(), c.size() * sizeof(double));
  return record;
}

// The packed block of the oriented kinds: flags, then nine doubles.
GfxRotoTransStreamableCoeffs orientRecord(uint32_t kind, double alpha, double s, double r) {
  GfxRotoTransStreamableCoeffs record{};
  record.cbSize = kGfxRotoTransCoeffsSize;
  record.kind = kind;
  const double values[9] = {alpha, 0, 0, s, r, s * std::sin(M_PI / 2 - alpha), s * std::cos(M_PI / 2 - alpha), 0, 0};
  std::memcpy(record.coeffs + 4, values, sizeof values);
  return record;
}

TEST(RotoTransCoeffs, RecordBytesOfASimilarity) {
  IGfxRotoTrans* rt = makeRotoTrans();
  rt->SetParam(grpKind, grtSimilarity);
  const GfxRotoTransPoint a = point(0, 0, 10, 10), b = point(1, 0, 10, 12);
  rt->AddPoint(&a, nullptr);
  rt->AddPoint(&b, nullptr);
  ASSERT_EQ(rt->Compute(false), 0);
  GfxRotoTransStreamableCoeffs record{};
  record.cbSize = kGfxRotoTransCoeffsSize;
  ASSERT_EQ(rt->GetCoeffs(&record), 0);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
  uint32_t words[4];
  std::memcpy(words, bytes, sizeof words);
  EXPECT_EQ(words[0], 308u);
  EXPECT_EQ(words[1], 0u);
  EXPECT_EQ(words[2], 2u);
  EXPECT_EQ(words[3], 0u);
  for (int i = 16; i < 52; ++i) EXPECT_EQ(bytes[i], 0) << i;
  double c[6];
  std::memcpy(c, bytes + 52, sizeof c);
  const double expected[6] = {0, 0, 2, 0, 10, 10};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(c[i], expected[i]) << i;
  for (int i = 52 + 48; i < 308; ++i) ASSERT_EQ(bytes[i], 0) << i;

  double sx = 0, sy = 0, angle = 0, azimuth = 9;
  ASSERT_EQ(rt->GetScales(&sx, &sy), 0);
  EXPECT_EQ(sx + sy, 4.0);
  ASSERT_EQ(rt->GetRotationAngle(&angle, 0), 0);
  EXPECT_NEAR(angle, M_PI / 2, 1e-15);
  ASSERT_EQ(rt->GetAzimuth(&azimuth, 0), 0);
  EXPECT_NEAR(azimuth, 0, 1e-15);
  EXPECT_EQ(rt->GetAzimuth(&azimuth, 2), 10);
  EXPECT_EQ(azimuth, 0.0);
  ASSERT_EQ(rt->RemoveRotation(), 0);
  rt->GetRotationAngle(&angle, 0);
  EXPECT_EQ(angle, 0.0);
  rt->GetScales(&sx, &sy);
  EXPECT_EQ(sx, 2.0);
  rt->Release();
}

// Rotation 30 degrees (or an orientation of 60), scales 2 and 3 where the
// kind has two. Expected: rotation results and angles per axis, scales,
// then the results of RemoveRotation and RemoveScale and the angle and
// scales they leave.
TEST(RotoTransCoeffs, RotationAndScaleOfEveryKind) {
  const double t = M_PI / 6, sn = std::sin(t), cs = std::cos(t);
  const std::vector<double> similar = {0, 0, 2 * sn, 2 * cs, 0, 0, 0, 0};
  const std::vector<double> rigid = {0, 0, sn, cs, 0, 0};
  const std::vector<double> affine = {0, 0, 2 * cs, -2 * sn, 3 * cs, 3 * sn, 0, 0, 0, 0};
  const std::vector<double> twoScale = {0, 0, 2, 3, cs, sn, 0, 0, 0, 0, 2, 3, cs, sn, 0, 0};
  const std::vector<double> raw = {1, 0.5, 0, -0.5, 1, 0, 1e-3, 1e-3};
  struct Row {
    uint32_t kind;
    GfxRotoTransStreamableCoeffs record;
    ZRESULT angleResult;
    double angle0, angle1;
    ZRESULT scaleResult;
    double sx, sy;
    ZRESULT removeRotation, removeScale;
    double angleAfter;        // axis 0 after RemoveRotation (when it answered 0)
    double sxAfter, syAfter;  // after RemoveScale (when it answered 0)
  };
  std::vector<Row> rows;
  for (uint32_t k : {0u, 4u, 7u, 8u})
    rows.push_back({k, recordOf(k, similar), 0, t, 2 * M_PI / 3, 0, 2, 2, 0, 0, 0, 1, 1});
  for (uint32_t k : {10u, 11u}) rows.push_back({k, recordOf(k, rigid), 0, t, 2 * M_PI / 3, 0, 1, 1, 0, 0, 0, 1, 1});
  for (uint32_t k : {1u, 5u, 9u})
    rows.push_back({k, recordOf(k, affine), 0, t, std::atan2(3 * cs, 3 * sn), 0, 2, 3, 0, 0, 0, 1, 1});
  rows.push_back({2, recordOf(2, {0.5, 0.25}), 0, 0, M_PI / 2, 0, 0.5, 0.25, 0, 21, 0, 0, 0});
  rows.push_back({3, recordOf(3, raw), 2, 0, 0, 2, 0, 0, 2, 21, 0, 0, 0});
  for (uint32_t k : {6u, 17u, 18u}) rows.push_back({k, recordOf(k, raw), 2, 7, 7, 2, 0, 0, 2, 2, 0, 0, 0});
  for (uint32_t k : {12u, 13u, 19u, 20u})
    rows.push_back({k, recordOf(k, twoScale), 0, t, M_PI / 2 - t, 0, 2, 3, 0, 0, 0, 1, 1});
  for (uint32_t k : {14u, 15u, 16u})
    rows.push_back({k, orientRecord(k, M_PI / 3, 2, 1.5), 0, t, 2 * M_PI / 3, 0, 2, 3, 0, 0, M_PI / 2, 1, 1.5});
  ASSERT_EQ(rows.size(), 21u);

  for (const Row& row : rows) {
    SCOPED_TRACE(row.kind);
    IGfxRotoTrans* rt = makeRotoTrans();
    ASSERT_EQ(rt->SetCoeffs(&row.record, false), 0);
    double a0 = 7, a1 = 7;
    EXPECT_EQ(rt->GetRotationAngle(&a0, 0), row.angleResult);
    rt->GetRotationAngle(&a1, 1);
    EXPECT_NEAR(a0, row.angle0, 1e-12);
    EXPECT_NEAR(a1, row.angle1, 1e-12);
    double sx = 0, sy = 0;
    EXPECT_EQ(rt->GetScales(&sx, &sy), row.scaleResult);
    if (row.scaleResult == 0) {
      EXPECT_NEAR(sx, row.sx, 1e-12);
      EXPECT_NEAR(sy, row.sy, 1e-12);
    }
    EXPECT_EQ(rt->RemoveRotation(), row.removeRotation);
    if (row.removeRotation == 0) {
      rt->GetRotationAngle(&a0, 0);
      EXPECT_NEAR(a0, row.angleAfter, 1e-12);
    }
    EXPECT_EQ(rt->RemoveScale(), row.removeScale);
    if (row.removeScale == 0) {
      rt->GetScales(&sx, &sy);
      EXPECT_NEAR(sx, row.sxAfter, 1e-12);
      EXPECT_NEAR(sy, row.syAfter, 1e-12);
    }
    rt->Release();
  }
}

TEST(RotoTransCoeffs, RatiosAndRefusals) {
  IGfxRotoTrans* rt = makeRotoTrans();
  GfxRotoTransStreamableCoeffs record = recordOf(2, {0.5, 0.25});
  ASSERT_EQ(rt->SetCoeffs(&record, false), 0);
  double ratio = 0;
  EXPECT_EQ(rt->GetScaleRatioXY(&ratio), 0);
  EXPECT_EQ(ratio, 2.0);
  EXPECT_EQ(rt->GetScaleRatioYX(&ratio), 0);
  EXPECT_EQ(ratio, 0.5);
  // A zero divisor scale: 1.0 and 2.
  record = recordOf(2, {0.5, 0});
  ASSERT_EQ(rt->SetCoeffs(&record, false), 0);
  EXPECT_EQ(rt->GetScaleRatioXY(&ratio), 2);
  EXPECT_EQ(ratio, 1.0);
  record = recordOf(6, {1, 0, 0, 0, 1, 0});
  ASSERT_EQ(rt->SetCoeffs(&record, false), 0);
  ratio = 0;
  EXPECT_EQ(rt->GetScaleRatioXY(&ratio), 2);
  EXPECT_EQ(ratio, 1.0);
  // A zero row cannot lose its scale.
  record = recordOf(1, {0, 0, 0, 0, 1, 0, 5, 5});
  ASSERT_EQ(rt->SetCoeffs(&record, false), 0);
  EXPECT_EQ(rt->RemoveScale(), 2);
  GfxRotoTransStreamableCoeffs back{};
  back.cbSize = kGfxRotoTransCoeffsSize;
  ASSERT_EQ(rt->GetCoeffs(&back), 0);
  EXPECT_EQ(std::memcmp(back.coeffs, record.coeffs, 64), 0);
  // An azimuth within 1e-6 of a full turn reads 0: kind 0 turned by
  // pi/2 - 1e-8 (the azimuth of its angle is 2 pi - 1e-8... or 1e-8).
  record = recordOf(0, {0, 0, std::sin(M_PI / 2 + 1e-8), std::cos(M_PI / 2 + 1e-8), 0, 0});
  ASSERT_EQ(rt->SetCoeffs(&record, false), 0);
  double azimuth = 5;
  ASSERT_EQ(rt->GetAzimuth(&azimuth, 0), 0);
  EXPECT_EQ(azimuth, 0.0);
  // Unsolved.
  rt->Reset(false);
  EXPECT_EQ(rt->RemoveRotation(), 2);
  EXPECT_EQ(rt->GetScales(&ratio, nullptr), 2);
  EXPECT_EQ(rt->GetScales(nullptr, nullptr), 10);
  double angle = 3;
  EXPECT_EQ(rt->GetRotationAngle(&angle, 0), 2);
  EXPECT_EQ(angle, 0.0);
  rt->Release();
}

// For every kind this build fits, the record carries the fit exactly: the
// forward and inverse images of random points agree bit for bit.
TEST(RotoTransCoeffs, RecordsReproduceFits) {
  std::mt19937 random(23);
  std::uniform_real_distribution<double> coordinate(-100, 100);
  for (uint32_t kind : {0u, 1u, 2u, 4u}) {
    SCOPED_TRACE(kind);
    IGfxRotoTrans* rt = makeRotoTrans();
    rt->SetParam(grpKind, kind);
    for (int i = 0; i < 6; ++i) {
      GfxRotoTransPoint p = point(coordinate(random), coordinate(random), coordinate(random), coordinate(random));
      p.length = 50;
      rt->AddPoint(&p, nullptr);
    }
    ASSERT_EQ(rt->Compute(false), 0);
    GfxRotoTransStreamableCoeffs record{};
    record.cbSize = kGfxRotoTransCoeffsSize;
    ASSERT_EQ(rt->GetCoeffs(&record), 0);
    IGfxRotoTrans* copy = makeRotoTrans();
    ASSERT_EQ(copy->SetCoeffs(&record, false), 0);
    for (int i = 0; i < 20; ++i) {
      const T_POINT2D in{coordinate(random), coordinate(random)};
      T_POINT2D a{}, b{};
      ASSERT_EQ(rt->TransformPoint(&in, &a), 0);
      ASSERT_EQ(copy->TransformPoint(&in, &b), 0);
      EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
      ASSERT_EQ(rt->InverseTransformPoint(&in, &a), 0);
      ASSERT_EQ(copy->InverseTransformPoint(&in, &b), 0);
      EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    }
    T_POINT2D f1{}, f2{};
    rt->GetResiduals(&f1, nullptr);
    copy->GetResiduals(&f2, nullptr);
    EXPECT_EQ(f1.x, f2.x);
    copy->Release();
    rt->Release();
  }
}

// --- the AM records ------------------------------------------------------------------

TEST(AMCompat, Conversions) {
  AMCoeffs64 am{};
  for (int i = 0; i < 32; ++i) am.c[i] = i + 1.0;
  RTCoeffs64 rt{};
  EXPECT_EQ(AMCompatCvtAMCoeffsToRTCoeffs64(&am, &rt), 0);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(rt.c[i], i < 16 ? i + 1.0 : 0.0) << i;

  // 32-bit records, built byte by byte.
  auto record32 = [](int16_t kind, const std::vector<double>& doubles, const std::vector<float>& floats,
                     size_t floatsAt) {
    std::vector<uint8_t> bytes(128, 0);
    const uint32_t version = 3;
    std::memcpy(bytes.data() + 4, &version, 4);
    std::memcpy(bytes.data() + 8, &kind, 2);
    if (!doubles.empty()) std::memcpy(bytes.data() + 12, doubles.data(), doubles.size() * 8);
    if (!floats.empty()) std::memcpy(bytes.data() + floatsAt, floats.data(), floats.size() * 4);
    return bytes;
  };
  std::vector<float> halves;
  for (int i = 0; i < 16; ++i) halves.push_back(i + 0.5f);
  StreamableAMCoeffs64 out{};
  std::vector<uint8_t> three = record32(3, {}, halves, 12);
  EXPECT_EQ(AMCompatCvtStreamableAMCoeffs32To64(reinterpret_cast<const StreamableAMCoeffs32*>(three.data()), &out), 0);
  EXPECT_EQ(out.cbSize, 272u);
  EXPECT_EQ(out.version, 3u);
  EXPECT_EQ(out.kind, 3);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(out.coeffs.c[i], i + 0.5) << i;

  const double centre[2] = {1.0 / 3, -7.1};
  std::vector<uint8_t> one = record32(1, {centre[0], centre[1]}, {1, 2, 3, 4, 5, 6}, 28);
  AMCompatCvtStreamableAMCoeffs32To64(reinterpret_cast<const StreamableAMCoeffs32*>(one.data()), &out);
  EXPECT_EQ(std::memcmp(out.coeffs.c, centre, 16), 0);
  EXPECT_EQ(out.coeffs.c[7], 6.0);
  EXPECT_EQ(out.coeffs.c[8], 0.0);

  std::vector<uint8_t> seven = record32(7, {1, 2}, {3, 4}, 28);
  AMCompatCvtStreamableAMCoeffs32To64(reinterpret_cast<const StreamableAMCoeffs32*>(seven.data()), &out);
  EXPECT_EQ(out.kind, 7);
  for (double c : out.coeffs.c) EXPECT_EQ(c, 0.0);
  std::vector<uint8_t> negative = record32(-2, {}, {}, 12);
  AMCompatCvtStreamableAMCoeffs32To64(reinterpret_cast<const StreamableAMCoeffs32*>(negative.data()), &out);
  EXPECT_EQ(out.kind, -2) << "widened with its sign";

  // RT -> AM -> RT keeps size, version, kind and c0..c15 only.
  GfxRotoTransStreamableCoeffs rtRecord{};
  rtRecord.cbSize = 308;
  rtRecord.version = 5;
  rtRecord.pointCount = 4;
  rtRecord.kind = 12;
  rtRecord.forwardX = 1.5;
  rtRecord.reserved = 9;
  std::memcpy(rtRecord.coeffs, am.c, 256);
  StreamableAMCoeffs64 middle{};
  AMCompatCvtStreamableRTCoeffsToAMCoeffs64(&rtRecord, &middle);
  EXPECT_EQ(middle.cbSize, 272u);
  GfxRotoTransStreamableCoeffs again{};
  std::memset(&again, 0xFF, sizeof again);
  AMCompatCvtStreamableAMCoeffsToRTCoeffs64(&middle, &again);
  EXPECT_EQ(again.cbSize, 308u);
  EXPECT_EQ(again.version, 5u);
  EXPECT_EQ(again.kind, 12u);
  EXPECT_EQ(again.pointCount, 0u);
  EXPECT_EQ(+again.forwardX, 0.0);
  EXPECT_EQ(again.reserved, 0u);
  double c[32];
  std::memcpy(c, again.coeffs, sizeof c);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(c[i], i < 16 ? i + 1.0 : 0.0) << i;
}

}  // namespace
