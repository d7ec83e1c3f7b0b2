// The zoomer: defaults, zoom within the limits, fitting, conversions,
// mapping world rectangles to the device and flipping.
#include "zefcorek/GfxZoomer.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

namespace {

class ZoomerTest : public ::testing::Test {
protected:
  void SetUp() override {
    void* made = nullptr;
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IGfxZoomerImp, &made, 0), S_OK);
    zoomer = static_cast<IGfxZoomer*>(made);
  }
  void TearDown() override { zoomer->Release(); }
  double zoom() {
    double z = 0;
    zoomer->GetZoom(&z);
    return z;
  }
  IGfxZoomer* zoomer = nullptr;
};

TEST_F(ZoomerTest, DefaultsAndReset) {
  double a = 0, b = 0;
  EXPECT_EQ(zoom(), 1.0);
  zoomer->GetDeviceSize(&a, &b);
  EXPECT_EQ(a + b, 200.0);
  zoomer->GetLowerLimits(&a, &b);
  EXPECT_EQ(a + b, 2.0);
  zoomer->GetUpperLimits(&a, nullptr);
  EXPECT_EQ(a, 32000.0);
  EXPECT_EQ(zoomer->GetUpperLimits(nullptr, nullptr), 10);
  EXPECT_EQ(zoomer->GetAxisFlag(0), 0);
  EXPECT_EQ(zoomer->GetAxisFlag(1), 1);
  EXPECT_EQ(zoomer->GetAxisFlag(2), 10);
  EXPECT_EQ(zoomer->SetAxisFlag(2, true), 10);
  EXPECT_TRUE(zoomer->IsUnmodified()) << "construction resets quietly";
  zoomer->SetZoom(false, 3);
  EXPECT_EQ(zoomer->Reset(false), 0);
  EXPECT_EQ(zoom(), 1.0);
  EXPECT_FALSE(zoomer->IsUnmodified());
  void* out = &out;
  EXPECT_EQ(zoomer->QueryInterface(IID_IUnknown, &out), 21);
  EXPECT_EQ(out, &out);
}

TEST_F(ZoomerTest, ZoomAndLimits) {
  EXPECT_EQ(zoomer->SetZoom(false, 500), 1) << "a world of 50000 exceeds 32000";
  EXPECT_EQ(zoom(), 1.0);
  ASSERT_EQ(zoomer->SetZoom(false, 3), 0);
  EXPECT_EQ(zoomer->SetZoom(true, 2), 0);
  EXPECT_EQ(zoom(), 6.0);
  double w = 0;
  zoomer->GetWorldSize(&w, nullptr);
  EXPECT_EQ(w, 600.0);
  EXPECT_EQ(zoomer->SetUpperLimits(0.5, 100), 10);
  EXPECT_EQ(zoomer->SetLowerLimits(50000, 50000), 0) << "not compared with the upper limits";
  EXPECT_EQ(zoomer->CheckZoom(false, 1), 1);
  EXPECT_EQ(zoomer->SetLowerLimits(-1, 1), 10);
  EXPECT_EQ(zoomer->SetDeviceSize(0, 10), 10);
  EXPECT_EQ(zoomer->SetDeviceSize(10, -1), 10);
}

TEST_F(ZoomerTest, FitTakesTheSmallerQuotient) {
  EXPECT_EQ(zoomer->ZoomToFit(400, 100), 0);
  EXPECT_EQ(zoom(), 1.0);
  zoomer->SetZoom(false, 2);
  EXPECT_EQ(zoomer->SetZoomAtPoint(400, 100), 0);
  EXPECT_EQ(zoom(), 1.0) << "the same operation";
  EXPECT_EQ(zoomer->ZoomToFit(300, 500), 0);
  EXPECT_EQ(zoom(), 3.0);
  EXPECT_EQ(zoomer->ZoomToFit(-300, 500), 0) << "the sign of the larger quotient's size";
  EXPECT_EQ(zoom(), 3.0);
  EXPECT_EQ(zoomer->ZoomToFit(300, -500), 1) << "a negative zoom is out of limits";
  EXPECT_EQ(zoom(), 3.0);
}

TEST_F(ZoomerTest, ConversionsAndRectangles) {
  const struct {
    const char* what;
    double zoom;
    bool snapping;
    T_POINT2D world[2];
    T_POINT2D device[2];
    T_POINT2D visible[2];
  } rows[] = {
      {"clamped low corner", 1, true, {{-5, -5}, {50, 50}}, {{0, 0}, {50, 50}}, {{0, 0}, {50, 50}}},
      {"snapped outward, rounded inward",
       1,
       true,
       {{10.2, 10.2}, {20.7, 20.7}},
       {{10, 10}, {21, 21}},
       {{10, 10}, {21, 21}}},
      {"clamped high corner at zoom 2", 2, true, {{10, 10}, {400, 150}}, {{5, 5}, {100, 75}}, {{10, 10}, {200, 150}}},
      {"no snapping",
       1,
       false,
       {{10.2, 10.2}, {20.7, 20.7}},
       {{10.2, 10.2}, {20.7, 20.7}},
       {{10.2, 10.2}, {20.7, 20.7}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    zoomer->Reset(true);
    ASSERT_EQ(zoomer->SetZoom(false, row.zoom), 0);
    zoomer->SetAxisFlag(0, row.snapping);
    T_POINT2D device[2] = {}, visible[2] = {};
    ASSERT_EQ(zoomer->MapWorldRectToDevice(row.world, device, visible), 0);
    for (int i = 0; i < 2; ++i) {
      EXPECT_DOUBLE_EQ(device[i].x, row.device[i].x) << i;
      EXPECT_DOUBLE_EQ(device[i].y, row.device[i].y) << i;
      EXPECT_DOUBLE_EQ(visible[i].x, row.visible[i].x) << i;
      EXPECT_DOUBLE_EQ(visible[i].y, row.visible[i].y) << i;
    }
  }
  zoomer->Reset(true);
  zoomer->SetZoom(false, 2);
  T_POINT2D p{10, 20}, q{};
  ASSERT_EQ(zoomer->WorldToDevice(&p, &q), 0);
  EXPECT_EQ(q.x + q.y, 15.0);
  ASSERT_EQ(zoomer->DeviceToWorld(&q, &p), 0);
  EXPECT_EQ(p.x, 10.0);
  EXPECT_EQ(zoomer->WorldToDevice(nullptr, &q), 10);
  EXPECT_EQ(zoomer->MapWorldRectToDevice(&p, nullptr, &q), 10);
}

TEST_F(ZoomerTest, Flips) {
  double y = 0;
  ASSERT_EQ(zoomer->FlipY(&y), 0);
  EXPECT_EQ(y, 100.0);
  zoomer->SetAxisFlag(1, true);
  y = 0;
  zoomer->FlipY(&y);
  EXPECT_EQ(y, 99.0);
  zoomer->SetZoom(false, 2);
  y = 10;
  zoomer->FlipYInView(&y);
  EXPECT_EQ(y, 188.0) << "200 - 10, one zoom less";
  zoomer->SetAxisFlag(1, false);
  y = 10;
  zoomer->FlipYInView(&y);
  EXPECT_EQ(y, 190.0);
  EXPECT_EQ(zoomer->FlipY(nullptr), 10);
}

}  // namespace
