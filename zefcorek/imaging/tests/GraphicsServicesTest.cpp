// What the image subsystem relies on of the graphics zoomer and the
// control-point transformation, checked line by line.
#include "zefcorek/ClassIds.h"
#include "zefcorek/GfxRotoTrans.h"
#include "zefcorek/GfxZoomer.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

namespace {

template <typename Interface>
Interface* make(const CLSID& classId) {
  void* made = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&classId, &made, 0), S_OK);
  return static_cast<Interface*>(made);
}

TEST(GraphicsServicesTest, ZoomerFitsABoxWithinItsLimits) {
  auto* zoomer = make<IGfxZoomer>(CLSID_IGfxZoomerImp);
  double zoom = 0, width = 0, height = 0;
  EXPECT_EQ(zoomer->GetZoom(&zoom), ZR_OK);
  EXPECT_EQ(zoom, 1.0);
  EXPECT_EQ(zoomer->GetDeviceSize(&width, &height), ZR_OK);
  EXPECT_EQ(width, 100.0);
  EXPECT_EQ(height, 100.0);
  EXPECT_EQ(zoomer->GetLowerLimits(&width, &height), ZR_OK);
  EXPECT_EQ(width, 1.0);
  EXPECT_EQ(zoomer->GetUpperLimits(&width, &height), ZR_OK);
  EXPECT_EQ(width, 32000.0);

  EXPECT_EQ(zoomer->SetDeviceSize(0, 10), ZR_BADARG);
  EXPECT_EQ(zoomer->SetDeviceSize(10, -1), ZR_BADARG);
  EXPECT_EQ(zoomer->GetWorldSize(nullptr, nullptr), ZR_BADARG);

  const struct {
    double deviceW, deviceH, boxW, boxH, worldW, worldH;
  } fits[] = {
      {800, 600, 200, 200, 200, 150},  // the smaller quotient
      {100, 50, 400, 400, 400, 200},   // up as well as down
      {100, 50, -400, 400, 400, 200},  // the box's sign does not matter
      {4, 4, 200000, 200000, 4, 4},    // past the upper limit: the zoom stays
  };
  for (const auto& row : fits) {
    ASSERT_EQ(zoomer->SetZoom(false, 1.0), ZR_OK);
    ASSERT_EQ(zoomer->SetDeviceSize(row.deviceW, row.deviceH), ZR_OK);
    (void)zoomer->SetZoomAtPoint(row.boxW, row.boxH);
    EXPECT_EQ(zoomer->GetWorldSize(&width, &height), ZR_OK);
    EXPECT_DOUBLE_EQ(width, row.worldW) << row.deviceW << "x" << row.deviceH;
    EXPECT_DOUBLE_EQ(height, row.worldH) << row.deviceW << "x" << row.deviceH;
  }
  zoomer->Release();
}

TEST(GraphicsServicesTest, ControlPointObjectTakesBothRecordSizes) {
  auto* estimator = make<IGfxRotoTrans>(CLSID_IGfxRotoTransImp);
  EXPECT_EQ(estimator->SetParam(3, 1), ZR_BADARG);
  EXPECT_EQ(estimator->Reset(false), ZR_OK);
  EXPECT_EQ(estimator->SetParam(grpKind, 6), ZR_OK);

  GfxRotoTransStreamableCoeffs coeffs{};
  coeffs.cbSize = kGfxRotoTransCoeffsSize;
  coeffs.kind = 77;
  EXPECT_EQ(estimator->GetCoeffs(&coeffs), ZR_FAILED) << "nothing computed yet";
  EXPECT_EQ(coeffs.kind, 0u) << "zeroed first";
  coeffs.cbSize = 307;
  EXPECT_EQ(estimator->GetCoeffs(&coeffs), ZR_BADARG);

  const double points[4][4] = {{0, 0, 10, 20}, {1, 0, 12, 20}, {0, 1, 10, 22}, {1, 1, 12, 22}};
  for (int index = 0; index < 4; ++index) {
    GfxRotoTransPoint point{};
    point.cbSize = index == 2 ? kGfxRotoTransPointOldSize : kGfxRotoTransPointSize;
    point.srcX = points[index][0];
    point.srcY = points[index][1];
    point.dstX = points[index][2];
    point.dstY = points[index][3];
    point.weight = 1.0;
    uint32_t id = 0;
    EXPECT_EQ(estimator->AddPoint(&point, &id), ZR_OK) << index;
  }
  GfxRotoTransPoint wrong{};
  wrong.cbSize = 100;
  EXPECT_EQ(estimator->AddPoint(&wrong, nullptr), ZR_BADARG);
  EXPECT_EQ(estimator->Compute(false), ZR_OK);
  coeffs.cbSize = kGfxRotoTransCoeffsSize;
  EXPECT_EQ(estimator->GetCoeffs(&coeffs), ZR_OK);
  EXPECT_EQ(coeffs.kind, 6u);
  EXPECT_EQ(coeffs.pointCount, 4u);
  estimator->Release();
}

}  // namespace
